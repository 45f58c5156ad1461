// A new career, the starting grid, the repeated race and the opponents' shopping.
#include <gtest/gtest.h>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "race_test_folder.h"

namespace {

class Career : public ::testing::Test {
protected:
    void SetUp() override {
        FreshHeadless();
        RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Settings = GameSettings{};
        AutopilotEnabled = false;
        LoadRaceWindow();
        DriverNames[10] = "Ann";
    }
};

TEST_F(Career, NormalPlayerStartsWith100AndTopSpeed250) {
    NewCareer();
    EXPECT_EQ(Cars[0].Cash, 100);
    EXPECT_EQ(Cars[0].TopSpeed, 250);
    EXPECT_FLOAT_EQ(Cars[0].Accel, 2.8f);
    EXPECT_EQ(Cars[5].TopSpeed, 280);
    EXPECT_EQ(Cars[5].Cash, 100);
    EXPECT_EQ(Cars[0].LapCount, -1);
    EXPECT_EQ(Cars[3].LapCount, 0);
    EXPECT_EQ(Cars[3].SheetX, 160);
    EXPECT_EQ(Cars[0].Heading, 500);
    EXPECT_FLOAT_EQ(BestLapTime, 30.0f);
}

TEST_F(Career, EasyPlayerGetsCashAndGripButEveryCarLoses80TopSpeed) {
    Settings.Difficulty = DifficultyEasy;
    NewCareer();
    EXPECT_EQ(Cars[0].Cash, 1000);
    EXPECT_EQ(Cars[0].TopSpeed, 250 + 20 - 80);
    EXPECT_FLOAT_EQ(Cars[0].Tyres, 70 + 20);
    EXPECT_EQ(Cars[0].TyresMax, 70);
    EXPECT_EQ(Cars[5].TopSpeed, 280 - 80);
}

TEST_F(Career, OpponentsStartWithTheirAccelPlus1Point2) {
    NewCareer();
    const f32 expected[9] = {0, 3.0f, 2.9f, 3.0f, 2.7f, 2.9f, 3.0f, 2.7f, 3.1f};
    for (int i = 1; i <= 8; ++i) EXPECT_NEAR(Cars[i].Accel, expected[i], 1e-5) << "car " << i;
}

TEST_F(Career, GridFormsBelowTheStartTile) {
    // The test courses start at column 10, row 10.
    NewCareer();
    EXPECT_EQ(ViewOriginX, (10 - 2) * 200 - 400);
    EXPECT_EQ(ViewOriginY, (10 - 3) * 200 - 200);
    EXPECT_FLOAT_EQ(ScrollX, 1200 + 692 - 75);
    EXPECT_FLOAT_EQ(ScrollY, 1200 + 673 - 75);
    // Car 0 at (75 + 168, 75 + 200); car 8 three rows down at (75 + 188, 75 + 700).
    EXPECT_FLOAT_EQ(Cars[0].ScreenX, 243);
    EXPECT_FLOAT_EQ(Cars[0].CourseY, 275);
    EXPECT_EQ(Cars[8].TileRow, 13);
    EXPECT_EQ(Cars[8].TileCol, 10);
    EXPECT_FLOAT_EQ(Cars[8].ScreenX, 263);
    EXPECT_FLOAT_EQ(Cars[8].TileY, 0);
    // Markers at a twentieth of the screen position plus 25: 243 / 20 + 25 = 37.15.
    EXPECT_FLOAT_EQ(MapBlips[0].ScreenX, 37.15f);
    EXPECT_EQ(MapBlips[0].SheetX, 5);
    EXPECT_EQ(MapBlips[4].SheetX, 0);
    EXPECT_EQ(MapBlips[4].Heading, 200);
}

TEST_F(Career, PreRacePanelShowsTheCourse) {
    NewCareer();
    EXPECT_TRUE(RaceWindow->Visible);
    EXPECT_TRUE(FlashBox->Visible);
    EXPECT_TRUE(BlackOutBox->Visible);
    EXPECT_EQ(CourseField->Caption, "Course1");
    EXPECT_EQ(CourseNameField->Caption, "Test Field 1");
    EXPECT_EQ(LapsField->Caption, "2 Laps");
    EXPECT_EQ(msg_FlashScreen->Caption, "");
    EXPECT_EQ(BigMapBox->Picture.Width, 320);
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
    Cars[0].Body = 40;
    Cars[0].Tyres = 33;
    Cars[0].Cash = 555;
    Cars[0].EngineLevel = 1;
    Cars[2].Body = 3;
    Cars[2].Tyres = 10;
    Cars[2].Engine = 60;
    Cars[2].BodyLevel = 2;
    Cars[2].Status = StatusOut;
    Cars[0].LapCount = 4;
    SetUpRepeatRace();
    EXPECT_FLOAT_EQ(Cars[0].Body, 40);
    EXPECT_FLOAT_EQ(Cars[0].Tyres, 33);
    EXPECT_EQ(Cars[0].Cash, 555);
    EXPECT_EQ(Cars[0].EngineLevel, 1);
    EXPECT_EQ(Cars[0].LapCount, -1);
    EXPECT_FLOAT_EQ(Cars[2].Body, Cars[2].BodyMax);
    EXPECT_FLOAT_EQ(Cars[2].Tyres, Cars[2].TyresMax);
    EXPECT_FLOAT_EQ(Cars[2].Engine, Cars[2].EngineMax);
    EXPECT_EQ(Cars[2].BodyLevel, 2);
    EXPECT_EQ(Cars[2].Status, StatusRacing);
    EXPECT_EQ(CurrentCourse, 1);
}

// Opponents shop before courses 3, 6, 9, 10 and 13: nine draws each, bought or not.
class Upgrades : public Career {
protected:
    void SetUp() override {
        Career::SetUp();
        NewCareer();
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
            Cars[i].BodyMax = Cars[i].EngineMax = 100;
            Cars[i].TyresMax = 100;
            Cars[i].TopSpeed = 200;
            Cars[i].AiTarget = 200;
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

}  // namespace
