// Numbers as the game's design expects them.
//
// The game's rules were tuned with 16-bit integers that round halves to the even
// neighbour, single-precision floats and -1/0 booleans. Every conversion the rules
// depend on goes through this one helper instead of ad-hoc casts, so a rule written
// here behaves the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using i16 = std::int16_t;
using i32 = std::int32_t;
using u8 = std::uint8_t;
using f32 = float;

// Booleans in records and globals: True is -1, False is 0.
constexpr i16 True16 = -1;
constexpr i16 False16 = 0;
constexpr i16 Bool16(bool b) { return b ? True16 : False16; }
constexpr bool IsTrue(i16 flag) { return flag != 0; }

// Conversion to a 16-bit integer: nearest, halves to even (2.5 -> 2, 3.5 -> 4).
// Values beyond the 16-bit range saturate rather than wrap.
i16 CInt(double value);
// The same rounding to a 32-bit integer.
i32 CLng(double value);
// Conversion to an 8-bit unsigned field, rounding as CInt, saturating at 0 and 255.
u8 CByte(double value);
// Largest whole number not above the value (Int(-0.5) = -1).
double Int(double value);
// -1, 0 or +1 by the sign of the value.
int Sgn(double value);

// The lenient number parse used for every data file: blanks anywhere are skipped, an
// optional sign and the digits (with at most one decimal point) up to the first
// character that cannot continue a number are taken; no digits reads as 0.
double Val(std::string_view text);

// The display patterns the game uses: "00.00", "0.00" and "00000". A pattern has a run
// of zeros before an optional point and a run of zeros after it: at least that many
// digits before the point, exactly that many after, halves rounded away from zero.
std::string Format(double value, std::string_view pattern);

// Random numbers: uniform in [0, 1), repeatable for a given seed.
// Rnd drives everything that can change a race; CosmeticRnd only chooses or shapes
// sounds, so how often the start-light loop spins never changes a race's outcome.
void Randomize(std::uint64_t seed);
f32 Rnd();
f32 CosmeticRnd();
// Where the race stream stands, so that a search can go back to a moment of a race.
std::uint64_t RaceRandomState();
void SetRaceRandomState(std::uint64_t state);
