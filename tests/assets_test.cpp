// The generated pictures, pointers, sounds and career list, read back as the game reads
// them.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t White = 0xFFFFFF, Black = 0x000000;

Surface Picture(const std::string& name) { return LoadPicture(GameDir() + "/graphics/" + name); }

std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

unsigned U16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

// Checks one sprite rectangle as the race draws it: mask OR then picture AND.
// Returns the number of pixels in the silhouette.
int CheckSpritePair(const Surface& picture, int px, int py, const Surface& mask, int mx, int my,
                    int w, int h) {
    int inside = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t m = mask.Pixel(mx + x, my + y), p = picture.Pixel(px + x, py + y);
            EXPECT_TRUE(m == White || m == Black) << "mask pixel " << x << "," << y;
            if (m == Black) {
                EXPECT_EQ(p, White) << "picture shows outside its mask at " << x << "," << y;
                if (p != White) return inside;  // one report per sprite is enough
            } else {
                ++inside;
            }
        }
    return inside;
}

struct Extent {
    int Left = 1 << 20, Top = 1 << 20, Right = -1, Bottom = -1;
    int Width() const { return Right - Left + 1; }
    int Height() const { return Bottom - Top + 1; }
};

Extent MaskExtent(const Surface& mask, int x0, int y0, int w, int h) {
    Extent e;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mask.Pixel(x0 + x, y0 + y) == White) {
                e.Left = std::min(e.Left, x);
                e.Right = std::max(e.Right, x);
                e.Top = std::min(e.Top, y);
                e.Bottom = std::max(e.Bottom, y);
            }
    return e;
}

}  // namespace

// ---------------------------------------------------------------------------------
// The car sheet

TEST(CarSheet, IsThreeColumnsOfTwentyFramesAtTwiceRaceSize) {
    Surface cars = Picture("car256.bmp");
    EXPECT_EQ(cars.Width, 480);
    EXPECT_EQ(cars.Height, 2000);
}

TEST(CarSheet, BothCarsFitTheSharedMaskInEveryFrame) {
    Surface cars = Picture("car256.bmp");
    for (int f = 0; f < 20; ++f) {
        int player = CheckSpritePair(cars, 0, 100 * f, cars, 160, 100 * f, 160, 100);
        int rival = CheckSpritePair(cars, 320, 100 * f, cars, 160, 100 * f, 160, 100);
        // About 80 x 40 less the rounded corners.
        EXPECT_GT(player, 2400) << "frame " << f;
        EXPECT_LT(player, 3400) << "frame " << f;
        EXPECT_EQ(player, rival);
    }
}

// The race paints the file at half size; mask and pictures must still line up there.
TEST(CarSheet, HalvedSheetStillLinesUpPictureAndMask) {
    Surface cars = Picture("car256.bmp");
    Surface sheet;
    sheet.Resize(360, 2000, White);
    PaintPicture(sheet, cars, 0, 0, 240, 1000, 0, 0, 480, 2000);
    for (int f = 0; f < 20; ++f) {
        int player = CheckSpritePair(sheet, 0, 50 * f, sheet, 80, 50 * f, 80, 50);
        int rival = CheckSpritePair(sheet, 160, 50 * f, sheet, 80, 50 * f, 80, 50);
        EXPECT_GT(player, 600) << "frame " << f;  // about 40 x 20 once halved
        EXPECT_EQ(player, rival);
    }
}

struct Heading {
    int Frame, Dx, Dy;  // which way the nose should point
};
class CarFrames : public testing::TestWithParam<Heading> {};

// The windscreen sits ahead of the cell centre, so its bluish glass shows the way the nose
// points: frame 0 north, 5 east, 10 south, 15 west. A car pointing north or south is
// taller than wide in the mask, one pointing east or west wider than tall.
TEST_P(CarFrames, NoseAndOutlineFollowTheHeading) {
    Heading h = GetParam();
    Surface cars = Picture("car256.bmp");
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            std::uint32_t p = cars.Pixel(x, 100 * h.Frame + y);
            int r = p >> 16, b = p & 0xFF;
            if (p != White && b > r + 40) {
                sx += x - 80;
                sy += y - 50;
                ++n;
            }
        }
    ASSERT_GT(n, 40);
    sx /= n;
    sy /= n;
    EXPECT_GT(sx * h.Dx + sy * h.Dy, 5.0) << "glass centre " << sx << "," << sy;

    Extent e = MaskExtent(cars, 160, 100 * h.Frame, 160, 100);
    if (h.Dx == 0) {
        EXPECT_GT(e.Height(), e.Width() + 30);
    } else {
        EXPECT_GT(e.Width(), e.Height() + 30);
    }
    // Centred in the cell.
    EXPECT_NEAR((e.Left + e.Right) / 2.0, 79.5, 2.5);
    EXPECT_NEAR((e.Top + e.Bottom) / 2.0, 49.5, 2.5);
}
INSTANTIATE_TEST_SUITE_P(Compass, CarFrames,
                         testing::Values(Heading{0, 0, -1}, Heading{5, 1, 0}, Heading{10, 0, 1},
                                         Heading{15, -1, 0}),
                         [](const testing::TestParamInfo<Heading>& info) {
                             return "Frame" + std::to_string(info.param.Frame);
                         });

TEST(CarSheet, PlayerIsYellowAndOpponentsBlue) {
    Surface cars = Picture("car256.bmp");
    long red[2] = {0, 0}, blue[2] = {0, 0};
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x)
            for (int c = 0; c < 2; ++c) {
                std::uint32_t p = cars.Pixel(c * 320 + x, y);
                if (p == White) continue;
                red[c] += p >> 16;
                blue[c] += p & 0xFF;
            }
    EXPECT_GT(red[0], 2 * blue[0]);
    EXPECT_GT(blue[1], 2 * red[1]);
}

// ---------------------------------------------------------------------------------
// Masked sprites

struct Pair {
    const char *Picture, *Mask;
    int Width, Height;
};
class SpritePairs : public testing::TestWithParam<Pair> {};

TEST_P(SpritePairs, PictureIsWhiteWhereverItsMaskIsBlack) {
    Pair p = GetParam();
    Surface picture = Picture(p.Picture), mask = Picture(p.Mask);
    ASSERT_EQ(picture.Width, p.Width);
    ASSERT_EQ(picture.Height, p.Height);
    ASSERT_EQ(mask.Width, p.Width);
    ASSERT_EQ(mask.Height, p.Height);
    int inside = CheckSpritePair(picture, 0, 0, mask, 0, 0, p.Width, p.Height);
    EXPECT_GT(inside, p.Width * p.Height / 20);  // something to see
    EXPECT_LT(inside, p.Width * p.Height);       // and something to see through
}
INSTANTIATE_TEST_SUITE_P(
    Graphics, SpritePairs,
    testing::Values(Pair{"smoke1a.bmp", "smask1a.bmp", 100, 100},
                    Pair{"smoke1b.bmp", "smask1b.bmp", 100, 100},
                    Pair{"smoke1c.bmp", "smask1c.bmp", 100, 100},
                    Pair{"smoke1d.bmp", "smask1d.bmp", 100, 100},
                    Pair{"1place.bmp", "1plmask.bmp", 150, 50},
                    Pair{"2place.bmp", "2plmask.bmp", 150, 50},
                    Pair{"3place.bmp", "3plmask.bmp", 150, 50},
                    Pair{"0place.bmp", "0plmsk.bmp", 150, 50},
                    Pair{"pylon1.bmp", "pylmsk.bmp", 25, 25},
                    Pair{"exp-1-256.bmp", "exp-1mask.bmp", 1702, 100}),
    [](const testing::TestParamInfo<Pair>& info) {
        std::string name;
        for (const char* c = info.param.Picture; *c != '.'; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        return name;
    });

TEST(Smoke, PuffGrowsAndPalesOverItsFourFrames) {
    int previousArea = 0;
    double previousShade = 0;
    for (char k : {'a', 'b', 'c', 'd'}) {
        Surface mask = Picture(std::string("smask1") + k + ".bmp");
        Surface smoke = Picture(std::string("smoke1") + k + ".bmp");
        Extent e = MaskExtent(mask, 0, 0, 100, 100);
        int area = e.Width() * e.Height();
        double shade = 0;
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                if (mask.Pixel(x, y) == White) shade += smoke.Pixel(x, y) & 0xFF, ++n;
        shade /= n;
        EXPECT_GT(area, previousArea) << k;
        EXPECT_GT(shade, previousShade) << k;
        previousArea = area;
        previousShade = shade;
    }
}

// Frames start every 71 pixels but are 75 wide: the 4 columns each frame borrows from
// the next must be empty, or slivers of fire would jump about.
TEST(Explosion, EachFrameStaysInsideItsStepAndTheFireRisesAndDies) {
    Surface mask = Picture("exp-1mask.bmp");
    std::vector<int> area;
    for (int k = 0; k < 24; ++k) {
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 75 && 71 * k + x < 1702; ++x) {
                bool lit = mask.Pixel(71 * k + x, y) == White;
                if (lit && (x < 4 || x >= 71 || y >= 75)) ADD_FAILURE() << "frame " << k;
                n += lit;
            }
        area.push_back(n);
    }
    // The race shows frames 0 to 16: a small flash, a big burst, a small dying fire.
    EXPECT_GT(area[0], 100);
    EXPECT_GT(area[5], 5 * area[0]);
    EXPECT_LT(area[16], area[5] / 2);
    for (int k = 0; k <= 16; ++k) EXPECT_GT(area[k], 100) << "frame " << k << " is empty";
}

TEST(Markers, PlayerAndOpponentMarkersAreBrightAndDifferent) {
    Surface opponent = Picture("carblip1.bmp"), player = Picture("carblip2.bmp");
    // Squeezed to 5 x 5 by the race; sample the middle.
    std::uint32_t o = opponent.Pixel(opponent.Width / 2, opponent.Height / 2);
    std::uint32_t p = player.Pixel(player.Width / 2, player.Height / 2);
    EXPECT_GT(o >> 16, 200u);                 // red
    EXPECT_LT((o >> 8) & 0xFF, 0x80u);
    EXPECT_GT((p >> 8) & 0xFF, 200u);         // yellow or white: red and green both high
    EXPECT_GT(p >> 16, 200u);
}

// ---------------------------------------------------------------------------------
// Pointers

struct PointerFile {
    std::vector<std::uint8_t> Bytes;
    std::uint32_t Pixel(int x, int y) const {  // 0xAARRGGBB, top row first
        return U32(Bytes, 22 + 40 + 4 * ((31 - y) * 32 + x));
    }
    bool Transparent(int x, int y) const {
        std::uint8_t bits = Bytes[22 + 40 + 4096 + 4 * (31 - y) + x / 8];
        return bits & (0x80 >> (x % 8));
    }
};

PointerFile ReadPointer(const std::string& name, unsigned type) {
    PointerFile f{Bytes(GameDir() + "/resources/" + name)};
    EXPECT_EQ(f.Bytes.size(), 22u + 40 + 32 * 32 * 4 + 32 * 4) << name;
    if (f.Bytes.size() != 22u + 40 + 32 * 32 * 4 + 32 * 4) f.Bytes.assign(22 + 40 + 4096 + 128, 0);
    EXPECT_EQ(U16(f.Bytes, 2), type) << name;
    EXPECT_EQ(U16(f.Bytes, 4), 1u) << name;
    EXPECT_EQ(f.Bytes[6], 32);
    EXPECT_EQ(f.Bytes[7], 32);
    EXPECT_EQ(U32(f.Bytes, 18), 22u);
    EXPECT_EQ(U32(f.Bytes, 22), 40u);           // BITMAPINFOHEADER
    EXPECT_EQ(U32(f.Bytes, 22 + 8), 64u);       // colour bitmap and mask stacked
    EXPECT_EQ(U16(f.Bytes, 22 + 14), 32u);      // bits per pixel
    return f;
}

TEST(Pointers, RacePointerIsInvisible) {
    PointerFile f = ReadPointer("null.cur", 2);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            EXPECT_TRUE(f.Transparent(x, y));
            EXPECT_EQ(f.Pixel(x, y) >> 24, 0u);
        }
}

class TrafficLights : public testing::TestWithParam<std::pair<const char*, int>> {};

// Lamps top to bottom: red, yellow, green; only the named one is lit.
TEST_P(TrafficLights, OnlyTheNamedLampIsLit) {
    auto [name, lit] = GetParam();
    PointerFile f = ReadPointer(name, 1);
    EXPECT_TRUE(f.Transparent(0, 0));
    EXPECT_FALSE(f.Transparent(16, 16));
    for (int lamp = 0; lamp < 3; ++lamp) {
        std::uint32_t p = f.Pixel(17, 6 + 9 * lamp);
        int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF;
        bool bright = std::max(r, g) > 180;
        EXPECT_EQ(bright, lamp == lit) << name << " lamp " << lamp;
        if (lamp != lit) continue;
        if (lamp == 0) {
            EXPECT_GT(r, 2 * g);
        } else if (lamp == 1) {
            EXPECT_TRUE(r > 180 && g > 140);
        } else {
            EXPECT_GT(g, 2 * r);
        }
    }
}
// The window system takes each file as a pointer: nothing drawn for the race, a lamp
// housing about 15 x 30 for the menus.
TEST(Pointers, WindowSystemAcceptsEveryPointerFile) {
    FreshHeadless();
    Form* form = CreateForm("PointerTest");
    for (const char* name : {"null.cur", "Trffc10a.ico", "Trffc10b.ico", "Trffc10c.ico"}) {
        ASSERT_TRUE(SetMouseIcon(form, GamePath(std::string("\\resources\\") + name))) << name;
        int shown = 0;
        for (std::uint32_t m : form->PointerMask.Pixels) shown += m != 0;
        if (std::string(name) == "null.cur") {
            EXPECT_EQ(shown, 0);
        } else {
            EXPECT_GT(shown, 15 * 26) << name;
            EXPECT_LT(shown, 17 * 32) << name;
        }
    }
    DestroyForm(form);
}

INSTANTIATE_TEST_SUITE_P(Menus, TrafficLights,
                         testing::Values(std::make_pair("Trffc10a.ico", 2),
                                         std::make_pair("Trffc10b.ico", 1),
                                         std::make_pair("Trffc10c.ico", 0)));

// ---------------------------------------------------------------------------------
// Sounds

struct Wave {
    std::vector<std::uint8_t> Bytes;
    std::size_t Frames() const { return (Bytes.size() - 44) / 4; }
    int Left(std::size_t frame) const {
        return static_cast<std::int16_t>(U16(Bytes, 44 + 4 * frame));
    }
};

Wave ReadWave(const std::string& name) {
    Wave w{Bytes(GameDir() + "/soundfx/" + name)};
    EXPECT_GT(w.Bytes.size(), 44u) << name;
    if (w.Bytes.size() <= 44) w.Bytes.assign(48, 0);
    return w;
}

class WaveFiles : public testing::TestWithParam<const char*> {};

TEST_P(WaveFiles, IsStereoSixteenBitAt22050AndNeitherSilentNorClipped) {
    Wave w = ReadWave(GetParam());
    const auto& b = w.Bytes;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(U32(b, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U16(b, 20), 1u);           // PCM
    EXPECT_EQ(U16(b, 22), 2u);           // channels
    EXPECT_EQ(U32(b, 24), 22050u);
    EXPECT_EQ(U32(b, 28), 88200u);       // bytes per second
    EXPECT_EQ(U16(b, 32), 4u);           // block align
    EXPECT_EQ(U16(b, 34), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(U32(b, 40), b.size() - 44);
    int peak = 0;
    for (std::size_t i = 44; i + 1 < b.size(); i += 2)
        peak = std::max(peak, std::abs(static_cast<int>(static_cast<std::int16_t>(U16(b, i)))));
    EXPECT_GT(peak, 6000);   // audible
    EXPECT_LT(peak, 32000);  // headroom: no clipped samples
}
INSTANTIATE_TEST_SUITE_P(Soundfx, WaveFiles,
                         testing::Values("click01.wav", "click1.wav", "click2.wav",
                                         "click02.wav", "revup2.wav", "bigskid.wav",
                                         "ccrash.wav", "crash2.wav", "explode&burn.wav",
                                         "bell1.wav"));

// The firing rate of the engine around a play position, from the first strong
// self-similarity of the waveform (25..250 Hz).
double EngineHz(const Wave& w, std::size_t bytePosition) {
    std::size_t start = bytePosition / 4, window = 2048;
    std::vector<double> x(window);
    double mean = 0;
    for (std::size_t i = 0; i < window; ++i) mean += x[i] = w.Left(start + i);
    for (double& v : x) v -= mean / window;
    std::vector<double> c(900, 0);
    double best = 0;
    for (std::size_t lag = 88; lag < 882; ++lag) {
        for (std::size_t i = 0; i + lag < window; ++i) c[lag] += x[i] * x[i + lag];
        c[lag] /= static_cast<double>(window - lag);
        best = std::max(best, c[lag]);
    }
    for (std::size_t lag = 89; lag < 881; ++lag)
        if (c[lag] > 0.85 * best && c[lag] >= c[lag - 1] && c[lag] >= c[lag + 1])
            return 22050.0 / lag;
    return 0;
}

// The race plays the engine from byte 2000 (standing) to byte 110000 (speed 262 and up),
// so the note must climb across that whole stretch and the file must reach past it.
TEST(EngineSound, NoteRisesAcrossThePositionsTheRaceReads) {
    Wave w = ReadWave("revup2.wav");
    ASSERT_GT(w.Bytes.size() - 44, 110000u + 4 * 2048);
    EXPECT_GE(w.Frames(), static_cast<std::size_t>(2.5 * 22050));
    double previous = 0;
    for (std::size_t at : {2000, 20000, 42000, 63000, 84000, 110000}) {
        double hz = EngineHz(w, at);
        EXPECT_GT(hz, previous * 1.08) << "at byte " << at;
        previous = hz;
    }
    EXPECT_NEAR(EngineHz(w, 2000), 40, 10);   // idle
    EXPECT_GT(EngineHz(w, 110000), 100);
}

// ---------------------------------------------------------------------------------
// The generator as the build runs it

namespace {

int RunGenerator(const std::string& out) {
    std::string command = std::string("\"") + GG_BINARY_DIR + "/gg_assetgen\" --data \"" +
                          GG_SOURCE_DIR + "/data\" --out \"" + out + "\" > /dev/null";
    return std::system(command.c_str());
}

std::map<std::string, fs::file_time_type> Stamps(const fs::path& folder) {
    std::map<std::string, fs::file_time_type> stamps;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            stamps[fs::relative(entry.path(), folder).string()] = entry.last_write_time();
    return stamps;
}

}  // namespace

TEST(Generator, SameSourcesGiveIdenticalFilesAndRewriteNothing) {
    std::string first = TempFolder("assets-first"), second = TempFolder("assets-second");
    ASSERT_EQ(RunGenerator(first), 0);
    ASSERT_EQ(RunGenerator(second), 0);
    auto stamps = Stamps(first);
    EXPECT_GT(stamps.size(), 40u);
    for (const auto& [name, stamp] : stamps)
        EXPECT_EQ(Bytes(fs::path(first) / name), Bytes(fs::path(second) / name)) << name;

    ASSERT_EQ(RunGenerator(first), 0);
    EXPECT_EQ(Stamps(first), stamps) << "a rebuild rewrote unchanged files";
}

TEST(Generator, FreshCareerListIsNinetyBlanksAndACareerSurvivesRebuilds) {
    std::string out = TempFolder("assets-saves");
    ASSERT_EQ(RunGenerator(out), 0);
    fs::path list = fs::path(out) / "saves" / "saves.lst";
    EXPECT_EQ(ReadFileText(list.string()), std::string(90, ' '));

    std::string career = " Ann" + std::string(11, ' ') + std::string(75, ' ') + "\r\n";
    WriteFileText(list.string(), career);
    ASSERT_EQ(RunGenerator(out), 0);
    EXPECT_EQ(ReadFileText(list.string()), career);
}
