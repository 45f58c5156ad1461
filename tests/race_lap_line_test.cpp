// The lap line: forward over x 155..355 at y 375, backward over x 100..300 at y 300
// (ViewLeft and ViewTop 75), laps counted only above the best so far.
#include <gtest/gtest.h>

#include <utility>

#include "course/course.h"
#include "race/race_internal.h"
#include "test_support.h"

namespace {

class LapLine : public ::testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;
    void SetUp() override {
        Backend = &FreshHeadless();
        ViewLeft = ViewTop = 75;
        for (CarRecord& car : Cars) car = CarRecord{};
        Cars[0].LapCount = -1;
        RaceLaps = 3;
        Race = RaceState{};
        Race.LastCarIndex = 8;
    }
    static void Move(int car, f32 x, f32 y, f32 velY) {
        Cars[car].CourseX = x, Cars[car].CourseY = y, Cars[car].VelY = velY;
        CheckLapLine(car);
    }
    static void Cross(int car) { Move(car, 243, 370, 10); }
    static void Reverse(int car) { Move(car, 200, 305, -10); }
    static std::pair<int, int> Laps(int car) { return {Cars[car].LapCount, Cars[car].LapCountHigh}; }
};

struct Crossing {
    f32 X, Y, VelY;
    int LapChange;
};

class LapLineSegments : public LapLine, public ::testing::WithParamInterface<Crossing> {};

TEST_P(LapLineSegments, CountOnlyStrictlyInsideAndStrictlyAcross) {
    const Crossing c = GetParam();
    Cars[1].LapCount = Cars[1].LapCountHigh = 1;
    Move(1, c.X, c.Y, c.VelY);
    EXPECT_EQ(Cars[1].LapCount, 1 + c.LapChange);
}

INSTANTIATE_TEST_SUITE_P(
    LapLine, LapLineSegments,
    ::testing::Values(Crossing{243, 370, 10, +1},   // 370 + 10 passes 375
                      Crossing{156, 374, 2, +1},    // just inside the left end
                      Crossing{155, 370, 10, 0},    // on the end itself
                      Crossing{355, 370, 10, 0},
                      Crossing{243, 375, 10, 0},    // already on the line
                      Crossing{243, 370, 5, 0},     // lands on 375, not past it
                      Crossing{243, 380, -10, 0},   // upwards over the forward line
                      Crossing{200, 305, -10, -1},  // 305 - 10 passes 300 upwards
                      Crossing{300, 305, -10, 0},   // the backward line ends at 300
                      Crossing{320, 305, -10, 0},
                      Crossing{200, 300, -10, 0}));

TEST_F(LapLine, ForwardBackForwardCountsTheLapOnce) {
    Cross(1);
    EXPECT_EQ(Laps(1), std::pair(1, 1));
    Reverse(1);
    EXPECT_EQ(Laps(1), std::pair(0, 1));
    Cross(1);
    EXPECT_EQ(Laps(1), std::pair(1, 1));
    Cross(1);
    EXPECT_EQ(Laps(1), std::pair(2, 2));
}

TEST_F(LapLine, PlayersFirstCrossingIsLapZeroWithNoTime) {
    Backend->Advance(12000);
    Cross(0);
    EXPECT_EQ(Laps(0), std::pair(0, 0));
    EXPECT_FLOAT_EQ(Race.LapStartTime, 0.0f);  // the lap clock runs on from green
    EXPECT_FLOAT_EQ(Race.BestLapTime, 30.0f);

    // Second crossing at 12 + 19 s: lap 1 in 31 s from green, too slow to be a best lap.
    Backend->Advance(19000);
    Cross(0);
    EXPECT_EQ(Cars[0].LapCount, 1);
    EXPECT_FLOAT_EQ(Race.BestLapTime, 30.0f);
    EXPECT_FLOAT_EQ(Race.LapStartTime, 31.0f);

    // Lap 2 in 25 s becomes the best.
    Backend->Advance(25000);
    Cross(0);
    EXPECT_EQ(Cars[0].LapCount, 2);
    EXPECT_FLOAT_EQ(Race.BestLapTime, 25.0f);
    EXPECT_FLOAT_EQ(Race.LapStartTime, 56.0f);
}

TEST_F(LapLine, LastLapFinishesCarsOnceAndAThirdComputerFinisherUnplacesThePlayer) {
    RaceLaps = 1;
    Cross(4);
    EXPECT_EQ(Cars[4].Status, StatusFinished);
    Cross(4);  // a finished car crossing again is not counted again
    EXPECT_EQ(Race.FinishCount, 1);
    EXPECT_EQ(Cars[4].LapCountHigh, 1);
    Cross(1);
    EXPECT_EQ(Race.FinishCount, 2);
    Cross(2);
    EXPECT_EQ(Race.FinishCount, 10);
    EXPECT_EQ(Cars[0].LapCount, 10);
    EXPECT_EQ(Cars[0].Status, StatusRacing);  // the sprite step finishes him
}

TEST_F(LapLine, PlayerFinishingThirdKeepsThirdPlaceAndThenNoLapsCount) {
    RaceLaps = 1;
    Cars[0].LapCount = 0;
    Cross(1), Cross(2), Cross(0);
    EXPECT_EQ(Race.FinishCount, 3);
    EXPECT_EQ(Cars[0].LapCount, 1);
    Cars[0].Status = StatusFinished;  // as the sprite step leaves him
    Cross(5);
    EXPECT_EQ(Cars[5].LapCount, 0);
    Reverse(5);
    EXPECT_EQ(Cars[5].LapCount, 0);
}

}  // namespace
