// The generated pictures, pointers, sounds and career list, read back as the game reads
// them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
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

constexpr std::uint32_t White = 0xFFFFFF;

Surface Picture(const std::string& name) { return LoadPicture(GameDir() + "/graphics/" + name); }

std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

unsigned U16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

}  // namespace

// car256.bmp's columns: player, shared mask, opponent; rivals.bmp: the eight computer cars.
// Twenty 160 x 100 frames (twice race size). The player is yellow, the plain opponent blue,
// and the average colour of each rival's first frame lies well away from every other's and
// from the player's. How the masks fit is checked on the sheets the race loads.
TEST(CarSheet, PlayerIsYellowTheOpponentBlueAndEveryRivalHasAColourOfItsOwn) {
    Surface cars = Picture("car256.bmp"), rivals = Picture("rivals.bmp");
    ASSERT_EQ(cars.Width * 10000 + cars.Height, 480 * 10000 + 2000);
    ASSERT_EQ(rivals.Width * 10000 + rivals.Height, 8 * 160 * 10000 + 2000);
    auto average = [](const Surface& s, int column) {
        long sum[3] = {0, 0, 0}, n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x)
                if (std::uint32_t p = s.Pixel(column * 160 + x, y); p != White && p != 0x1C1E1C) {
                    for (int c = 0; c < 3; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
                    ++n;
                }
        return std::array<long, 3>{sum[0] / n, sum[1] / n, sum[2] / n};  // blue, green, red
    };
    std::array<long, 3> player = average(cars, 0), opponent = average(cars, 2);
    EXPECT_GT(player[2], 2 * player[0]);
    EXPECT_GT(opponent[0], 2 * opponent[2]);
    std::vector<std::array<long, 3>> colours = {player};
    for (int k = 0; k < 8; ++k) colours.push_back(average(rivals, k));
    for (size_t a = 0; a < colours.size(); ++a)
        for (size_t b = a + 1; b < colours.size(); ++b) {
            long d = 0;
            for (int c = 0; c < 3; ++c) d += std::abs(colours[a][c] - colours[b][c]);
            EXPECT_GT(d, 60) << "columns " << a << " and " << b << " (0 the player)";
        }
}

// The bluish windscreen sits ahead of the cell centre, so it shows the way the nose
// points; the body's mask is long along the heading and centred in the cell; the shadow
// falls south-east of the car whichever way it points, short, not cut off by the cell.
TEST(CarSheet, NoseOutlineAndShadowFollowTheHeading) {
    Surface cars = Picture("car256.bmp");
    for (auto [frame, dx, dy] : {std::tuple{0, 0, -1}, {5, 1, 0}, {10, 0, 1}, {15, -1, 0}}) {
        double sx = 0, sy = 0, shadeX = 0, shadeY = 0;
        int n = 0, shaded = 0, left = 160, right = -1, top = 100, bottom = -1;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) {
                std::uint32_t p = cars.Pixel(x, 100 * frame + y);
                if (p != White && int(p & 0xFF) > int(p >> 16) + 40) sx += x - 80, sy += y - 50, ++n;
                if (p == 0x1C1E1C) {
                    shadeX += x - 80, shadeY += y - 50, ++shaded;
                    EXPECT_TRUE(x < 158 && y < 98) << "shade at " << x << "," << y;
                } else if (cars.Pixel(160 + x, 100 * frame + y) == White) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            }
        SCOPED_TRACE("frame " + std::to_string(frame));
        ASSERT_TRUE(n > 40 && shaded > 100) << n << " glass, " << shaded << " shade";
        EXPECT_TRUE(shadeX / shaded > 3 && shadeY / shaded > 3);
        EXPECT_GT((sx * dx + sy * dy) / n, 5.0) << "glass centre " << sx / n << "," << sy / n;
        EXPECT_GT(dx ? right - left : bottom - top, (dx ? bottom - top : right - left) + 30);
        EXPECT_NEAR((left + right) / 2.0, 79.5, 2.5);
        EXPECT_NEAR((top + bottom) / 2.0, 49.5, 2.5);
    }
}

// Menu pointers are traffic lights, lamps top to bottom red, yellow, green, only the named
// one lit, in a housing about 15 x 30; the race's pointer (lamp -1) draws nothing.
TEST(Resources, WindowSystemTakesEachPointerAndShowsOnlyTheNamedLamp) {
    FreshHeadless();
    for (auto [name, lit] :
         {std::pair{"null.cur", -1}, {"Trffc10a.ico", 2}, {"Trffc10b.ico", 1}, {"Trffc10c.ico", 0}}) {
        Form* form = CreateForm("PointerTest");
        ASSERT_TRUE(SetMouseIcon(form, GamePath(std::string("\\resources\\") + name))) << name;
        int shown = 0;
        for (std::uint32_t m : form->PointerMask.Pixels) shown += m != 0;
        EXPECT_TRUE(lit < 0 ? shown == 0 : shown >= 15 * 26 && shown <= 17 * 32) << name << ": " << shown;
        for (int lamp = 0; lamp < 3 && lit >= 0; ++lamp) {
            std::uint32_t p = form->PointerImage.Pixel(17, 6 + 9 * lamp);
            int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF;
            EXPECT_EQ(std::max(r, g) > 180, lamp == lit) << name << " lamp " << lamp;
            if (lamp == lit) { EXPECT_TRUE(lit == 0 ? r > 2 * g : lit == 1 ? r > 180 && g > 140 : g > 2 * r) << name; }
        }
        DestroyForm(form);
    }
}

// ---------------------------------------------------------------------------------
// Sounds

std::vector<std::uint8_t> Wave(const std::string& name) { return Bytes(GameDir() + "/soundfx/" + name); }
int Sample(const std::vector<std::uint8_t>& wave, std::size_t at) {
    return static_cast<std::int16_t>(U16(wave, at));
}

TEST(Soundfx, EveryWaveIsStereoSixteenBitAt22050AndNeitherSilentNorClipped) {
    for (const char* name : {"click01.wav", "click1.wav", "click2.wav", "click02.wav", "revup2.wav", "bigskid.wav",
                             "ccrash.wav", "crash2.wav", "explode&burn.wav", "bell1.wav"}) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> b = Wave(name);
        ASSERT_GT(b.size(), 44u);
        auto text = [&](int at, int n) { return std::string(b.begin() + at, b.begin() + at + n); };
        EXPECT_EQ(text(0, 4) + text(8, 8) + text(36, 4), "RIFFWAVEfmt data");
        EXPECT_EQ(U32(b, 4), b.size() - 8);
        EXPECT_EQ(U32(b, 40), b.size() - 44);
        EXPECT_EQ(U16(b, 20) * 1000 + U16(b, 22), 1002u);  // PCM, two channels
        EXPECT_EQ(U32(b, 24), 22050u);
        EXPECT_EQ(U16(b, 34), 16u);
        int peak = 0;
        for (std::size_t i = 44; i + 1 < b.size(); i += 2) peak = std::max(peak, std::abs(Sample(b, i)));
        EXPECT_GT(peak, 4000);   // audible; the engine is the quietest, as nine of it play at once
        EXPECT_LT(peak, 32000);  // headroom: no clipped samples
    }
}

// The engine's firing rate at a play position, from the first strong self-similarity of
// the waveform (25..250 Hz).
double EngineHz(const std::vector<std::uint8_t>& wave, std::size_t bytePosition) {
    std::size_t start = bytePosition / 4, window = 2048;
    std::vector<double> x(window), c(900, 0);
    double mean = 0, best = 0;
    for (std::size_t i = 0; i < window; ++i) mean += x[i] = Sample(wave, 44 + 4 * (start + i));
    for (double& v : x) v -= mean / window;
    for (std::size_t lag = 88; lag < 882; ++lag) {
        for (std::size_t i = 0; i + lag < window; ++i) c[lag] += x[i] * x[i + lag];
        c[lag] /= static_cast<double>(window - lag);
        best = std::max(best, c[lag]);
    }
    for (std::size_t lag = 89; lag < 881; ++lag)
        if (c[lag] > 0.85 * best && c[lag] >= c[lag - 1] && c[lag] >= c[lag + 1]) return 22050.0 / lag;
    return 0;
}

// The race plays the engine from byte 2000 (standing) to byte 110000 (speed 262 and up),
// so the note must climb across that whole stretch and the file must reach past it.
TEST(EngineSound, NoteRisesAcrossThePositionsTheRaceReads) {
    std::vector<std::uint8_t> w = Wave("revup2.wav");
    ASSERT_GT(w.size() - 44, 110000u + 4 * 2048);
    double previous = 0;
    for (std::size_t at : {2000, 20000, 42000, 63000, 84000, 110000}) {
        double hz = EngineHz(w, at);
        EXPECT_GT(hz, previous * 1.08) << "at byte " << at;
        previous = hz;
    }
    EXPECT_NEAR(EngineHz(w, 2000), 40, 10);  // idle
    EXPECT_GT(previous, 100);
}

// ---------------------------------------------------------------------------------
// The generator as the build runs it

// The generator on a data folder; what it said on stderr lands in `said`.
int RunGenerator(const std::string& data, const std::string& out, std::string& said,
                 const std::string& extra = "") {
    std::string command = std::string("\"") + GG_BINARY_DIR + "/gg_assetgen\" --data \"" + data + "\" --out \"" +
                          out + "\" " + extra + " > /dev/null 2> \"" + out + ".said\"";
    int status = std::system(command.c_str());
    said = ReadFileText(out + ".said");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, fs::file_time_type> Stamps(const fs::path& folder) {
    std::map<std::string, fs::file_time_type> stamps;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) stamps[fs::relative(entry.path(), folder).string()] = entry.last_write_time();
    return stamps;
}

// 64-bit FNV-1a: enough to tell two versions of a generated file apart.
std::string Digest(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// The art, sounds, courses and the sprite contact sheet come out byte for byte as
// tests/data/generated.tsv has them, so a slip in the drawing (a pixel off, a rounding
// dropped) shows even where no other test looks. After changing the art on purpose, run
// this test with GG_WRITE_DIGESTS=1 to write the table again, and look at what changed.
// A rebuild then rewrites nothing, and leaves the careers a player saved in the fresh list
// (ninety blanks) alone.
TEST(Generator, DrawsTheCommittedFilesAndARebuildRewritesNothing) {
    std::string out = TempFolder("assets"), said, data = std::string(GG_SOURCE_DIR) + "/data";
    ASSERT_EQ(RunGenerator(data, out, said, "--contact \"" + out + "/contact.png\""), 0) << said;
    std::string table, committed = std::string(GG_SOURCE_DIR) + "/tests/data/generated.tsv";
    for (const auto& [name, stamp] : Stamps(out)) table += name + "\t" + Digest(Bytes(fs::path(out) / name)) + "\n";
    if (std::getenv("GG_WRITE_DIGESTS")) WriteFileText(committed, table);
    EXPECT_EQ(table, ReadFileText(committed)) << "the generator's files differ from " << committed;
    fs::remove(out + "/contact.png");
    std::string list = out + "/saves/saves.lst", career = " Ann" + std::string(86, ' ') + "\r\n";
    EXPECT_EQ(ReadFileText(list), std::string(90, ' '));
    WriteFileText(list, career);
    auto stamps = Stamps(out);
    ASSERT_EQ(RunGenerator(data, out, said), 0) << said;
    EXPECT_EQ(Stamps(out), stamps) << "a rebuild rewrote unchanged files";
    EXPECT_EQ(ReadFileText(list), career);
}

TEST(Generator, ReadsLayoutsWithEitherLineEndingAndNamesOneItCannotRead) {
    std::string folder = TempFolder("assets-layouts"), out = folder + "/out", said;
    fs::copy(std::string(GG_SOURCE_DIR) + "/data", folder + "/data", fs::copy_options::recursive);
    std::string layout = folder + "/data/courses/course03.txt";
    std::string text = ReadFileText(layout), crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteFileText(layout, crlf);
    ASSERT_EQ(RunGenerator(folder + "/data", out, said), 0) << said;
    EXPECT_EQ(Bytes(out + "/resources/Map3.ddt"), Bytes(GameDir() + "/resources/Map3.ddt"));
    // A folder in its place; 70,000 bytes where 51 rows of 51 tiles take about 3,000.
    fs::remove(layout);
    fs::create_directory(layout);
    EXPECT_EQ(RunGenerator(folder + "/data", out, said), 1);
    EXPECT_NE(said.find(layout + " cannot be read: it is a folder"), std::string::npos) << said;
    fs::remove(layout);
    WriteFileText(layout, std::string(70000, '.'));
    EXPECT_EQ(RunGenerator(folder + "/data", out, said), 1);
    EXPECT_NE(said.find(layout + " cannot be read: it is 70000 bytes long"), std::string::npos) << said;
}
