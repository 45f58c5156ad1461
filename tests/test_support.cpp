#include "test_support.h"

#include <filesystem>

#include "platform/platform.h"

HeadlessBackend& FreshHeadless() {
    HeadlessBackend& backend = InstallHeadlessBackend();
    SetAppPath(GG_GAME_DIR);
    return backend;
}

std::string GameDir() { return GG_GAME_DIR; }

std::string TempFolder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::path(GG_BINARY_DIR) / "test-tmp" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}
