// Build tool: writes every bitmap as a BMP file plus the bitmaps.rc script that names them.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/bitmap_table.h"
#include "resources/bmp_writer.h"

namespace {

void write_file(const std::filesystem::path& path, const char* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argc > 0 ? argv[0] : "generate_bitmaps");
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        std::string script;
        for (const BitmapTableEntry& bitmap_entry : bitmap_entries()) {
            const std::string name           = bmp_file_name(bitmap_entry.id);
            const std::vector<uint8_t> bytes = encode_bmp(bitmap_entry);
            write_file(folder / name, reinterpret_cast<const char*>(bytes.data()), bytes.size());
            script += std::to_string(bitmap_entry.id) + " BITMAP \"" + name + "\"\n";
        }
        write_file(folder / "bitmaps.rc", script.data(), script.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "generate_bitmaps: %s\n", e.what());
        return 1;
    }
    return 0;
}
