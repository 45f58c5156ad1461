// The race view's changing states checked by their pixels, on a hand-made course with sheets
// of plain colours: the still frame itself is pinned by the screens' digests.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race_internal.h"
#include "test_support.h"

namespace {

constexpr std::uint32_t White = 0xFFFFFF, Ground = 0x40C040, Road = 0x808080;
constexpr std::uint32_t Red = 0xE00000, Grey = 0x808080, Fire = 0xFF8000, Gold = 0xFFE000;
constexpr std::uint32_t Banner[4] = {0xFFD700, 0xC0C0C0, 0xCD7F32, 0x4040FF};

class RaceView : public testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;

    void SetUp() override {
        Backend = &FreshHeadless();
        MapPic.Resize(4400, 210, Ground);
        MapPic.FillRect(200, 0, 200, 200, Road);  // tile 1
        // Car frames: a 40 x 20 red body at (20, 15) on white; the mask is white there only.
        Pics.Resize(360, 2000, White);
        Pics.FillRect(80, 0, 80, 1000, 0);
        for (int f = 0; f < 20; ++f)
            Pics.FillRect(20, 50 * f + 15, 40, 20, Red), Pics.FillRect(100, 50 * f + 15, 40, 20, White);
        AniPics.Resize(500, 650, White);  // every mask all white: items are solid squares
        for (int f = 0; f < 4; ++f) AniPics.FillRect(100 * f, 0, 30, 30, Grey);
        AniPics.FillRect(0, 405, 25, 25, Gold);
        for (int b = 0; b < 4; ++b) AniPics.FillRect(0, b < 3 ? 205 + 50 * b : 505, 150, 50, Banner[b]);
        ExplosionPics.Resize(1702, 100, Fire);
        ExplosionMask.Resize(1702, 100, White);
        RivalPics = Surface{};  // computer cars wear the plain column; the screens pin the rivals'
        ResetTileMap();
        for (auto& pickup : Pickups) pickup = Pickup{0, 0, PickupTaken};
        RaceLaps = 3;
        Race = RaceState{};
        Race.LastCarIndex = 1;
        Settings.ColourDepth = 8;
        // Player on tile (5, 5); tile (c, r) lands at (200c - 800, 200r - 800).
        ScrollX = ScrollY = 800;
        for (int i = 0; i < 2; ++i) {
            CarRecord& c = Cars[i] = CarRecord{};
            c.TileCol = c.TileRow = 5, c.SpriteWidth = 80, c.SpriteHeight = 50;
            c.ScreenX = i ? 300.0f : 100.0f, c.ScreenY = 300;  // bodies (120..159 | 320..359, 315..334)
            c.SheetX = i ? 160 : 0;
        }
        RaceViewSurface().Fill(0x123456);  // stale pixels of an earlier frame
    }
    std::uint32_t At(int x, int y) { return RaceViewSurface().Pixel(x, y); }
    void Frame() { DrawBackground(), DrawSprites(), AdvanceEffects(); }
};

// A taken pickup vanishes; column 50 exists in the map but is never drawn (it would start at
// 200 x 50 - 9700 = 300).
TEST_F(RaceView, TakenPickupsVanishAndTheMapsLastColumnIsNeverDrawn) {
    Pickups[3] = Pickup{140.0f, 306.0f, 0};  // 19 pixels above the player's centre (140, 325)
    DrawBackground();
    EXPECT_EQ(At(164, 306), Gold);
    TestPickup(0, 3);
    DrawBackground();
    EXPECT_EQ(At(164, 306), Ground);
    for (auto& column : Course.TileMap) std::fill(std::begin(column), std::end(column), 1);
    ScrollX = 9700;
    Cars[0].TileCol = 49;
    DrawBackground();
    EXPECT_EQ(std::pair(At(299, 10), At(300, 10)), std::pair(Road, Ground));
}

TEST_F(RaceView, SmokePuffsThreeFramesEachAndIsOnlyAShadowInSixteenBits) {
    Cars[0].SmokeTick = 1;  // a contact has just started a puff at (115, 315)
    std::vector<int> shown;
    for (int frame = 0; frame < 13; ++frame) {
        shown.push_back(Cars[0].SmokeTick ? Cars[0].SmokeFrameX : -1);
        Frame();
        if (frame == 0) { EXPECT_EQ(At(115, 315), Grey); }
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 0, 0, 100, 100, 100, 200, 200, 200, 300, 300, 300, -1}));
    Settings.ColourDepth = 16;
    Cars[0].SmokeTick = 1;
    Frame();
    EXPECT_EQ(At(115, 315), Ground & Grey);  // 0x40C040 AND 0x808080: 0x008000
}

TEST_F(RaceView, ExplosionStepsEvery4FramesAndEndsThePlayersRace) {
    Cars[0].FxState = Cars[1].FxState = FxExploding;
    // 71 x 10 = 710 is reached on frame 40, 71 x 17 = 1207 on frame 68.
    for (int frame = 1; frame <= 68; ++frame) {
        Frame();
        ASSERT_EQ(Cars[0].BlastFrameX, frame == 68 ? 0 : 71 * (frame / 4)) << frame;
        ASSERT_EQ(Cars[0].Status, frame >= 40 ? StatusOut : StatusRacing) << frame;
        ASSERT_EQ(Race.Outcome, frame == 68 ? Outcome::Abandoned : Outcome::Running) << frame;
        if (frame == 50) { EXPECT_EQ(At(100, 275), Fire); }  // out of the race, still burning
    }
    EXPECT_EQ(Cars[0].FxState + Cars[1].FxState, 0);
    Frame();
    EXPECT_EQ(At(320, 315), Ground);  // the burnt-out opponent is gone
}

// Player's laps (3 of 3 finishes), Race.FinishCount, the banner shown (-1: none). The banner
// covers (55..204, 255..304), above the player's car, and the wait starts once.
TEST_F(RaceView, FinishBannerShowsThePlaceOnlyWhenThePlayerHasFinished) {
    for (auto [laps, place, banner] : {std::tuple{3, 1, 0}, {3, 2, 1}, {3, 3, 2}, {3, 4, 3}, {3, 10, 3},
                                       {3, 11, -1}, {3, 0, -1}, {2, 1, -1}}) {
        SetUp();
        Backend->Advance(5000);
        Cars[0].LapCount = static_cast<i16>(laps);
        Race.FinishCount = static_cast<i16>(place);
        Frame();
        EXPECT_EQ(std::pair(At(204, 304), At(205, 304)), std::pair(banner < 0 ? Ground : Banner[banner], Ground))
            << laps << ", " << place;
        Backend->Advance(1000);
        Frame();
        EXPECT_FLOAT_EQ(Race.FinishTime, laps == 3 ? 5.0f : 0.0f);
    }
}

}  // namespace
