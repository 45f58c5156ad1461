// The wave file parser that feeds the sound buffers.
#include <cstdint>
#include <vector>

#include "platform/sdl/openal_sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> file(data, data + size);
    if (auto wave = ParseWave(file))
        if (wave->Samples.size() % wave->BlockAlign() != 0) __builtin_trap();
    return 0;
}
