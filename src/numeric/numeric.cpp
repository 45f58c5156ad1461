#include "numeric/numeric.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

double RoundHalfEven(double value) {
    double floor = std::floor(value);
    double diff = value - floor;
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

template <typename T>
T RoundTo(double value) {
    if (std::isnan(value)) return 0;
    double r = RoundHalfEven(value);
    if (r > std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
    if (r < std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
    return static_cast<T>(r);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A small, fast generator (splitmix64) per stream; the floats take the top 24 bits,
// so every value is an exact single in [0, 1).
struct RandomStream {
    std::uint64_t state;
    f32 Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<f32>(z >> 40) * (1.0f / 16777216.0f);
    }
};

RandomStream RaceStream{0x5EED0001ull};
RandomStream SoundStream{0x5EED0002ull};

}  // namespace

i16 CInt(double value) { return RoundTo<i16>(value); }
i32 CLng(double value) { return RoundTo<i32>(value); }
u8 CByte(double value) { return RoundTo<u8>(value); }
double Int(double value) { return std::floor(value); }
int Sgn(double value) { return value > 0 ? 1 : (value < 0 ? -1 : 0); }

double Val(std::string_view text) {
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double whole = 0.0, fraction = 0.0, scale = 1.0;
    bool afterPoint = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (IsBlank(c)) continue;
        if (c >= '0' && c <= '9') {
            if (afterPoint) {
                scale /= 10.0;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10.0 + (c - '0');
            }
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    double result = whole + fraction;
    return negative ? -result : result;
}

std::string Format(double value, std::string_view pattern) {
    std::size_t point = pattern.find('.');
    int minWhole = static_cast<int>(point == std::string_view::npos ? pattern.size() : point);
    int decimals = point == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - point - 1);
    double scale = std::pow(10.0, decimals);
    double scaled = std::round(std::fabs(value) * scale);  // halves away from zero
    bool negative = value < 0 && scaled != 0.0;
    double whole = std::floor(scaled / scale);
    double frac = scaled - whole * scale;
    char buffer[64];
    if (decimals > 0)
        std::snprintf(buffer, sizeof buffer, "%s%0*.0f.%0*.0f", negative ? "-" : "", minWhole,
                      whole, decimals, frac);
    else
        std::snprintf(buffer, sizeof buffer, "%s%0*.0f", negative ? "-" : "", minWhole, whole);
    return buffer;
}

void Randomize(std::uint64_t seed) {
    RaceStream.state = seed * 2 + 1;
    SoundStream.state = seed * 2 + 0x1234567ull;
}

f32 Rnd() { return RaceStream.Next(); }
f32 CosmeticRnd() { return SoundStream.Next(); }
std::uint64_t RaceRandomState() { return RaceStream.state; }
void SetRaceRandomState(std::uint64_t state) { RaceStream.state = state; }
