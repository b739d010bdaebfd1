// The native platform's file lookup: a Windows path, relative to the current
// folder or from the root, found whatever its letter case and separators.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gaugesound/platform.h"

namespace {

namespace fs = std::filesystem;

class NativePlatform : public testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("gaugesound_platform_" + std::to_string(getpid()));
        fs::create_directories(root_ / "Sound" / "MERTQ4" / "Folder.wav");
        std::ofstream(root_ / "Sound" / "MERTQ4" / "TQ4Signs.wav") << "signs";
        std::ofstream(root_ / "Sound" / "MERTQ4" / "exact.wav") << "lower";
        std::ofstream(root_ / "Sound" / "MERTQ4" / "EXACT.wav") << "upper";
        previous_ = fs::current_path();
        fs::current_path(root_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(root_);
    }
    fs::path root_;
    fs::path previous_;
};

TEST_F(NativePlatform, FindsFilesAsWindowsWould) {
    const std::string absolute = (root_ / "SOUND" / "mertq4" / "tq4signs.wav").string();
    struct Row {
        const char* reason;
        std::string path;
        const char* content;  // null: refused
        const char* why;      // part of the reason when refused
    } rows[] = {
        {"the module's own spelling", "sound\\MERTQ4\\TQ4Signs.wav", "signs", nullptr},
        {"every component in another case", "SOUND\\mertq4\\tq4SIGNS.WAV", "signs", nullptr},
        {"forward slashes", "Sound/MERTQ4/TQ4Signs.wav", "signs", nullptr},
        {"doubled and current-folder separators", "sound\\\\.\\MERTQ4\\TQ4Signs.wav", "signs",
         nullptr},
        {"a step out and back in", "sound\\..\\Sound\\MERTQ4\\TQ4Signs.wav", "signs", nullptr},
        {"from the root, in another case", absolute, "signs", nullptr},
        {"the exact spelling first among two", "Sound\\MERTQ4\\EXACT.wav", "upper", nullptr},
        {"a missing file", "sound\\MERTQ4\\none.wav", nullptr, "no \"none.wav\" in"},
        {"a missing folder", "sounds\\MERTQ4\\TQ4Signs.wav", nullptr,
         "no \"sounds\" in the current folder"},
        {"a folder named like a sound", "sound\\MERTQ4\\folder.wav", nullptr, "not a file"},
        {"a file taken for a folder", "sound\\MERTQ4\\TQ4Signs.wav\\x", nullptr, "no \"x\""},
        {"a drive letter", "C:\\sound\\MERTQ4\\TQ4Signs.wav", nullptr, "drive letter"},
        {"an empty path", "", nullptr, "not a file"},
    };
    for (const Row& r : rows) {
        std::vector<uint8_t> bytes;
        std::string why;
        bool read = gaugesound::native_platform.read_file(r.path.c_str(), &bytes, &why);
        if (r.content) {
            ASSERT_TRUE(read) << r.reason << ": " << why;
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), r.content) << r.reason;
        } else {
            EXPECT_FALSE(read) << r.reason;
            EXPECT_NE(why.find(r.why), std::string::npos) << r.reason << ": said \"" << why << '"';
        }
    }
}

}  // namespace
