// A new career, the starting grid, the repeated race and the opponents' shopping.
#include <gtest/gtest.h>

#include <tuple>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

using Career = RaceScreenTest;

// Difficulty; the player's cash, top speed and tyres, and car 5's top speed.
class NewCareers : public Career, public ::testing::WithParamInterface<std::tuple<f32, int, int, f32, int>> {};
TEST_P(NewCareers, EasyGivesThePlayerCashAndGripButEveryCarLoses80TopSpeed) {
    auto [difficulty, cash, topSpeed, tyres, opponentTop] = GetParam();
    Settings.Difficulty = difficulty;
    NewCareer();
    EXPECT_EQ(Cars[0].Cash, cash);
    EXPECT_EQ(Cars[0].TopSpeed, topSpeed);
    EXPECT_FLOAT_EQ(Cars[0].Tyres, tyres);
    EXPECT_EQ(Cars[0].TyresMax, 70);
    EXPECT_EQ(Cars[5].TopSpeed, opponentTop);
    EXPECT_EQ(Cars[5].Cash, 100);
    EXPECT_NEAR(Cars[8].Accel, 1.9f + 1.2f, 1e-5);  // opponents get 1.2 on their own accel
    EXPECT_EQ(Cars[0].Accel, 2.8f);                  // the player never does
    EXPECT_EQ(Cars[0].LapCount, -1);  // the player's first crossing is lap 0
    EXPECT_EQ(Cars[3].LapCount, 0);
}
INSTANTIATE_TEST_SUITE_P(Career, NewCareers,
                         ::testing::Values(std::tuple{DifficultyNormal, 100, 250, 70.f, 280},
                                           std::tuple{DifficultyEasy, 1000, 250 + 20 - 80, 70.f + 20, 280 - 80}));

TEST_F(Career, GridFormsBelowTheStartTileAndThePanelShowsTheCourse) {
    // The test courses start at column 10, row 10.
    NewCareer();
    EXPECT_EQ(ViewOriginX, (10 - 2) * 200 - 400);
    EXPECT_EQ(ViewOriginY, (10 - 3) * 200 - 200);
    EXPECT_FLOAT_EQ(ScrollX, 1200 + 692 - 75);
    EXPECT_FLOAT_EQ(ScrollY, 1200 + 673 - 75);
    // Car 0 at (75 + 168, 75 + 200); car 8 three rows down at (75 + 188, 75 + 700).
    EXPECT_FLOAT_EQ(Cars[0].ScreenX, 243);
    EXPECT_FLOAT_EQ(Cars[0].CourseY, 275);
    EXPECT_EQ(std::tuple(Cars[8].TileCol, Cars[8].TileRow), std::tuple(10, 13));
    EXPECT_FLOAT_EQ(Cars[8].ScreenX, 263);
    EXPECT_FLOAT_EQ(Cars[8].TileY, 0);
    // The pre-race panel shows the course.
    EXPECT_TRUE(RaceWindow->Visible && FlashBox->Visible && BlackOutBox->Visible);
    EXPECT_EQ(CourseField->Caption + "/" + CourseNameField->Caption + "/" + LapsField->Caption,
              "Course1/Test Field 1/2 Laps");
    // Centred on 1024 x 768: 512 - 320.5 rounds to even 192; 384 - 465 / 1.8 to 126.
    EXPECT_EQ(FlashBox->Left, 192);
    EXPECT_EQ(FlashBox->Top, 126);
}

TEST_F(Career, MissingPreviewPictureIsAFileError) {
    NewCareer();
    std::filesystem::remove(AppPath() + "/graphics/bigmap4.bmp");
    CurrentCourse = 4;
    EXPECT_THROW(SetUpRepeatRace(), FileError);
}

TEST_F(Career, RepeatedRaceRestoresTheOpponentsButNotThePlayer) {
    NewCareer();
    Cars[0].Body = 40, Cars[0].Tyres = 33, Cars[0].Cash = 555, Cars[0].EngineLevel = 1, Cars[0].LapCount = 4;
    Cars[2].Body = 3, Cars[2].Tyres = 10, Cars[2].Engine = 60, Cars[2].BodyLevel = 2, Cars[2].Status = StatusOut;
    SetUpRepeatRace();
    EXPECT_FLOAT_EQ(Cars[0].Body, 40);
    EXPECT_FLOAT_EQ(Cars[0].Tyres, 33);
    EXPECT_EQ(Cars[0].Cash, 555);
    EXPECT_EQ(Cars[0].LapCount, -1);
    EXPECT_FLOAT_EQ(Cars[2].Body, Cars[2].BodyMax);
    EXPECT_FLOAT_EQ(Cars[2].Tyres, Cars[2].TyresMax);
    EXPECT_FLOAT_EQ(Cars[2].Engine, Cars[2].EngineMax);
    EXPECT_EQ(Cars[2].BodyLevel, 2);
    EXPECT_EQ(Cars[2].Status, StatusRacing);
    EXPECT_EQ(CurrentCourse, 1);
}

// What a career race's report means for the career: a placed finish pays 1200, 750 or 300
// (never beyond the 99999 cap) and moves to the next course, 14 going round to 1; any other
// end pays nothing and stays.
TEST(SettleCareerRace, PaysThePlaceAndMovesOnOnlyForAPlacedFinish) {
    struct Case {
        Outcome Ended;
        i16 Place, Course;
        i32 Cash, Paid;
        i16 NextCourse;
    };
    for (const Case& c : {Case{Outcome::Placed, 1, 1, 100, 1200, 2},
                          Case{Outcome::Placed, 2, 14, 100, 750, 1},
                          Case{Outcome::Placed, 3, 5, 100, 300, 6},
                          Case{Outcome::Placed, 1, 7, 99000, 999, 8},
                          Case{Outcome::NotPlaced, 10, 5, 100, 0, 5},
                          Case{Outcome::Abandoned, 2, 5, 100, 0, 5},
                          Case{Outcome::Stopped, 1, 5, 100, 0, 5}}) {
        Cars[0].Cash = c.Cash;
        CurrentCourse = c.Course;
        RaceReport report;
        report.Outcome = c.Ended, report.Place = c.Place;
        EXPECT_EQ(SettleCareerRace(report), c.Paid) << "place " << c.Place << " on " << c.Course;
        EXPECT_EQ(Cars[0].Cash, c.Cash + c.Paid);
        EXPECT_EQ(CurrentCourse, c.NextCourse);
    }
}

// Opponents shop before courses 3, 6, 9, 10 and 13: nine draws each, bought or not.
class Upgrades : public Career {
protected:
    void SetUp() override {
        Career::SetUp();
        // Levels outlive a career in one run of the program; start these from nothing.
        for (int i = 1; i <= 8; ++i) Cars[i].BodyLevel = Cars[i].TyresLevel = Cars[i].EngineLevel = 0;
    }
    static int DrawsUsedBy(void (*step)(), std::uint64_t seed) {
        Randomize(seed);
        step();
        f32 next = Rnd();
        Randomize(seed);
        for (int used = 0; used < 1000; ++used)
            if (Rnd() == next) return used;
        return -1;
    }
};

TEST_F(Upgrades, EveryRowDrawsEvenWhenNothingCanBeBought) {
    for (int i = 1; i <= 8; ++i) Cars[i].BodyLevel = Cars[i].TyresLevel = Cars[i].EngineLevel = 3;
    CurrentCourse = 6;
    EXPECT_EQ(DrawsUsedBy(UpgradeOpponents, 99), 8 * 9);
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(Cars[i].BodyMax, 100);
    CurrentCourse = 7;
    EXPECT_EQ(DrawsUsedBy(UpgradeOpponents, 99), 0);
    CurrentCourse = 6;
    EXPECT_EQ(DrawsUsedBy(SetUpRepeatRace, 99), 0);  // a repeat never shops
}

TEST_F(Upgrades, AnOpponentCanClimbFromNothingToLevelThreeInOnePass) {
    CurrentCourse = 3;
    // Body 0 -> 3 needs three lucky draws (1 in 6 x 8 x 8); some seed gives it.
    for (std::uint64_t seed = 1; seed < 20000; ++seed) {
        for (int i = 1; i <= 8; ++i) {
            Cars[i].BodyLevel = Cars[i].TyresLevel = Cars[i].EngineLevel = 0;
            Cars[i].BodyMax = Cars[i].EngineMax = Cars[i].TyresMax = 100;
            Cars[i].TopSpeed = Cars[i].AiTarget = 200;
        }
        Randomize(seed);
        UpgradeOpponents();
        for (int i = 1; i <= 8; ++i) {
            if (Cars[i].BodyLevel != 3) continue;
            EXPECT_EQ(Cars[i].BodyMax, 100 + 3 * 50);
            return;
        }
    }
    FAIL() << "no seed lifted a body from level 0 to 3";
}

// Bonuses a car of this kind holds at this level: every row below it, bought once.
int BonusAt(int kind, int level) {
    int sum = 0;
    for (const UpgradeRow& row : UpgradeTable)
        if (row.Kind == kind && row.Level < level) sum += row.MaxBonus;
    return sum;
}

// A car already at level 1 never buys the level-0 row again: the maxima always match the
// levels, whichever rows the draws pick.
TEST_F(Upgrades, ACarNeverBuysARowBelowItsLevelAgain) {
    CurrentCourse = 3;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        for (int i = 1; i <= 8; ++i) {
            CarRecord& c = Cars[i];
            c.BodyLevel = c.TyresLevel = c.EngineLevel = 1;
            c.BodyMax = static_cast<i16>(100 + BonusAt(UpgradeKindBody, 1));
            c.TyresMax = static_cast<i16>(100 + BonusAt(UpgradeKindTyres, 1));
            c.EngineMax = static_cast<i16>(100 + BonusAt(UpgradeKindEngine, 1));
        }
        Randomize(seed);
        UpgradeOpponents();
        for (int i = 1; i <= 8; ++i) {
            const CarRecord& c = Cars[i];
            ASSERT_EQ(c.BodyMax, 100 + BonusAt(UpgradeKindBody, c.BodyLevel)) << "seed " << seed;
            ASSERT_EQ(c.TyresMax, 100 + BonusAt(UpgradeKindTyres, c.TyresLevel)) << "seed " << seed;
            ASSERT_EQ(c.EngineMax, 100 + BonusAt(UpgradeKindEngine, c.EngineLevel)) << "seed " << seed;
        }
    }
}

}  // namespace
