// Shared by the fuzz targets: the loaders that take a file name get the input through a
// scratch file in memory-backed /dev/shm, one per process, and the career readers through a
// game folder of the process's own there.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// The file goes when the process ends normally (the replay tests run on every build).
inline const std::string& ScratchFile(const char* suffix) {
    static const std::string path = "/dev/shm/gg_fuzz_" + std::to_string(::getpid()) + suffix;
    // Registered after the name is made, so it runs before the name is destroyed.
    static const bool removedAtExit = std::atexit([] { std::remove(path.c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

inline void WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) __builtin_trap();
    if (size) std::fwrite(data, 1, size, out);
    std::fclose(out);
}

inline const std::string& WriteScratch(const std::uint8_t* data, std::size_t size,
                                       const char* suffix) {
    const std::string& path = ScratchFile(suffix);
    WriteBytes(path, data, size);
    return path;
}

// The built game's pictures and courses, linked into a folder whose saves/ is this
// process's alone: parallel fuzzing jobs must not read each other's careers. The folder
// goes when the process ends normally.
inline const std::string& ScratchGameFolder() {
    namespace fs = std::filesystem;
    static const std::string folder = [] {
        fs::path path = "/dev/shm/gg_fuzz_game_" + std::to_string(::getpid());
        fs::remove_all(path);
        fs::create_directories(path / "saves");
        for (const char* sub : {"graphics", "resources", "soundfx"})
            fs::create_directory_symlink(fs::path(GG_GAME_DIR) / sub, path / sub);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all("/dev/shm/gg_fuzz_game_" + std::to_string(::getpid()), ignored);
        });
        return path.string();
    }();
    return folder;
}
