// Listening to OpenAL Soft's loopback output in tests: how loud the next frames are.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/sdl/openal_sound.h"

// The loudest sample of the next frames the mixer renders.
inline float Peak(OpenAlSound& mixer, int frames) {
    std::vector<float> out(static_cast<std::size_t>(frames) * 2);
    mixer.Render(out.data(), frames);
    float peak = 0;
    for (float s : out) peak = std::max(peak, std::fabs(s));
    return peak;
}

// True when nothing is heard once any fade-out has passed.
inline bool Silent(OpenAlSound& mixer) {
    Peak(mixer, 256);
    return Peak(mixer, 2048) < 1e-4f;
}
