// The game-wide settings: held in memory only, from their defaults at every run. The
// options screen changes them; the race and the career set-up read them. They sit on the
// ground floor so that every floor can read them without reaching up to the one that
// changes them.
#pragma once

#include "numeric/numeric.h"

struct GameSettings {
    f32 Difficulty = 1.2f;  // 1.2 Normal, 0.2 Easy
    i16 ColourDepth = 8;    // 8 or 16
    i16 ViewSizeMode = 2;   // 2: the 550 x 550 view
};
inline GameSettings Settings;
constexpr f32 DifficultyNormal = 1.2f;
constexpr f32 DifficultyEasy = 0.2f;
