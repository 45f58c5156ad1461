// The race sheets: picture files land at their places and sizes, and the game's own art
// gives masks that fit their pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "race/race_internal.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t White = 0xFFFFFF, Black = 0;

void Save(const std::string& file, int w, int h, std::uint32_t colour) {
    Surface s;
    s.Resize(w, h, colour);
    if (file.ends_with("car256.bmp")) s.FillRect(320, 700, 160, 100, 0x0000C0);
    SavePicture(s, file);
}

// A missing picture stops the loading, naming the file.
TEST(Sheets, PicturesLandAtTheirPlacesAndSizesAndAMissingOneIsNamed) {
    FreshHeadless();
    // Stand-in pictures: every file white, the car file with one blue frame.
    std::string folder = TempFolder("view_sheets");
    for (const char* sub : {"/graphics", "/resources"}) fs::create_directories(folder + sub);
    for (const char* name : {"smoke1a", "smoke1b", "smoke1c", "smoke1d", "smask1a", "smask1b", "smask1c", "smask1d",
                             "1place", "1plmask", "2place", "2plmask", "3place", "3plmask", "0place", "0plmsk",
                             "pylmsk", "exp-1mask"})
        Save(folder + "/graphics/" + name + ".bmp", 100, 100, White);
    Save(folder + "/graphics/car256.bmp", 480, 2000, White);
    Save(folder + "/graphics/carblip1.bmp", 12, 9, 0x00FF00);
    Save(folder + "/graphics/carblip2.bmp", 3, 3, 0xFF0000);
    Save(folder + "/graphics/pylon1.bmp", 20, 20, 0xFFE000);  // smaller than its 25 x 25 cell
    Save(folder + "/graphics/exp-1-256.bmp", 1300, 75, 0xFF8000);
    Save(folder + "/resources/ral-set256.bmp", 4400, 200, 0x406040);
    SetAppPath(folder);
    LoadRaceSheets();
    // File (320..479, 700..799), the computer car's frame 7, is sheet (160..239, 350..399).
    EXPECT_EQ(std::pair(Pics.Pixel(160, 350), Pics.Pixel(239, 399)), std::pair(0x0000C0u, 0x0000C0u));
    EXPECT_EQ(Pics.Pixel(159, 350) & Pics.Pixel(160, 400), White);
    // Markers squeezed or blown up to 5 x 5 whatever their size.
    EXPECT_EQ(AniPics.Pixel(4, 204), 0x00FF00u);
    EXPECT_EQ(AniPics.Pixel(5, 200), 0xFF0000u);
    EXPECT_EQ(AniPics.Pixel(10, 200), Black);
    // Where a small picture does not reach, its cell stays see-through: white beside a
    // picture (SRCAND keeps the ground), black beside a mask.
    EXPECT_EQ(AniPics.Pixel(19, 424), 0xFFE000u);
    EXPECT_EQ(AniPics.Pixel(22, 427), White);
    EXPECT_EQ(ExplosionPics.Pixel(1300, 74) - ExplosionMask.Pixel(1300, 74), White - Black);
    fs::remove(folder + "/graphics/3plmask.bmp");
    try {
        LoadRaceSheets();
        ADD_FAILURE() << "loading went on without 3plmask.bmp";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("3plmask.bmp"), std::string::npos) << error.what();
    }
}

// Pixels where the mask is black but the picture is not white: they would stain the ground.
// A mask that shows nothing at all counts as -1.
int Stains(const Surface& pictures, int px, int py, const Surface& masks, int mx, int my, int w, int h) {
    int stains = 0, shown = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool hidden = masks.Pixel(mx + x, my + y) == Black;
            stains += hidden && pictures.Pixel(px + x, py + y) != White, shown += !hidden;
        }
    return shown ? stains : -1;
}

TEST(GameArt, EveryMaskShowsSomethingAndFitsItsPicture) {
    FreshHeadless();
    if (!fs::exists(GameDir() + "/graphics/car256.bmp")) GTEST_SKIP() << "art not built";
    LoadRaceSheets();
    for (int y = 0; y < 1000; y += 50) {
        EXPECT_EQ(Stains(Pics, 0, y, Pics, 80, y, 80, 50), 0) << "player car at " << y;
        EXPECT_EQ(Stains(Pics, 160, y, Pics, 80, y, 80, 50), 0) << "computer car at " << y;
        for (int k = 0; k < RivalColumns; ++k)
            EXPECT_EQ(Stains(RivalPics, 80 * k, y, Pics, 80, y, 80, 50), 0) << "rival " << k << " at " << y;
    }
    for (int row : {205, 255, 305, 505})
        EXPECT_EQ(Stains(AniPics, 0, row, AniPics, 150, row, 150, 50), 0);
    EXPECT_EQ(Stains(AniPics, 0, 405, AniPics, 25, 405, 25, 25), 0);
    for (int x = 0; x < 400; x += 100) EXPECT_EQ(Stains(AniPics, x, 0, AniPics, x, 100, 30, 30), 0);
    // Explosion frames start every 71 pixels but are 75 wide: the 4 columns each borrows
    // from the next must be empty, or slivers of fire would jump about (frames 0 to 16 show).
    for (int k = 0; k <= 16; ++k) {
        EXPECT_EQ(Stains(ExplosionPics, 71 * k, 0, ExplosionMask, 71 * k, 0, 75, 75), 0) << "frame " << k;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 75; ++x)
                ASSERT_TRUE(ExplosionMask.Pixel(71 * k + x, y) != White || (x >= 4 && x < 71 && y < 75))
                    << "frame " << k << " lit at " << x << "," << y;
    }
}

}  // namespace
