// Reads the shipped MERTQ4.gau as the host does: its PE export and import
// tables from the file, and its exported records as raw 32-bit words from the
// loaded library, never through the module's own record declarations.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/module/gauge_table.h"

namespace {

constexpr const char* module_file = "MERTQ4.gau";

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
    // Data directory n of a PE32 optional header: {rva, size}.
    uint32_t directory_rva(int n) const { return at<uint32_t>(pe_header() + 24 + 96 + 8 * n); }

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

TEST(BinaryImage, IsA32BitWindowsLibrary) {
    const PeFile pe(module_file);
    ASSERT_TRUE(pe.loaded());
    EXPECT_EQ(pe.at<uint16_t>(0), 0x5A4D);                    // "MZ"
    EXPECT_EQ(pe.at<uint32_t>(pe.pe_header()), 0x00004550u);  // "PE\0\0"
    EXPECT_EQ(pe.machine(), 0x014C);                          // i386
    EXPECT_EQ(pe.optional_magic(), 0x010B);                   // PE32
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

// -------------------------------------------------- records as raw words

class LoadedImage : public ::testing::Test {
  protected:
    void SetUp() override {
        library = LoadLibraryA(module_file);
        ASSERT_NE(library, nullptr);
        linkage      = reinterpret_cast<const uint32_t*>(GetProcAddress(library, "Linkage"));
        import_table = reinterpret_cast<const uint32_t*>(GetProcAddress(library, "ImportTable"));
        ASSERT_NE(linkage, nullptr);
        ASSERT_NE(import_table, nullptr);
    }
    void TearDown() override { FreeLibrary(library); }

    // A word of the image is an address inside it (a routine or a record).
    bool inside_image(uint32_t word) const {
        MEMORY_BASIC_INFORMATION info{};
        VirtualQuery(reinterpret_cast<const void*>(static_cast<uintptr_t>(word)), &info,
                     sizeof(info));
        return word != 0 && info.AllocationBase == library;
    }
    static const uint32_t* words(uint32_t address) {
        return reinterpret_cast<const uint32_t*>(static_cast<uintptr_t>(address));
    }

    HMODULE library              = nullptr;
    const uint32_t* linkage      = nullptr;
    const uint32_t* import_table = nullptr;
};

TEST_F(LoadedImage, ImportTableHoldsThePanelsEntryAndItsTerminator) {
    EXPECT_EQ(import_table[0], 0xFu);
    EXPECT_EQ(import_table[1], 0u) << "the host fills the table pointer, the file holds NULL";
    EXPECT_EQ(import_table[2], 0u);
    EXPECT_EQ(import_table[3], 0u);
}

TEST_F(LoadedImage, LinkageNamesTheModuleAndItsSixteenGauges) {
    EXPECT_EQ(linkage[0], 0x13u) << "module id";
    EXPECT_TRUE(inside_image(linkage[1])) << "module-start routine";
    EXPECT_TRUE(inside_image(linkage[2])) << "module-stop routine";
    EXPECT_EQ(linkage[3], 0u) << "flags";
    EXPECT_EQ(linkage[4], 0u) << "priority";
    EXPECT_EQ(linkage[5], 0x900u) << "interface version";
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(inside_image(linkage[6 + i])) << "gauge " << i;
    EXPECT_EQ(linkage[6 + 16], 0u) << "the gauge list ends in NULL after sixteen headers";
}

TEST_F(LoadedImage, EveryGaugeHeaderCarriesItsValuesAndZerosElsewhere) {
    const uint32_t* first = words(linkage[6]);
    for (int i = 0; i < 16; ++i) {
        const expected::Gauge& gauge = expected::gauges[i];
        SCOPED_TRACE(gauge.name);
        const uint32_t* header = words(linkage[6 + i]);
        EXPECT_EQ(header[0], 0x320u) << "header key";
        EXPECT_STREQ(reinterpret_cast<const char*>(static_cast<uintptr_t>(header[1])), gauge.name);
        for (int routine = 3; routine <= 9; ++routine) {
            EXPECT_TRUE(inside_image(header[routine])) << "field " << routine + 1;
            EXPECT_EQ(header[routine], first[routine]) << "every gauge shares the seven routines";
        }
        EXPECT_EQ(header[10], 0u);
        EXPECT_EQ(header[11], 100u) << "default size in millimetres";
        for (int field = 12; field <= 19; ++field)
            EXPECT_EQ(header[field], 0u) << "field " << field + 1;
        if (gauge.mouse_areas == expected::no_mouse_list) {
            EXPECT_EQ(header[20], 0u) << "no mouse rectangle list";
        } else {
            EXPECT_TRUE(inside_image(header[20])) << "mouse rectangle list";
        }
        EXPECT_TRUE(inside_image(header[21])) << "gauge callback";
        for (int field = 22; field < 51; ++field)
            EXPECT_EQ(header[field], 0u) << "field " << field + 1;
    }
}

TEST_F(LoadedImage, EveryTreeIsAChainUnderItsStaticImageRoot) {
    for (int i = 0; i < 16; ++i) {
        const expected::Gauge& gauge = expected::gauges[i];
        SCOPED_TRACE(gauge.name);
        const uint32_t header_address = linkage[6 + i];
        const uint32_t* root          = words(*words(words(header_address)[2]));
        EXPECT_EQ(root[0], 0u) << "static image";
        EXPECT_EQ(root[1], static_cast<uint32_t>(gauge.root_bitmap));
        EXPECT_EQ(root[2], 0u);
        EXPECT_EQ(root[3], 0u);
        EXPECT_EQ(root[12], gauge.root_image_flags);

        int elements = 0;
        for (const uint32_t* element = root; element != nullptr; ++elements) {
            EXPECT_EQ(element[8], header_address) << "element " << elements << " names its gauge";
            EXPECT_EQ(element[9], 0u) << "previous element, kept by the host";
            EXPECT_EQ(element[11], 0u) << "failure list";
            const uint32_t* next = element[10] != 0 ? words(element[10]) : nullptr;
            if (next != nullptr) {
                EXPECT_EQ(next[1], 0u) << "one child per element";
            }
            element = next != nullptr && next[0] != 0 ? words(next[0]) : nullptr;
            ASSERT_LT(elements, 32) << "the chain does not end";
        }
        EXPECT_EQ(elements, gauge.elements);
    }
}

TEST_F(LoadedImage, MouseListsRunParentChildrenParentEndAndEnd) {
    for (int i = 0; i < 16; ++i) {
        const expected::Gauge& gauge = expected::gauges[i];
        if (gauge.mouse_areas == expected::no_mouse_list) continue;
        SCOPED_TRACE(gauge.name);
        const uint32_t* record = words(words(linkage[6 + i])[20]);
        EXPECT_EQ(record[0], 1u) << "parent";
        EXPECT_EQ(static_cast<int32_t>(record[5]), -1) << "the parent shows no cursor";
        int children = 0;
        for (record += 11; record[0] == 2; record += 11) {
            EXPECT_TRUE(inside_image(record[9])) << "child " << children << " has its routine";
            EXPECT_EQ(record[6], 0u) << "help id";
            EXPECT_EQ(record[8], 0u) << "no child sends a key event of its own";
            ++children;
        }
        EXPECT_EQ(children, gauge.mouse_areas);
        EXPECT_EQ(record[0], 3u) << "parent end";
        EXPECT_EQ(record[11], 0u) << "end of list";
    }
}

}  // namespace
