// The race view's frame, checked by its pixels: a small hand-made course and sheets of
// plain colours, so every pixel of the back buffer can be worked out by hand.
#include <gtest/gtest.h>

#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "test_support.h"

namespace {

constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t Ground = 0x40C040;   // tile 0
constexpr std::uint32_t Road = 0x808080;     // tile 1
constexpr std::uint32_t Kerb = 0xC02020;     // tile 3
constexpr std::uint32_t Stale = 0x123456;    // left over from an earlier frame
constexpr std::uint32_t PlayerRed = 0xE00000;
constexpr std::uint32_t RivalBlue = 0x0000E0;
constexpr std::uint32_t PuffGrey = 0x808080;
constexpr std::uint32_t Fire = 0xFF8000;
constexpr std::uint32_t PickupGold = 0xFFE000;
constexpr std::uint32_t BannerColour[4] = {0xFFD700, 0xC0C0C0, 0xCD7F32, 0x4040FF};

// A car's body fills x 20..59, y 15..34 of its 80 x 50 frame; the rest is see-through.
void PaintCarColumn(int x, std::uint32_t body, std::uint32_t outside) {
    for (int frame = 0; frame < 20; ++frame) {
        Pics.FillRect(x, 50 * frame, 80, 50, outside);
        Pics.FillRect(x + 20, 50 * frame + 15, 40, 20, body);
    }
}

// A masked item: its shape on white in the picture, white on black in the mask.
void PaintItem(int px, int py, int mx, int my, int w, int h, std::uint32_t colour) {
    AniPics.FillRect(px, py, w, h, colour);
    AniPics.FillRect(mx, my, w, h, White);
}

void MakeSheets() {
    MapPic.Resize(4400, 210, Black);
    MapPic.FillRect(0, 0, 200, 200, Ground);
    MapPic.FillRect(200, 0, 200, 200, Road);
    MapPic.FillRect(600, 0, 200, 200, Kerb);

    Pics.Resize(360, 2000, Black);
    PaintCarColumn(0, PlayerRed, White);
    PaintCarColumn(80, White, Black);
    PaintCarColumn(160, RivalBlue, White);

    AniPics.Resize(500, 650, Black);
    for (int f = 0; f < 4; ++f) PaintItem(100 * f, 0, 100 * f, 100, 30, 30, PuffGrey);
    PaintItem(0, 405, 25, 405, 25, 25, PickupGold);
    const int bannerRows[4] = {205, 255, 305, 505};
    for (int b = 0; b < 4; ++b) PaintItem(0, bannerRows[b], 150, bannerRows[b], 150, 50, BannerColour[b]);

    ExplosionPics.Resize(1702, 100, Fire);
    ExplosionMask.Resize(1702, 100, White);
}

class RaceView : public testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;

    void SetUp() override {
        Backend = &FreshHeadless();
        MakeSheets();
        ResetTileMap();
        for (auto& car : Cars) car = CarRecord{};
        for (int k = 0; k < MapSize; ++k) Pickups[k] = Pickup{0, 0, PickupTaken};
        LastCarIndex = 1;
        RaceLaps = 3;
        FinishCount = 0;
        FinishTime = 0;
        RaceOutcome = 0;
        Settings.ColourDepth = 8;
        // Player on tile (5, 5); tile (c, r) is drawn at (200c - 800, 200r - 800).
        ScrollX = ScrollY = 800;
        PlaceCar(0, 5, 5, 100, 300, 0);
        PlaceCar(1, 5, 5, 300, 300, 160);
        RaceViewSurface().Fill(Stale);
    }

    void PlaceCar(int i, i16 col, i16 row, f32 x, f32 y, i16 sheetX) {
        Cars[i].TileCol = col;
        Cars[i].TileRow = row;
        Cars[i].ScreenX = x;
        Cars[i].ScreenY = y;
        Cars[i].SpriteWidth = 80;
        Cars[i].SpriteHeight = 50;
        Cars[i].Heading = 10 * 50;
        Cars[i].SheetX = sheetX;
    }

    std::uint32_t At(int x, int y) { return RaceViewSurface().Pixel(x, y); }

    void Frame() {
        DrawBackground();
        DrawSprites();
    }
};

TEST_F(RaceView, TilesLandWhereTheMapPutsThem) {
    Course.TileMap[5][4] = 3;  // column 5, row 4: view (200..399, 0..199)
    Course.TileMap[4][5] = 1;  // column 4, row 5: view (0..199, 200..399)
    DrawBackground();
    EXPECT_EQ(At(200, 0), Kerb);
    EXPECT_EQ(At(399, 199), Kerb);
    EXPECT_EQ(At(400, 199), Ground);
    EXPECT_EQ(At(199, 0), Ground);
    EXPECT_EQ(At(0, 200), Road);
    EXPECT_EQ(At(199, 399), Road);
    EXPECT_EQ(At(549, 549), Ground);
}

TEST_F(RaceView, BeyondTheCourseEdgeLiesBareGround) {
    // Player on tile (0, 0) with the view 150 pixels left of and above the course: the
    // strip x < 150 is column -1. Column 50 exists in the map but is never shown.
    ScrollX = ScrollY = -150;
    Cars[0].TileCol = Cars[0].TileRow = 0;
    for (int r = 0; r < MapSize; ++r)
        for (int c = 0; c < MapSize; ++c) Course.TileMap[c][r] = 1;
    DrawBackground();
    EXPECT_EQ(At(149, 300), Ground);
    EXPECT_EQ(At(300, 149), Ground);
    EXPECT_EQ(At(150, 150), Road);

    // At the far edge, column 50 starts at 200 x 50 - 9700 = 300.
    ScrollX = 9700;
    ScrollY = 0;
    Cars[0].TileCol = 49;
    DrawBackground();
    EXPECT_EQ(At(299, 10), Road);
    EXPECT_EQ(At(300, 10), Ground);
}

TEST_F(RaceView, CarMaskKeepsTheGroundAroundTheBody) {
    // Player at x 100.5 rounds to 100 (half to even); its body covers x 120..159, y 315..334.
    Cars[0].ScreenX = 100.5f;
    Frame();
    EXPECT_EQ(At(120, 315), PlayerRed);
    EXPECT_EQ(At(159, 334), PlayerRed);
    EXPECT_EQ(At(119, 315), Ground);
    EXPECT_EQ(At(160, 334), Ground);
    EXPECT_EQ(At(120, 314), Ground);
    EXPECT_EQ(At(100, 300), Ground);
    // The computer car uses its own column of the sheet.
    EXPECT_EQ(At(320, 315), RivalBlue);
    EXPECT_EQ(At(319, 315), Ground);
}

TEST_F(RaceView, HigherCarsAreDrawnOverLowerOnes) {
    Cars[1].ScreenX = 110;  // body x 130..169 over the player's 120..159
    Frame();
    EXPECT_EQ(At(125, 320), PlayerRed);
    EXPECT_EQ(At(130, 320), RivalBlue);
    EXPECT_EQ(At(165, 320), RivalBlue);
}

TEST_F(RaceView, PickupVanishesOnceTaken) {
    Pickups[3] = Pickup{250.0f, 100.0f, 0};
    DrawBackground();
    EXPECT_EQ(At(250, 100), PickupGold);
    EXPECT_EQ(At(274, 124), PickupGold);
    EXPECT_EQ(At(275, 124), Ground);

    // The player's centre (140, 325) is 19 pixels from (140, 306).
    Pickups[3] = Pickup{140.0f, 306.0f, 0};
    TestPickup(0, 3);
    ASSERT_EQ(Pickups[3].State, PickupTaken);
    DrawBackground();
    EXPECT_EQ(At(145, 306), Ground);
}

TEST_F(RaceView, SmokePuffShowsFourFramesThreeTimesEach) {
    Cars[1].SmokeTick = 1;  // a contact has just started a puff
    std::vector<int> shown;
    for (int frame = 0; frame < 14; ++frame) {
        shown.push_back(Cars[1].SmokeTick ? Cars[1].SmokeFrameX : -1);
        Frame();
    }
    std::vector<int> expected{0, 0, 0, 100, 100, 100, 200, 200, 200, 300, 300, 300, -1, -1};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(Cars[1].SmokeTick, 0);
}

TEST_F(RaceView, SmokeIsOnlyAShadowInSixteenBitColour) {
    // The puff lands at (ScreenX + 15, ScreenY + 15) = (115, 315), over ground at x 115.
    Cars[0].SmokeTick = 1;
    Frame();
    EXPECT_EQ(At(115, 315), PuffGrey);  // mask then picture: the puff's own grey

    Settings.ColourDepth = 16;
    Cars[0].SmokeTick = 1;
    Cars[0].SmokeFrameX = 0;
    Frame();
    EXPECT_EQ(At(115, 315), Ground & PuffGrey);  // 0x40C040 AND 0x808080 = 0x008000
    EXPECT_EQ(At(120, 315), PlayerRed & PuffGrey);
}

TEST_F(RaceView, ExplosionStepsEvery4FramesAndEndsTheRaceForThePlayer) {
    Cars[0].FxState = FxExploding;
    // Frame x reaches 710 (10 steps) on frame 40 and 1207 (17 steps) on frame 68.
    for (int frame = 1; frame <= 68; ++frame) {
        Frame();
        EXPECT_EQ(Cars[0].BlastFrameX, frame == 68 ? 0 : 71 * (frame / 4)) << frame;
        EXPECT_EQ(Cars[0].Status, frame >= 40 ? StatusOut : StatusRacing) << frame;
        EXPECT_EQ(RaceOutcome, frame == 68 ? OutcomeAbandoned : OutcomeRunning) << frame;
        if (frame == 50) {
            // Out of the race: no car, but the fire at (100, 275) burns on.
            EXPECT_EQ(At(120, 315), Fire);
            EXPECT_EQ(At(100, 275), Fire);
            EXPECT_EQ(At(175, 275), Ground);
        }
    }
    EXPECT_EQ(Cars[0].FxState, 0);
}

TEST_F(RaceView, OpponentExplosionLeavesTheRaceRunning) {
    Cars[1].FxState = FxExploding;
    for (int frame = 1; frame <= 80; ++frame) Frame();
    EXPECT_EQ(Cars[1].Status, StatusOut);
    EXPECT_EQ(Cars[1].FxState, 0);
    EXPECT_EQ(RaceOutcome, OutcomeRunning);
    Frame();
    EXPECT_EQ(At(320, 315), Ground);  // gone for good
}

struct BannerCase {
    i16 Place;
    int Colour;  // index into BannerColour, -1: no banner
};

class FinishBanner : public RaceView, public testing::WithParamInterface<BannerCase> {};

TEST_P(FinishBanner, ShowsThePlaceAndStartsTheWait) {
    Backend->Advance(5000);  // the clock reads 5 s
    Cars[0].LapCount = 3;
    FinishCount = GetParam().Place;
    Frame();
    // The banner spans (55..204, 255..304) above and around the player's car.
    std::uint32_t expected = GetParam().Colour < 0 ? Ground : BannerColour[GetParam().Colour];
    EXPECT_EQ(At(60, 260), expected);
    EXPECT_EQ(At(204, 304), expected);
    EXPECT_EQ(At(205, 304), Ground);
    EXPECT_FLOAT_EQ(FinishTime, 5.0f);

    Backend->Advance(1000);
    Frame();
    EXPECT_FLOAT_EQ(FinishTime, 5.0f);  // set once, on the first finished frame
}

INSTANTIATE_TEST_SUITE_P(Race, FinishBanner,
                         testing::Values(BannerCase{1, 0}, BannerCase{2, 1}, BannerCase{3, 2},
                                         BannerCase{4, 3}, BannerCase{10, 3},
                                         BannerCase{11, -1}, BannerCase{0, -1}));

TEST_F(RaceView, NoBannerWhileThePlayerIsStillRacing) {
    Backend->Advance(5000);
    Cars[0].LapCount = 2;
    FinishCount = 1;  // an opponent has finished
    Frame();
    EXPECT_EQ(At(60, 260), Ground);
    EXPECT_FLOAT_EQ(FinishTime, 0.0f);
}

}  // namespace
