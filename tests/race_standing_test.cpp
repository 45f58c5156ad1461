// The player's lap and place, read off the race by the heads-up panel.
#include <gtest/gtest.h>

#include <initializer_list>

#include "app/app.h"
#include "course/course.h"
#include "race/race_internal.h"
#include "test_support.h"

namespace {

// A figure of eight driven south from the start at (3, 2), through the crossing at (3, 3)
// southwards first and westwards later:
//     F - 7
//     | . S
//     L - + - 7
//     . . | . |
//     . . L - J
// Sixteen tiles of road; the crossing is on it twice, at 1 and at 9.
constexpr i16 F = 7, H = 1, Seven = 12, V = 5, L = 14, J = 15, X = 11, Start = 18;
struct Piece {
    int Col, Row;
    i16 Code;
};
constexpr Piece FigureOfEight[] = {
    {1, 1, F},  {2, 1, H}, {3, 1, Seven}, {1, 2, V}, {3, 2, Start}, {1, 3, L},
    {2, 3, H},  {3, 3, X}, {4, 3, H},     {5, 3, Seven}, {3, 4, V},  {5, 4, V},
    {3, 5, L},  {4, 5, H}, {5, 5, J},
};

enum Facing : i16 { North = 0, East = 250, South = 500, West = 750 };  // frame x 50

class Standing : public testing::Test {
protected:
    void SetUp() override {
        FreshHeadless();
        CreateHud(CreateForm("RaceWindow"));
        ResetTileMap();
        for (const Piece& p : FigureOfEight) Course.TileMap[p.Col][p.Row] = p.Code;
        Course.StartTileCol = 3, Course.StartTileRow = 2;
        RaceLaps = 3, Race.LastCarIndex = 8, Race.FinishCount = 0;
        for (CarRecord& car : Cars) car = CarRecord{}, car.SpriteHeight = 50;
        ShowStandingAtStart();
    }
    static void Put(int car, i16 col, i16 row, f32 x, f32 y, i16 heading, i16 laps = 0) {
        CarRecord& c = Cars[car];
        c.TileCol = col, c.TileRow = row, c.TileX = x, c.TileY = y, c.Heading = heading;
        c.LapCount = c.LapCountHigh = laps;
    }
};

TEST_F(Standing, ProgressGrowsAllTheWayRoundAndTheCrossingIsReadByTheWayTheCarFaces) {
    // The route's tiles with the way each is driven, from just past the line.
    struct Leg {
        i16 Col, Row;
        f32 X0, Y0, X1, Y1;  // from the middle of the side in to the middle of the side out
        i16 Facing;
    };
    const Leg legs[] = {
        {3, 3, 100, 0, 100, 200, South},   {3, 4, 100, 0, 100, 200, South},
        {3, 5, 100, 0, 200, 100, South},   {4, 5, 0, 100, 200, 100, East},
        {5, 5, 0, 100, 100, 0, East},      {5, 4, 100, 200, 100, 0, North},
        {5, 3, 100, 200, 0, 100, North},   {4, 3, 200, 100, 0, 100, West},
        {3, 3, 200, 100, 0, 100, West},    {2, 3, 200, 100, 0, 100, West},
        {1, 3, 200, 100, 100, 0, West},    {1, 2, 100, 200, 100, 0, North},
        {1, 1, 100, 200, 200, 100, North}, {2, 1, 0, 100, 200, 100, East},
        {3, 1, 0, 100, 100, 200, East},    {3, 2, 100, 0, 100, 200, South},
    };
    f32 last = -1;
    for (const Leg& leg : legs) {
        for (f32 t : {0.1f, 0.5f, 0.9f}) {
            Put(4, leg.Col, leg.Row, leg.X0 + (leg.X1 - leg.X0) * t,
                leg.Y0 + (leg.Y1 - leg.Y0) * t, leg.Facing);
            f32 now = CourseProgress(4);
            EXPECT_GT(now, last) << "tile " << leg.Col << "," << leg.Row << " at " << t;
            last = now;
        }
    }
    EXPECT_LT(last, 16.0f);  // the start tile ends the lap, still short of the line

    // The middle of the crossing: half a tile past the line southwards, eight and a half
    // when it is crossed again westwards.
    Put(4, 3, 3, 100, 100, South);
    EXPECT_FLOAT_EQ(CourseProgress(4), 0.5f);
    Put(4, 3, 3, 100, 100, West + 50);
    EXPECT_FLOAT_EQ(CourseProgress(4), 8.5f);
    // The player behind the line on the grid has not started his first lap.
    Put(0, 3, 2, 100, 100, South, 0);
    Cars[0].LapCount = -1;
    EXPECT_FLOAT_EQ(CourseProgress(0), -0.5f);
    ShowStanding();
    EXPECT_EQ(LapField->Caption, "Lap 1/3");
}

TEST_F(Standing, PlaceCountsCarsFurtherRoundOrHomeButNotWrecks) {
    Put(0, 4, 5, 100, 100, East);  // 3.5 tiles into lap 1
    Put(1, 5, 4, 100, 100, North);              // further round: ahead
    Put(2, 3, 4, 100, 100, South);              // not so far: behind
    Put(3, 3, 4, 100, 100, South, 1);           // a lap up: ahead
    Cars[4].Status = StatusFinished;            // home: ahead
    Put(5, 2, 3, 100, 100, West);               // far ahead, but wrecked
    Cars[5].Status = StatusOut;
    Put(6, 3, 2, 100, 150, South);              // about to finish lap 1: ahead
    Put(7, 4, 5, 150, 100, East);               // same tile, a nose in front: ahead
    Put(8, 3, 3, 100, 100, South);              // on the crossing going south: behind
    ShowStanding();
    EXPECT_EQ(PlayerPlace(), 6);
    EXPECT_EQ(PlaceField->Caption, "Pos 6/9");
    EXPECT_EQ(LapField->Caption, "Lap 1/3");

    // Three cars home before him: the rules raise his lap count to 10, the lap he was on
    // still shows, and his place follows the road.
    Cars[0].LapCount = 10;
    Cars[0].LapCountHigh = 1;
    ShowStanding();
    EXPECT_EQ(LapField->Caption, "Lap 2/3");
    EXPECT_EQ(PlaceField->Caption, "Pos 2/9");  // a lap up on all but the car that is home
    // Over the line once more he counts 11 laps, yet a car not home is on its last lap
    // at most: a rival further round that lap stays ahead.
    Cars[0].LapCount = Cars[0].LapCountHigh = 11;
    Put(1, 5, 4, 100, 100, North, 2);
    ShowStanding();
    EXPECT_EQ(LapField->Caption, "Lap 3/3");
    EXPECT_EQ(PlaceField->Caption, "Pos 3/9");

    // Home himself: the place is the one the rules gave.
    Cars[0].Status = StatusFinished;
    Cars[0].LapCount = Cars[0].LapCountHigh = 3;
    Race.FinishCount = 2;
    ShowStanding();
    EXPECT_EQ(LapField->Caption, "Lap 3/3");
    EXPECT_EQ(PlaceField->Caption, "Pos 2/9");
    EXPECT_NE(PlaceField->ForeColor, RGB(255, 255, 255));  // a paying place stands out
}

}  // namespace
