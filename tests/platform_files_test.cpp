// Bitmap files and the game's file names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "test_support.h"

namespace {

void Put16(std::vector<unsigned char>& b, std::uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<unsigned char>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A bitmap file built by hand: file header, 40-byte info header, palette, rows as given.
std::vector<unsigned char> Bitmap(int w, int h, int bits, const std::vector<std::uint32_t>& palette,
                                  const std::vector<unsigned char>& rows,
                                  std::uint32_t compression = 0,
                                  const std::vector<std::uint32_t>& masks = {}) {
    std::vector<unsigned char> b = {'B', 'M'};
    std::uint32_t offset = 14 + 40 + 4 * (palette.size() + masks.size());
    Put32(b, offset + rows.size());
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, w);
    Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, rows.size());
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, palette.size());
    Put32(b, 0);
    for (auto m : masks) Put32(b, m);
    for (auto p : palette) Put32(b, p);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

std::string Write(const std::string& folder, const std::string& name,
                  const std::vector<unsigned char>& bytes) {
    std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

}  // namespace

TEST(Files, AppPathStartsAsTheProgramsFolder) {
    // Runs first: later tests point the data folder elsewhere.
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(AppPath(), exe.parent_path().string());
}

TEST(Pictures, TwentyFourBitSaveThenLoadGivesBackEveryPixel) {
    // Width 5 makes each row 15 bytes padded to 16, so padding mistakes show.
    std::string folder = TempFolder("bmp-roundtrip");
    Surface s;
    s.Resize(5, 3);
    for (int i = 0; i < 15; ++i) s.Pixels[i] = 0x010203u * (i + 1) ^ (i << 20);
    SavePicture(s, folder + "/pic.bmp");
    Surface back = LoadPicture(folder + "/pic.bmp");
    EXPECT_EQ(back.Width, 5);
    EXPECT_EQ(back.Height, 3);
    EXPECT_EQ(back.Pixels, s.Pixels);
    EXPECT_EQ(std::filesystem::file_size(folder + "/pic.bmp"), 54u + 16 * 3);
}

TEST(Pictures, EightBitBottomUpRowsLookUpThePalette) {
    // Rows are stored bottom row first; width 3 pads each row to 4 bytes.
    std::string folder = TempFolder("bmp-8bit");
    std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x123456};
    std::vector<unsigned char> rows = {3, 2, 1, 0xEE,  // bottom row
                                       0, 1, 2, 0xEE};  // top row
    Surface s = LoadPicture(Write(folder, "p8.bmp", Bitmap(3, 2, 8, palette, rows)));
    EXPECT_EQ(s.Pixels, (std::vector<std::uint32_t>{0x000000, 0xFF0000, 0x00FF00,  //
                                                    0x123456, 0x00FF00, 0xFF0000}));
}

TEST(Pictures, FourAndOneBitPixelsReadHighBitsFirst) {
    std::string folder = TempFolder("bmp-low-depth");
    std::vector<std::uint32_t> palette(16, 0);
    for (int i = 0; i < 16; ++i) palette[i] = 0x111111u * i;
    // Nibbles 0xA, 0x3, 0xF in one row of 3 pixels.
    Surface four = LoadPicture(Write(folder, "p4.bmp", Bitmap(3, 1, 4, palette, {0xA3, 0xF0, 0, 0})));
    EXPECT_EQ(four.Pixels, (std::vector<std::uint32_t>{0xAAAAAA, 0x333333, 0xFFFFFF}));
    // Bits 1,0,1,1,0,0,0,0,1 across 9 pixels; a 2-colour table of black and white.
    Surface one = LoadPicture(
        Write(folder, "p1.bmp", Bitmap(9, 1, 1, {0x000000, 0xFFFFFF}, {0xB0, 0x80, 0, 0})));
    std::vector<std::uint32_t> expected;
    for (int bit : {1, 0, 1, 1, 0, 0, 0, 0, 1}) expected.push_back(bit ? 0xFFFFFF : 0);
    EXPECT_EQ(one.Pixels, expected);
}

TEST(Pictures, ThirtyTwoBitTopDownIgnoresAlphaAndHonoursMasks) {
    std::string folder = TempFolder("bmp-32bit");
    // Negative height: first stored row is the top. BGRA bytes.
    std::vector<unsigned char> rows = {0x10, 0x20, 0x30, 0xFF, 0x01, 0x02, 0x03, 0x80};
    Surface s = LoadPicture(Write(folder, "p32.bmp", Bitmap(1, -2, 32, {}, rows)));
    EXPECT_EQ(s.Pixels, (std::vector<std::uint32_t>{0x302010, 0x030201}));
    // Bit fields with red in the low byte: 0x00BBGGRR words.
    Surface m = LoadPicture(Write(folder, "p32m.bmp",
                                  Bitmap(1, 1, 32, {}, {0x11, 0x22, 0x33, 0x00}, 3,
                                         {0x000000FF, 0x0000FF00, 0x00FF0000})));
    EXPECT_EQ(m.Pixels, (std::vector<std::uint32_t>{0x112233}));
}

TEST(Pictures, UnusableFilesThrowNamingTheFileAndTheProblem) {
    std::string folder = TempFolder("bmp-bad");
    auto good = Bitmap(2, 2, 24, {}, std::vector<unsigned char>(16, 0x40));
    auto shortRows = good;
    shortRows.resize(shortRows.size() - 3);
    auto notBmp = good;
    notBmp[0] = 'X';
    auto rle = Bitmap(2, 2, 8, {0}, std::vector<unsigned char>(8, 0), 1);
    auto badDepth = Bitmap(2, 2, 24, {}, std::vector<unsigned char>(16, 0));
    badDepth[28] = 7;
    struct Case {
        std::string Name;
        std::vector<unsigned char> Bytes;
        std::string Problem;
    };
    for (const Case& c : {Case{"short.bmp", shortRows, "short"},
                          Case{"header.bmp", std::vector<unsigned char>(good.begin(), good.begin() + 20), "too short"},
                          Case{"empty.bmp", {}, "too short"},
                          Case{"text.bmp", notBmp, "not a Windows bitmap"},
                          Case{"rle.bmp", rle, "compressed"},
                          Case{"depth.bmp", badDepth, "7 bits"}}) {
        std::string path = Write(folder, c.Name, c.Bytes);
        try {
            LoadPicture(path);
            ADD_FAILURE() << c.Name << " loaded";
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.Problem), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(LoadPicture(folder + "/missing.bmp"), FileError);
    EXPECT_THROW(SavePicture(Surface{}, folder + "/no/such/folder.bmp"), FileError);
}

TEST(Files, GamePathFindsEachNameWhateverItsCase) {
    std::string folder = TempFolder("gamepath");
    MakeFolder(folder + "/soundfx");
    MakeFolder(folder + "/Graphics/Cars");
    WriteFileText(folder + "/soundfx/revup2.wav", "x");
    WriteFileText(folder + "/Graphics/Cars/Car256.BMP", "y");
    SetAppPath(folder);
    EXPECT_EQ(GamePath("\\Soundfx\\REVUP2.wav"), folder + "/soundfx/revup2.wav");
    EXPECT_EQ(GamePath("\\graphics\\cars\\car256.bmp"), folder + "/Graphics/Cars/Car256.BMP");
    EXPECT_EQ(ReadFileText(GamePath("\\GRAPHICS\\CARS\\CAR256.bmp")), "y");
    // A file about to be created keeps the spelling it was given, in the folder found.
    EXPECT_EQ(GamePath("\\SOUNDFX\\New.sav"), folder + "/soundfx/New.sav");
    EXPECT_EQ(GamePath("\\saves\\saves.lst"), folder + "/saves/saves.lst");
}

TEST(Files, TextFilesRoundTripBytesExactly) {
    std::string folder = TempFolder("textfiles");
    std::string text = std::string("Name      \r\n") + '\0' + "\x7F\xFF end";
    WriteFileText(folder + "/a.sav", text);
    EXPECT_TRUE(FileExists(folder + "/a.sav"));
    EXPECT_EQ(ReadFileText(folder + "/a.sav"), text);
    WriteFileText(folder + "/a.sav", "ab");  // rewriting truncates
    EXPECT_EQ(ReadFileText(folder + "/a.sav"), "ab");
    EXPECT_FALSE(FileExists(folder + "/b.sav"));
    EXPECT_THROW(ReadFileText(folder + "/b.sav"), FileError);
    EXPECT_THROW(WriteFileText(folder + "/none/b.sav", "x"), FileError);
}
