// Reads the shipped MERTQ4.gau as the host does: its PE export and import
// tables from the file, and its exported records from the loaded library at
// the host's published offsets for this build's architecture (the facts
// below), never through the module's own record declarations.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/module/gauge_table.h"

namespace {

constexpr const char* module_file = "MERTQ4.gau";

// ------------------------------------------- the host's facts, per build

// Byte offsets of what the host reads, as the 32-bit and the 64-bit hosts
// publish them.
struct HostFacts {
    const char* build;
    uint16_t machine;         // the PE file header's machine
    uint16_t optional_magic;  // PE32 or PE32+
    uint32_t directories;     // the data directories, from the optional header
    std::size_t pointer;      // bytes of a pointer or handle
    // ImportTable: the panels entry's id and table, the terminator's id and NULL.
    std::size_t import_size, import_terminator;
    // Linkage: module id 0, the start and stop routines, flags, priority,
    // version, then the gauge-header pointers.
    std::size_t linkage_start, linkage_stop, linkage_flags, linkage_priority, linkage_version,
        linkage_gauges;
    // Gauge header of version 800: name, element-list slot, the seven routines,
    // width, mouse list, callback, and its whole size.
    std::size_t gauge_name, gauge_elements, gauge_routines, gauge_size_mm, gauge_mouse,
        gauge_callback, gauge_header;
    // Element header: type 0, bitmap 4, position 8, then these.
    std::size_t element_gauge, element_previous, element_next, element_failures,
        element_image_flags;
    // Mouse rectangle record: type 0, cursor 20, help id 24, key event 32, then these.
    std::size_t mouse_callback, mouse_record;
};

// clang-format off
constexpr HostFacts host_32 = {
    .build = "32-bit", .machine = 0x014C, .optional_magic = 0x010B, .directories = 96, .pointer = 4,
    .import_size = 16, .import_terminator = 8,
    .linkage_start = 4, .linkage_stop = 8, .linkage_flags = 12, .linkage_priority = 16,
    .linkage_version = 20, .linkage_gauges = 24,
    .gauge_name = 4, .gauge_elements = 8, .gauge_routines = 12, .gauge_size_mm = 44,
    .gauge_mouse = 80, .gauge_callback = 84, .gauge_header = 204,
    .element_gauge = 32, .element_previous = 36, .element_next = 40, .element_failures = 44,
    .element_image_flags = 48,
    .mouse_callback = 36, .mouse_record = 44,
};
constexpr HostFacts host_64 = {
    .build = "64-bit", .machine = 0x8664, .optional_magic = 0x020B, .directories = 112, .pointer = 8,
    .import_size = 24, .import_terminator = 12,
    .linkage_start = 4, .linkage_stop = 12, .linkage_flags = 20, .linkage_priority = 24,
    .linkage_version = 28, .linkage_gauges = 32,
    .gauge_name = 4, .gauge_elements = 12, .gauge_routines = 20, .gauge_size_mm = 84,
    .gauge_mouse = 132, .gauge_callback = 140, .gauge_header = 284,
    .element_gauge = 32, .element_previous = 40, .element_next = 48, .element_failures = 56,
    .element_image_flags = 64,
    .mouse_callback = 36, .mouse_record = 52,
};
// clang-format on
constexpr HostFacts facts = sizeof(void*) == 8 ? host_64 : host_32;
static_assert(facts.pointer == sizeof(void*));

// ------------------------------------------------------------- the PE file

class PeFile {
  public:
    explicit PeFile(const char* path) {
        std::ifstream in(path, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), {});
    }
    bool loaded() const { return bytes_.size() > 0x40; }

    template <typename T>
    T at(uint32_t offset) const {
        T value{};
        if (offset + sizeof(T) <= bytes_.size()) std::memcpy(&value, &bytes_[offset], sizeof(T));
        return value;
    }
    std::string string_at(uint32_t offset) const {
        std::string text;
        while (offset < bytes_.size() && bytes_[offset] != 0) text += bytes_[offset++];
        return text;
    }

    uint32_t pe_header() const { return at<uint32_t>(0x3C); }
    uint16_t machine() const { return at<uint16_t>(pe_header() + 4); }
    uint16_t optional_magic() const { return at<uint16_t>(pe_header() + 24); }
    // Data directory n of the optional header: {rva, size}.
    uint32_t directory_rva(int n) const {
        return at<uint32_t>(pe_header() + 24 + facts.directories + 8 * n);
    }

    uint32_t file_offset(uint32_t rva) const {
        const uint32_t sections = pe_header() + 24 + at<uint16_t>(pe_header() + 20);
        for (int s = 0; s < at<uint16_t>(pe_header() + 6); ++s) {
            const uint32_t entry   = sections + 40 * s;
            const uint32_t address = at<uint32_t>(entry + 12);
            const uint32_t size    = std::max(at<uint32_t>(entry + 8), at<uint32_t>(entry + 16));
            if (rva >= address && rva < address + size)
                return rva - address + at<uint32_t>(entry + 20);
        }
        return 0;
    }

    std::vector<std::string> export_names() const {
        std::vector<std::string> names;
        const uint32_t directory = file_offset(directory_rva(0));
        const uint32_t count     = at<uint32_t>(directory + 24);
        const uint32_t name_rvas = file_offset(at<uint32_t>(directory + 32));
        for (uint32_t i = 0; i < count; ++i) {
            names.push_back(string_at(file_offset(at<uint32_t>(name_rvas + 4 * i))));
        }
        return names;
    }
    uint32_t function_export_count() const {
        return at<uint32_t>(file_offset(directory_rva(0)) + 20);
    }

    std::vector<std::string> imported_libraries() const {
        std::vector<std::string> names;
        for (uint32_t entry = file_offset(directory_rva(1)); at<uint32_t>(entry + 12) != 0;
             entry += 20) {
            names.push_back(string_at(file_offset(at<uint32_t>(entry + 12))));
        }
        return names;
    }

  private:
    std::vector<char> bytes_;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(BinaryImage, IsAWindowsLibraryOfItsBuildsMachine) {
    const PeFile pe(module_file);
    ASSERT_TRUE(pe.loaded());
    EXPECT_EQ(pe.at<uint16_t>(0), 0x5A4D);                    // "MZ"
    EXPECT_EQ(pe.at<uint32_t>(pe.pe_header()), 0x00004550u);  // "PE\0\0"
    EXPECT_EQ(pe.machine(), facts.machine) << facts.build;
    EXPECT_EQ(pe.optional_magic(), facts.optional_magic) << facts.build;
}

TEST(BinaryImage, ExportsExactlyItsTwoRecordsUndecorated) {
    const PeFile pe(module_file);
    ASSERT_TRUE(pe.loaded());
    EXPECT_EQ(pe.export_names(), (std::vector<std::string>{"ImportTable", "Linkage"}));
    EXPECT_EQ(pe.function_export_count(), 2u);
}

TEST(BinaryImage, ImportsOnlyFromWindowsSystemLibraries) {
    const PeFile pe(module_file);
    ASSERT_TRUE(pe.loaded());
    const std::set<std::string> allowed     = {"kernel32.dll", "msvcrt.dll"};
    const std::vector<std::string> imported = pe.imported_libraries();
    EXPECT_FALSE(imported.empty());
    for (const std::string& library : imported) {
        EXPECT_TRUE(allowed.count(lower(library))) << library << " is not a Windows system library";
    }
}

// ------------------------------------------- records at the host's offsets

// A record of the loaded image, read field by field at byte offsets.
class Record {
  public:
    explicit Record(uintptr_t address) : bytes_(reinterpret_cast<const char*>(address)) {}
    uintptr_t address() const { return reinterpret_cast<uintptr_t>(bytes_); }

    uint32_t word(std::size_t offset) const {
        uint32_t value;
        std::memcpy(&value, bytes_ + offset, sizeof value);
        return value;
    }
    // A pointer or handle, as wide as the build's.
    uintptr_t pointer(std::size_t offset) const {
        uintptr_t value;
        std::memcpy(&value, bytes_ + offset, sizeof value);
        return value;
    }
    Record at(std::size_t offset) const { return Record(pointer(offset)); }
    // Whether every byte of [from, to) is zero.
    bool zero(std::size_t from, std::size_t to) const {
        return std::all_of(bytes_ + from, bytes_ + to, [](char b) { return b == 0; });
    }

  private:
    const char* bytes_;
};

class LoadedImage : public ::testing::Test {
  protected:
    void SetUp() override {
        library = LoadLibraryA(module_file);
        ASSERT_NE(library, nullptr);
        const auto linkage_address =
            reinterpret_cast<uintptr_t>(GetProcAddress(library, "Linkage"));
        const auto import_address =
            reinterpret_cast<uintptr_t>(GetProcAddress(library, "ImportTable"));
        ASSERT_NE(linkage_address, 0u);
        ASSERT_NE(import_address, 0u);
        linkage      = Record(linkage_address);
        import_table = Record(import_address);
    }
    void TearDown() override { FreeLibrary(library); }

    // An address inside the image (a routine or a record).
    bool inside_image(uintptr_t address) const {
        MEMORY_BASIC_INFORMATION info{};
        VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof(info));
        return address != 0 && info.AllocationBase == library;
    }
    Record gauge(int i) const { return linkage.at(facts.linkage_gauges + facts.pointer * i); }

    HMODULE library     = nullptr;
    Record linkage      = Record(0);
    Record import_table = Record(0);
};

TEST_F(LoadedImage, ImportTableHoldsThePanelsEntryAndItsTerminator) {
    EXPECT_EQ(import_table.word(0), 0xFu);
    EXPECT_EQ(import_table.pointer(4), 0u)
        << "the host fills the table pointer, the file holds NULL";
    EXPECT_TRUE(import_table.zero(facts.import_terminator, facts.import_size)) << "the terminator";
}

TEST_F(LoadedImage, LinkageNamesTheModuleAndItsSixteenGauges) {
    EXPECT_EQ(linkage.word(0), 0x13u) << "module id";
    EXPECT_TRUE(inside_image(linkage.pointer(facts.linkage_start))) << "module-start routine";
    EXPECT_TRUE(inside_image(linkage.pointer(facts.linkage_stop))) << "module-stop routine";
    EXPECT_EQ(linkage.word(facts.linkage_flags), 0u) << "flags";
    EXPECT_EQ(linkage.word(facts.linkage_priority), 0u) << "priority";
    EXPECT_EQ(linkage.word(facts.linkage_version), 0x900u) << "interface version";
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(inside_image(gauge(i).address())) << "gauge " << i;
    EXPECT_EQ(gauge(16).address(), 0u) << "the gauge list ends in NULL after sixteen headers";
}

TEST_F(LoadedImage, EveryGaugeHeaderCarriesItsValuesAndZerosElsewhere) {
    const Record first             = gauge(0);
    const std::size_t routines_end = facts.gauge_routines + 7 * facts.pointer;
    for (int i = 0; i < 16; ++i) {
        const expected::Gauge& expected = expected::gauges[i];
        SCOPED_TRACE(expected.name);
        const Record header = gauge(i);
        EXPECT_EQ(header.word(0), 0x320u) << "header version";
        EXPECT_STREQ(reinterpret_cast<const char*>(header.pointer(facts.gauge_name)),
                     expected.name);
        for (std::size_t at = facts.gauge_routines; at < routines_end; at += facts.pointer) {
            EXPECT_TRUE(inside_image(header.pointer(at))) << "routine at +" << at;
            EXPECT_EQ(header.pointer(at), first.pointer(at))
                << "every gauge shares the seven routines";
        }
        EXPECT_TRUE(header.zero(routines_end, facts.gauge_size_mm)) << "reserved";
        EXPECT_EQ(header.word(facts.gauge_size_mm), 100u) << "default size in millimetres";
        EXPECT_TRUE(header.zero(facts.gauge_size_mm + 4, facts.gauge_mouse))
            << "height, adjust, position and reserved";
        if (expected.mouse_areas == expected::no_mouse_list) {
            EXPECT_EQ(header.pointer(facts.gauge_mouse), 0u) << "no mouse rectangle list";
        } else {
            EXPECT_TRUE(inside_image(header.pointer(facts.gauge_mouse))) << "mouse rectangle list";
        }
        EXPECT_TRUE(inside_image(header.pointer(facts.gauge_callback))) << "gauge callback";
        EXPECT_TRUE(header.zero(facts.gauge_callback + facts.pointer, facts.gauge_header))
            << "user data and every field after it";
    }
}

TEST_F(LoadedImage, EveryTreeIsAChainUnderItsStaticImageRoot) {
    for (int i = 0; i < 16; ++i) {
        const expected::Gauge& expected = expected::gauges[i];
        SCOPED_TRACE(expected.name);
        const Record header = gauge(i);
        const Record root   = header.at(facts.gauge_elements).at(0);
        EXPECT_EQ(root.word(0), 0u) << "static image";
        EXPECT_EQ(root.word(4), static_cast<uint32_t>(expected.root_bitmap));
        EXPECT_TRUE(root.zero(8, 16)) << "position";
        EXPECT_EQ(root.word(facts.element_image_flags), expected.root_image_flags);

        int elements = 0;
        for (Record element = root; element.address() != 0; ++elements) {
            EXPECT_EQ(element.pointer(facts.element_gauge), header.address())
                << "element " << elements << " names its gauge";
            EXPECT_EQ(element.pointer(facts.element_previous), 0u)
                << "previous element, kept by the host";
            EXPECT_EQ(element.pointer(facts.element_failures), 0u) << "failure list";
            const Record next = element.at(facts.element_next);
            if (next.address() != 0) {
                EXPECT_EQ(next.pointer(facts.pointer), 0u) << "one child per element";
            }
            element = next.address() != 0 ? next.at(0) : Record(0);
            ASSERT_LT(elements, 32) << "the chain does not end";
        }
        EXPECT_EQ(elements, expected.elements);
    }
}

TEST_F(LoadedImage, MouseListsRunParentChildrenParentEndAndEnd) {
    for (int i = 0; i < 16; ++i) {
        const expected::Gauge& expected = expected::gauges[i];
        if (expected.mouse_areas == expected::no_mouse_list) continue;
        SCOPED_TRACE(expected.name);
        const uintptr_t list = gauge(i).pointer(facts.gauge_mouse);
        const auto record    = [&](int n) { return Record(list + facts.mouse_record * n); };
        EXPECT_EQ(record(0).word(0), 1u) << "parent";
        EXPECT_EQ(static_cast<int32_t>(record(0).word(20)), -1) << "the parent shows no cursor";
        int children = 0;
        for (; record(1 + children).word(0) == 2; ++children) {
            const Record child = record(1 + children);
            EXPECT_TRUE(inside_image(child.pointer(facts.mouse_callback)))
                << "child " << children << " has its routine";
            EXPECT_EQ(child.word(24), 0u) << "help id";
            EXPECT_EQ(child.word(32), 0u) << "no child sends a key event of its own";
            EXPECT_TRUE(child.zero(facts.mouse_callback + facts.pointer, facts.mouse_record))
                << "the host's data";
        }
        EXPECT_EQ(children, expected.mouse_areas);
        EXPECT_EQ(record(1 + children).word(0), 3u) << "parent end";
        EXPECT_EQ(record(2 + children).word(0), 0u) << "end of list";
    }
}

}  // namespace
