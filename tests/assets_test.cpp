// The generated pictures, pointers, sounds and career list, read back as the game reads
// them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

unsigned U16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

}  // namespace

// The drawings themselves are pinned by the generator's digests; what the window system and
// the sound loader must accept is not. The race's pointer (null.cur) hides the pointer.
TEST(Resources, WindowSystemTakesEachPointerAndTheRaceOneShowsNothing) {
    FreshHeadless();
    for (auto [name, hidden] : {std::pair{"null.cur", true}, {"Trffc10a.ico", false}, {"Trffc10b.ico", false},
                                {"Trffc10c.ico", false}}) {
        Form* form = CreateForm("PointerTest");
        ASSERT_TRUE(SetMouseIcon(form, GamePath(std::string("\\resources\\") + name))) << name;
        int shown = 0;
        for (std::uint32_t m : form->PointerMask.Pixels) shown += m != 0;
        EXPECT_EQ(shown == 0, hidden) << name << ": " << shown;
        DestroyForm(form);
    }
}

// Every wave is the one layout the sound loader reads; the race plays the engine up to byte
// 110000 (speed 262 and up), so that file must reach past it.
TEST(Soundfx, EveryWaveIsStereoSixteenBitAt22050AndTheEngineReachesTheTopSpeedsNote) {
    for (const char* name : {"click01.wav", "click1.wav", "click2.wav", "click02.wav", "revup2.wav", "bigskid.wav",
                             "ccrash.wav", "crash2.wav", "explode&burn.wav", "bell1.wav"}) {
        std::vector<std::uint8_t> b = Bytes(GameDir() + "/soundfx/" + name);
        ASSERT_GT(b.size(), 44u) << name;
        auto text = [&](int at, int n) { return std::string(b.begin() + at, b.begin() + at + n); };
        EXPECT_EQ(text(0, 4) + text(8, 8) + text(36, 4), "RIFFWAVEfmt data") << name;
        EXPECT_EQ(U32(b, 4) * 1000 + U32(b, 40), (b.size() - 8) * 1000 + b.size() - 44) << name;
        EXPECT_EQ(std::tuple(U16(b, 20), U16(b, 22), U32(b, 24), U16(b, 34)), std::tuple(1u, 2u, 22050u, 16u)) << name;
    }
    EXPECT_GT(Bytes(GameDir() + "/soundfx/revup2.wav").size(), 44u + 110000u);
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
    for (const auto& [name, stamp] : Stamps(out)) table += name + "\t" + FileDigest(out + "/" + name) + "\n";
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
