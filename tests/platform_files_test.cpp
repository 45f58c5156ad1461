// Bitmap files, the game's file names, and how files are read and written safely.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>

#include "platform/platform.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Each value as a little-endian field of the given width.
template <typename... V>
void Put(Bytes& b, int bytes, V... values) {
    for (std::uint32_t v : {static_cast<std::uint32_t>(values)...})
        for (int i = 0; i < bytes; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// A bitmap file built by hand: file header, 40-byte info header, palette, rows as given.
Bytes Bitmap(int w, int h, int bits, const std::vector<std::uint32_t>& palette, const Bytes& rows,
             std::uint32_t compression = 0, const std::vector<std::uint32_t>& masks = {}) {
    Bytes b = {'B', 'M'};
    std::size_t offset = 14 + 40 + 4 * (palette.size() + masks.size());
    Put(b, 4, offset + rows.size(), 0, offset, 40, w, h);
    Put(b, 2, 1, bits);
    Put(b, 4, compression, rows.size(), 0, 0, palette.size(), 0);
    for (auto v : masks) Put(b, 4, v);
    for (auto v : palette) Put(b, 4, v);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

std::string Write(const std::string& folder, const std::string& name, const Bytes& bytes) {
    WriteFileText(folder + "/" + name, {bytes.begin(), bytes.end()});  // bytes kept exactly
    return folder + "/" + name;
}

// The message a refused file operation gives, or "(no error)".
std::string Refusal(const std::function<void()>& action) try {
    return action(), "(no error)";
} catch (const FileError& e) {
    return e.what();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Pictures, TwentyFourBitSaveThenLoadGivesBackEveryPixel) {
    // Width 5 makes each row 15 bytes padded to 16, so padding mistakes show.
    std::string path = TempFolder("bmp-roundtrip") + "/pic.bmp";
    Surface s;
    s.Resize(5, 3);
    for (int i = 0; i < 15; ++i) s.Pixels[i] = 0x010203u * (i + 1) ^ (i << 20);
    SavePicture(s, path);
    EXPECT_EQ(std::pair(LoadPicture(path).Pixels, std::filesystem::file_size(path)), std::pair(s.Pixels, 54ul + 16 * 3));
}

TEST(Pictures, EveryDepthDecodesInRowAndBitOrder) {
    using Pixels = std::vector<std::uint32_t>;
    const std::uint32_t W = 0xFFFFFF;
    Pixels grey;
    for (std::uint32_t i = 0; i < 16; ++i) grey.push_back(0x111111u * i);
    for (const auto& [name, file, expected] : {
             // Bottom row stored first; width 3 pads each row to 4 bytes.
             std::tuple{"8bit", Bitmap(3, 2, 8, {0, 0xFF0000, 0x00FF00, 0x123456}, {3, 2, 1, 9, 0, 1, 2, 9}),
                        Pixels{0, 0xFF0000, 0x00FF00, 0x123456, 0x00FF00, 0xFF0000}},
             {"4bit", Bitmap(3, 1, 4, grey, {0xA3, 0xF0, 0, 0}), {0xAAAAAA, 0x333333, W}},
             {"1bit", Bitmap(9, 1, 1, {0, W}, {0xB0, 0x80, 0, 0}), {W, 0, W, W, 0, 0, 0, 0, W}},
             // Negative height: the first stored row is the top; BGRA bytes, alpha ignored.
             {"32bit", Bitmap(1, -2, 32, {}, {0x10, 0x20, 0x30, 0xFF, 1, 2, 3, 0x80}), {0x302010, 0x030201}},
             // Bit fields with red in the low byte: 0x00BBGGRR words.
             {"32bitFields", Bitmap(1, 1, 32, {}, {0x11, 0x22, 0x33, 0}, 3, {0xFF, 0xFF00, 0xFF0000}),
              {0x112233}}})
        EXPECT_EQ(LoadPicture(Write(TempFolder("bmp-depths"), name, file)).Pixels, expected) << name;
}

TEST(Pictures, UnusableFilesThrowNamingTheFileAndTheProblem) {
    std::string folder = TempFolder("bmp-bad");
    Bytes good = Bitmap(2, 2, 24, {}, Bytes(16, 0x40)), notBmp = good, badDepth = good;
    notBmp[0] = 'X';
    badDepth[28] = 7;
    for (const auto& [name, bytes, problem] :
         {std::tuple{"short.bmp", Bytes(good.begin(), good.end() - 3), "short"},
          {"header.bmp", Bytes(good.begin(), good.begin() + 20), "too short"}, {"empty.bmp", Bytes{}, "too short"},
          {"text.bmp", notBmp, "not a Windows bitmap"}, {"rle.bmp", Bitmap(2, 2, 8, {0}, Bytes(8, 0), 1), "compressed"},
          {"depth.bmp", badDepth, "7 bits"},
          // Found by fuzzing: a top-down height that has no positive twin in 32 bits.
          {"min-height.bmp", Bitmap(1, INT32_MIN, 24, {}, Bytes(4, 0)), "not a picture size"},
          // 32768 x 32768 at one bit: the header alone would have cost 4 GB of pixels.
          {"huge.bmp", Bitmap(32768, 32768, 1, {0, 0xFFFFFF}, Bytes(64, 0)), "not a picture size"},
          {"large.bmp", Bitmap(4000, 4000, 1, {0, 0xFFFFFF}, Bytes(500 * 4000, 0)), "more than"}}) {
        std::string path = Write(folder, name, bytes), what = Refusal([&] { LoadPicture(path); });
        EXPECT_TRUE(what.find(path) != what.npos && what.find(problem) != what.npos) << what;
    }
    // A picture larger than what it is drawn in is refused, naming both sizes.
    EXPECT_NE(Refusal([&] { LoadPicture(Write(folder, "wide.bmp", good), 1, 2); })
                  .find("2 x 2 pixels, larger than the 1 x 2"), std::string::npos);
    EXPECT_THROW(SavePicture(Surface{}, folder + "/no/such/folder.bmp"), FileError);
}

// A name from a player (a driver's name, later a career file) must not reach outside the
// game's folders, whichever separator it uses.
TEST(Files, GamePathFindsEachNameWhateverItsCaseAndNeverLeavesTheGamesFolder) {
    std::string folder = TempFolder("gamepath");
    MakeFolder(folder + "/soundfx");
    MakeFolder(folder + "/Graphics/Cars");
    WriteFileText(folder + "/soundfx/revup2.wav", "x");
    WriteFileText(folder + "/Graphics/Cars/Car256.BMP", "y");
    SetAppPath(folder);
    // A file about to be created keeps the spelling it was given, in the folder found.
    for (auto [name, path] : {std::pair{"\\Soundfx\\REVUP2.wav", "/soundfx/revup2.wav"},
                              {"\\graphics\\cars\\car256.bmp", "/Graphics/Cars/Car256.BMP"},
                              {"\\SOUNDFX\\New.sav", "/soundfx/New.sav"}, {"\\saves\\saves.lst", "/saves/saves.lst"},
                              {"\\saves\\.\\a..b.sav", "/saves/a..b.sav"}})
        EXPECT_EQ(GamePath(name), folder + path);
    for (const char* name : {"\\saves\\..\\..\\x.sav", "\\saves\\../x.sav", "/../etc/passwd", ".."})
        EXPECT_NE(Refusal([&] { GamePath(name); }).find("leads outside"), std::string::npos) << name;
}

// Each refusal names the file and the reason, and none waits: a pipe with no writer, a
// device that never ends and a folder are all turned down before a byte is read.
TEST(Files, TextFilesRoundTripBytesExactlyAndOnlySmallRegularFilesAreUsed) {
    std::string folder = TempFolder("textfiles");
    std::string text = std::string("Name      \r\n") + '\0' + "\x7F\xFF end";
    WriteFileText(folder + "/a.sav", text);
    EXPECT_EQ(ReadFileText(folder + "/a.sav"), text);
    WriteFileText(folder + "/a.sav", "ab");  // rewriting truncates
    EXPECT_EQ(ReadFileText(folder + "/a.sav"), "ab");

    WriteFileText(folder + "/big.ddt", std::string(101, 'x'));
    EXPECT_EQ(ReadFileChecked(folder + "/big.ddt", 101).size(), 101u);
    MakeFolder(folder + "/folder.ddt");
    ASSERT_EQ(::mkfifo((folder + "/pipe.ddt").c_str(), 0600), 0);
    const auto read = [](std::string path) { ReadFileChecked(path, 100, "course"); };
    const auto write = [](std::string path) { WriteFileText(path, "x"); };
    for (const auto& [path, action, reason] :
         {std::tuple{folder + "/missing.ddt", std::function(read), "The course %s cannot be read: it is missing"},
          {folder + "/folder.ddt", read, "The course %s cannot be read: it is a folder"},
          {folder + "/pipe.ddt", read, "The course %s cannot be read: it is not a regular file"},
          {std::string("/dev/zero"), read, "not a regular file"},
          {folder + "/big.ddt", read, "101 bytes long, more than the 100"},
          {folder + "/folder.ddt", write, "not a regular file"},
          {std::string("/dev/full"), write, "not a regular file"},
          {folder + "/no/such.sav", write, "folder is missing"}}) {
        std::string what = Refusal([&] { action(path); }), expected = reason;
        if (auto at = expected.find("%s"); at != expected.npos) expected.replace(at, 2, path);
        EXPECT_NE(what.find(expected), std::string::npos) << what;
        EXPECT_NE(what.find(path), std::string::npos) << what;
    }
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"a.sav", "big.ddt", "folder.ddt", "pipe.ddt"}));
}

// A write that fails part-way (here the file-size limit, as a full disk would) leaves the
// old file as it was and no temporary file behind; a good write replaces it whole.
TEST(Files, WriterKeepsTheOldFileWholeWhenAWriteFails) {
    std::string folder = TempFolder("writer");
    std::string path = folder + "/career.sav";
    WriteFileText(path, "old career");
    std::string big(64 * 1024, 'n');
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{4096, saved.rlim_max};
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::string what = Refusal([&] { WriteFileAtomic(path, big.data(), big.size(), "career"); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(what.find("The career " + path + " cannot be written: "), std::string::npos) << what;
    EXPECT_EQ(ReadFileText(path), "old career");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"career.sav"});
    WriteFileAtomic(path, big.data(), big.size());
    EXPECT_EQ(ReadFileText(path, big.size()), big);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"career.sav"});
}

// A message quotes at most 80 characters of what it was given, and no byte of it that a
// terminal would act on: controls (C1 ones too) and what is not text come as \xNN.
TEST(Messages, QuotedInputIsShortAndPrintable) {
    for (const auto& [input, quoted] : std::initializer_list<std::pair<std::string, std::string>>{
             {"Ann", "Ann"},
             {"Jos\xc3\xa9", "Jos\xc3\xa9"},
             {"\x1b[2Jtab\there\x7f", "\\x1b[2Jtab\\x09here\\x7f"},
             {"csi\xc2\x9b" "2J", "csi\\xc2\\x9b" "2J"},
             {"cut\xc3", "cut\\xc3"},
             {"\xff\xfe", "\\xff\\xfe"},
             {std::string(80, 'k'), std::string(80, 'k')},
             {std::string(900000, 'k'), std::string(80, 'k') + "..."},
             {std::string(79, 'k') + "\xc3\xa9\xc3\xa9", std::string(79, 'k') + "\xc3\xa9..."}})
        EXPECT_EQ(QuoteInput(input), quoted) << input.substr(0, 90);
    EXPECT_EQ(PrintableText(std::string(100, 'p') + "\n"), std::string(100, 'p') + "\\x0a");
    EXPECT_EQ(PrintableText(std::string(130000, 'p')), std::string(4096, 'p') + "...");
}
