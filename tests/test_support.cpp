#include "test_support.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/platform.h"

HeadlessBackend& FreshHeadless() {
    HeadlessBackend& backend = InstallHeadlessBackend();
    SetAppPath(GG_GAME_DIR);
    return backend;
}

std::string GameDir() { return GG_GAME_DIR; }

namespace {
// Each folder may hold a whole copy of the game's data: left behind by thousands of test
// processes they filled the disk, so the process takes its folders with it when it ends.
struct TempFolders {
    std::vector<std::filesystem::path> made;
    ~TempFolders() {
        std::error_code ignored;
        for (const auto& folder : made) std::filesystem::remove_all(folder, ignored);
    }
};
TempFolders g_tempFolders;
}  // namespace

std::string TempFolder(std::string name) {
    // Parameterised cases are named "Case/3": one folder each, not a folder inside another.
    for (char& c : name)
        if (c == '/') c = '_';
    // CTest runs every test case in a process of its own, two at a time: the process id
    // keeps cases of one fixture from clearing each other's folders.
    std::filesystem::path folder = std::filesystem::path(GG_BINARY_DIR) / "test-tmp" /
                                   (name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    g_tempFolders.made.push_back(folder);
    return folder.string();
}

std::string FileDigest(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::uint64_t h = 0xCBF29CE484222325u;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it)
        h = (h ^ static_cast<unsigned char>(*it)) * 0x100000001B3u;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}
