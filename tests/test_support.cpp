#include "test_support.h"

#include <unistd.h>

#include <filesystem>

#include "platform/platform.h"

HeadlessBackend& FreshHeadless() {
    HeadlessBackend& backend = InstallHeadlessBackend();
    SetAppPath(GG_GAME_DIR);
    return backend;
}

std::string GameDir() { return GG_GAME_DIR; }

std::string TempFolder(const std::string& name) {
    // CTest runs every test case in a process of its own, two at a time: the process id
    // keeps cases of one fixture from clearing each other's folders.
    std::filesystem::path folder = std::filesystem::path(GG_BINARY_DIR) / "test-tmp" /
                                   (name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}
