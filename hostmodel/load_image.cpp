// Recording a shared library's variables from its ELF symbol table, and
// writing them back: see load_image.h. Native (Linux) build only.
#include "hostmodel/load_image.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

namespace hostmodel::load_image {
namespace {

struct Variable {
    std::string name;
    std::byte* address;
    std::vector<std::byte> bytes;  // as loaded
};

bool recorded = false;

std::vector<Variable>& recorded_variables() {
    static std::vector<Variable> variables;
    return variables;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "host model: %s\n", what.c_str());
    std::exit(EXIT_FAILURE);
}

std::vector<char> read_file(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) fail(std::string("cannot read ") + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A section of `image` as a typed array, checked against the file's size.
template <typename Entry>
const Entry* table_at(const std::vector<char>& image, std::size_t offset, std::size_t count,
                      const char* path) {
    if (offset > image.size() || count > (image.size() - offset) / sizeof(Entry)) {
        fail(std::string(path) + ": truncated ELF file");
    }
    return reinterpret_cast<const Entry*>(image.data() + offset);
}

// Sections that hold the library's variables: allocated and writable, not
// thread-local, and not the data that are written only by relocation
// (.data.rel.ro: vtables, type information), which the loader makes
// read-only once relocated.
bool holds_variables(const ElfW(Shdr) & section, std::string_view name) {
    constexpr ElfW(Xword) wanted = SHF_ALLOC | SHF_WRITE;
    return (section.sh_flags & wanted) == wanted && (section.sh_flags & SHF_TLS) == 0 &&
           (section.sh_type == SHT_PROGBITS || section.sh_type == SHT_NOBITS) &&
           !name.starts_with(".data.rel.ro");
}

// Where a symbol lives in this process. A global one may have been copied
// into the program (copy relocation) or be unique process-wide, and then the
// library itself uses that copy, which the process's global lookup finds; a
// local one is where the library was loaded.
std::byte* address_of(const ElfW(Sym) & symbol, const char* name, const link_map* library) {
    if (ELF64_ST_BIND(symbol.st_info) != STB_LOCAL) {
        if (void* global = dlsym(RTLD_DEFAULT, name)) return static_cast<std::byte*>(global);
    }
    return reinterpret_cast<std::byte*>(library->l_addr + symbol.st_value);
}

}  // namespace

bool is_library_variable(const std::string& name) {
    return !name.empty() && !name.starts_with("__");
}

void record(const void* inside) {
    if (recorded) return;
    Dl_info info{};
    link_map* library = nullptr;
    if (dladdr1(inside, &info, reinterpret_cast<void**>(&library), RTLD_DL_LINKMAP) == 0 ||
        library == nullptr || info.dli_fname == nullptr) {
        fail("cannot find the library of the module");
    }
    const char* path              = info.dli_fname;
    const std::vector<char> image = read_file(path);
    const auto* header            = table_at<ElfW(Ehdr)>(image, 0, 1, path);
    if (std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 ||
        header->e_ident[EI_CLASS] != ELFCLASS64 || header->e_shentsize != sizeof(ElfW(Shdr))) {
        fail(std::string(path) + ": not a 64-bit ELF file");
    }
    const auto* sections = table_at<ElfW(Shdr)>(image, header->e_shoff, header->e_shnum, path);
    const ElfW(Shdr)& section_names = sections[header->e_shstrndx];
    auto section_name               = [&](const ElfW(Shdr) & section) {
        return std::string_view(
                          table_at<char>(image, section_names.sh_offset + section.sh_name, 1, path));
    };

    const ElfW(Shdr)* symtab = nullptr;
    for (std::size_t i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type == SHT_SYMTAB) symtab = &sections[i];
    }
    if (symtab == nullptr) fail(std::string(path) + " has no symbol table (stripped?)");
    const std::size_t symbol_count = symtab->sh_size / sizeof(ElfW(Sym));
    const auto* symbols      = table_at<ElfW(Sym)>(image, symtab->sh_offset, symbol_count, path);
    const ElfW(Shdr)& strtab = sections[symtab->sh_link];
    const char* names        = table_at<char>(image, strtab.sh_offset, strtab.sh_size, path);

    std::vector<Variable>& variables = recorded_variables();
    for (std::size_t i = 0; i < symbol_count; ++i) {
        const ElfW(Sym)& symbol = symbols[i];
        if (ELF64_ST_TYPE(symbol.st_info) != STT_OBJECT || symbol.st_size == 0 ||
            symbol.st_shndx == SHN_UNDEF || symbol.st_shndx >= header->e_shnum ||
            symbol.st_name >= strtab.sh_size) {
            continue;
        }
        const ElfW(Shdr)& section = sections[symbol.st_shndx];
        const std::string name    = names + symbol.st_name;
        if (!holds_variables(section, section_name(section)) || !is_library_variable(name)) {
            continue;
        }
        std::byte* address = address_of(symbol, name.c_str(), library);
        variables.push_back({.name    = name,
                             .address = address,
                             .bytes   = std::vector<std::byte>(address, address + symbol.st_size)});
    }
    recorded = true;
}

void restore() {
    for (const Variable& variable : recorded_variables()) {
        std::memcpy(variable.address, variable.bytes.data(), variable.bytes.size());
    }
}

std::vector<std::string> variables() {
    std::vector<std::string> names;
    for (const Variable& variable : recorded_variables()) names.push_back(variable.name);
    return names;
}

}  // namespace hostmodel::load_image
