// Shared by the fuzz targets: the loaders that take a file name get the input through a
// scratch file in memory-backed /dev/shm, one per process.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const std::string& ScratchFile(const char* suffix) {
    static const std::string path =
        "/dev/shm/gg_fuzz_" + std::to_string(::getpid()) + suffix;
    return path;
}

inline const std::string& WriteScratch(const std::uint8_t* data, std::size_t size,
                                       const char* suffix) {
    const std::string& path = ScratchFile(suffix);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) __builtin_trap();
    if (size) std::fwrite(data, 1, size, out);
    std::fclose(out);
    return path;
}
