// The race sheets: every picture file lands at its place and size, and the game's own
// art gives masks that fit their pictures.
#include <gtest/gtest.h>

#include <filesystem>

#include "race/race.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Black = 0x000000;

Surface Plain(int w, int h, std::uint32_t colour) {
    Surface s;
    s.Resize(w, h, colour);
    return s;
}

// A folder of stand-in pictures: every file one plain colour of its own.
class Sheets : public testing::Test {
protected:
    std::string Folder;

    void SetUp() override {
        FreshHeadless();
        Folder = TempFolder("view_sheets");
        fs::create_directories(Folder + "/graphics");
        fs::create_directories(Folder + "/resources");
        SetAppPath(Folder);

        // The car file is 480 x 2000: frame f of column c starts at (160c, 100f).
        Surface cars = Plain(480, 2000, White);
        cars.FillRect(160 * 2, 100 * 7, 160, 100, 0x0000C0);  // computer car, frame 7
        cars.FillRect(160 * 1, 100 * 7, 160, 100, White);
        cars.FillRect(160 * 1 + 40, 100 * 7 + 30, 80, 40, 0x101010);
        Save("graphics/car256.bmp", cars);
        const char* suffix = "abcd";
        for (int f = 0; f < 4; ++f) {
            Surface smoke = Plain(200, 200, White);  // only (0, 0)-(100, 100) is used
            smoke.FillRect(0, 0, 100, 100, 0x404040 + f);
            Save(std::string("graphics/smoke1") + suffix[f] + ".bmp", smoke);
            Save(std::string("graphics/smask1") + suffix[f] + ".bmp", Plain(100, 100, White));
        }
        Save("graphics/carblip1.bmp", Plain(12, 9, 0x00FF00));
        Save("graphics/carblip2.bmp", Plain(3, 3, 0xFF0000));
        const char* banners[] = {"1place", "1plmask", "2place", "2plmask", "3place",
                                 "3plmask", "0place", "0plmsk"};
        for (int b = 0; b < 8; ++b)
            Save(std::string("graphics/") + banners[b] + ".bmp",
                 Plain(300, 100, b % 2 ? White : 0x200000u * (b + 1)));
        Save("graphics/pylon1.bmp", Plain(20, 20, 0xFFE000));  // smaller than its 25 x 25 cell
        Save("graphics/pylmsk.bmp", Plain(20, 20, White));
        Save("graphics/exp-1-256.bmp", Plain(1300, 75, 0xFF8000));
        Save("graphics/exp-1mask.bmp", Plain(1300, 75, White));
        Surface tiles = Plain(4400, 200, 0x406040);
        tiles.FillRect(200 * 3, 0, 200, 200, 0x777777);
        Save("resources/ral-set256.bmp", tiles);
    }

    void Save(const std::string& name, const Surface& picture) {
        SavePicture(picture, Folder + "/" + name);
    }
};

TEST_F(Sheets, CarFileIsDrawnAtHalfSize) {
    LoadRaceSheets();
    EXPECT_EQ(Pics.Width, 360);
    EXPECT_EQ(Pics.Height, 2000);
    // File (320, 700) is sheet (160, 350): the computer car's frame 7.
    EXPECT_EQ(Pics.Pixel(160, 350), 0x0000C0u);
    EXPECT_EQ(Pics.Pixel(239, 399), 0x0000C0u);
    EXPECT_EQ(Pics.Pixel(159, 350), White);
    EXPECT_EQ(Pics.Pixel(160, 400), White);
    // The mask's body, file (200..279, 730..769), is sheet (100..139, 365..384).
    EXPECT_EQ(Pics.Pixel(100, 365), 0x101010u);
    EXPECT_EQ(Pics.Pixel(139, 384), 0x101010u);
    EXPECT_EQ(Pics.Pixel(99, 365), White);
    EXPECT_EQ(Pics.Pixel(140, 384), White);
}

TEST_F(Sheets, SmallPicturesAreStretchedToTheirCells) {
    LoadRaceSheets();
    // Markers squeezed or blown up to 5 x 5 whatever their file size.
    EXPECT_EQ(AniPics.Pixel(0, 200), 0x00FF00u);
    EXPECT_EQ(AniPics.Pixel(4, 204), 0x00FF00u);
    EXPECT_EQ(AniPics.Pixel(5, 200), 0xFF0000u);
    EXPECT_EQ(AniPics.Pixel(9, 204), 0xFF0000u);
    EXPECT_EQ(AniPics.Pixel(10, 200), Black);
    // Smoke: only the file's top-left 100 x 100 is taken, shrunk to 30 x 30.
    EXPECT_EQ(AniPics.Pixel(329, 29), 0x404043u);
    EXPECT_EQ(AniPics.Pixel(330, 29), Black);
    // Banners: 300 x 100 files at 150 x 50; the 4th-and-lower one sits at row 505.
    EXPECT_EQ(AniPics.Pixel(149, 254), 0x200000u);
    EXPECT_EQ(AniPics.Pixel(150, 254), White);
    EXPECT_EQ(AniPics.Pixel(0, 505), 0xE00000u);
}

TEST_F(Sheets, PicturesSmallerThanTheirCellLeaveTheRestSeeThrough) {
    LoadRaceSheets();
    // The 20 x 20 pylon in its 25 x 25 cell: white beside the picture, black beside the mask.
    EXPECT_EQ(AniPics.Pixel(19, 424), 0xFFE000u);
    EXPECT_EQ(AniPics.Pixel(22, 427), White);
    EXPECT_EQ(AniPics.Pixel(44, 424), White);
    EXPECT_EQ(AniPics.Pixel(47, 427), Black);
    // The explosion strip is 1300 x 75: the last frame drawn, x 1136..1210, runs off it.
    EXPECT_EQ(ExplosionPics.Pixel(1299, 74), 0xFF8000u);
    EXPECT_EQ(ExplosionPics.Pixel(1300, 74), White);
    EXPECT_EQ(ExplosionMask.Pixel(1300, 74), Black);
    EXPECT_EQ(ExplosionMask.Pixel(0, 75), Black);
    EXPECT_EQ(MapPic.Pixel(600, 0), 0x777777u);
}

TEST_F(Sheets, MissingPictureNamesTheFile) {
    fs::remove(Folder + "/graphics/3plmask.bmp");
    try {
        LoadRaceSheets();
        FAIL() << "loading went on without 3plmask.bmp";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("3plmask.bmp"), std::string::npos)
            << error.what();
    }
}

// Wherever a mask is black its picture must be white, or the masked draw would stain the
// ground beside the sprite.
int StainedPixels(const Surface& pictures, int px, int py, const Surface& masks, int mx, int my,
                  int w, int h) {
    int stained = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (masks.Pixel(mx + x, my + y) == Black && pictures.Pixel(px + x, py + y) != White)
                ++stained;
    return stained;
}

TEST(GameArt, EveryMaskFitsItsPicture) {
    FreshHeadless();
    if (!fs::exists(GameDir() + "/graphics/car256.bmp")) GTEST_SKIP() << "art not built";
    LoadRaceSheets();
    for (int frame = 0; frame < 20; ++frame) {
        EXPECT_EQ(StainedPixels(Pics, 0, 50 * frame, Pics, 80, 50 * frame, 80, 50), 0) << frame;
        EXPECT_EQ(StainedPixels(Pics, 160, 50 * frame, Pics, 80, 50 * frame, 80, 50), 0)
            << frame;
    }
    for (int row : {205, 255, 305, 505})
        EXPECT_EQ(StainedPixels(AniPics, 0, row, AniPics, 150, row, 150, 50), 0) << row;
    EXPECT_EQ(StainedPixels(AniPics, 0, 405, AniPics, 25, 405, 25, 25), 0);
    for (int f = 0; f < 4; ++f)
        EXPECT_EQ(StainedPixels(AniPics, 100 * f, 0, AniPics, 100 * f, 100, 30, 30), 0) << f;
    for (int x = 0; x <= 1136; x += 71)
        EXPECT_EQ(StainedPixels(ExplosionPics, x, 0, ExplosionMask, x, 0, 75, 75), 0) << x;
}

}  // namespace
