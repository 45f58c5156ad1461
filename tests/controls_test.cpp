// The race keys: what each press and release does to the player's car.
#include <gtest/gtest.h>

#include "app/app.h"
#include "cars/cars.h"
#include "course/course.h"
#include "race/race.h"
#include "test_support.h"

namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        LastCarIndex = 0;
        CarRecord c;
        c.SpriteWidth = 80;
        c.SpriteHeight = 50;
        c.Heading = 500;
        c.Steer = 2;
        c.SteerCount = 100;
        c.Pedal = 3;
        c.TopSpeed = 250;
        c.Accel = 2.8f;
        c.Tyres = c.TyresMax = 70;
        c.Body = c.BodyMax = 100;
        c.Engine = c.EngineMax = 100;
        c.Speed = 100;
        Cars[0] = c;
        RaceOutcome = OutcomeRunning;
    }
    CarRecord& car = Cars[0];
};

TEST_F(Controls, HeldLeftCranksTheWheelEveryThirdFrame) {
    // Key repeats arrive before every frame; only the first press restarts the count,
    // so the steps land on frames 2 and 5.
    for (int frame = 1; frame <= 6; ++frame) {
        RaceKeyDown(vbKeyLeft);
        DriveCars();
    }
    EXPECT_EQ(car.Heading, 400);
}

TEST_F(Controls, PressingAgainRestartsTheCount) {
    RaceKeyDown(vbKeyLeft);
    DriveCars();  // count 2
    RaceKeyUp(vbKeyLeft);
    RaceKeyDown(vbKeyLeft);
    EXPECT_EQ(car.SteerCount, 1);
}

TEST_F(Controls, OtherArrowTakesOverAndReleasingTheFirstLeavesIt) {
    RaceKeyDown(vbKeyLeft);
    RaceKeyDown(vbKeyRight);
    RaceKeyUp(vbKeyLeft);
    EXPECT_EQ(car.Steer, 0);
    EXPECT_EQ(car.SteerCount, 1);
    RaceKeyUp(vbKeyRight);
    EXPECT_EQ(car.Steer, 2);
}

TEST_F(Controls, CruiseControlStaysOnAfterDownIsReleased) {
    car.Speed = 150;
    car.Pedal = 0;
    RaceKeyDown(vbKeyDown);
    RaceKeyUp(vbKeyDown);
    EXPECT_EQ(car.Pedal, 3);
    EXPECT_EQ(car.CruiseSpeed, 150);
    for (int frame = 0; frame < 10; ++frame) DriveCars();
    EXPECT_EQ(car.Speed, 150);
}

TEST_F(Controls, ThrottleAndBrakeFollowTheKeys) {
    RaceKeyDown(vbKeyUp);
    EXPECT_EQ(car.Pedal, 0);
    RaceKeyUp(vbKeyUp);
    EXPECT_EQ(car.Pedal, 1);
    RaceKeyDown(vbKeySpace);
    EXPECT_TRUE(IsTrue(car.Brake));
    RaceKeyUp(vbKeySpace);
    EXPECT_FALSE(IsTrue(car.Brake));
}

TEST_F(Controls, BurningCarCannotBeGivenThrottle) {
    car.FxState = FxExploding;
    RaceKeyDown(vbKeyUp);
    EXPECT_EQ(car.Pedal, 1);
}

TEST_F(Controls, EscapeAbandonsTheRace) {
    RaceKeyDown(vbKeyEscape);
    EXPECT_EQ(RaceOutcome, OutcomeAbandoned);
}

TEST_F(Controls, CourseSkipComesRoundFrom14To1) {
    i16 saved = CurrentCourse;
    CurrentCourse = 13;
    RaceKeyDown(vbKeyL);
    EXPECT_EQ(CurrentCourse, 14);
    RaceKeyDown(vbKeyL);
    EXPECT_EQ(CurrentCourse, 1);
    CurrentCourse = saved;
}

TEST_F(Controls, TwoScreenshotsGetConsecutiveNumbers) {
    FreshHeadless();
    std::string folder = TempFolder("controls_screenshots");
    SetAppPath(folder);
    Control backBuffer;
    backBuffer.Picture.Resize(8, 8, 0x00FF00);
    Control* saved = PlayArea[1];
    PlayArea[1] = &backBuffer;
    ScreenshotCounter = 4;
    RaceKeyDown(vbKeyT);
    RaceKeyDown(vbKeyT);
    PlayArea[1] = saved;
    EXPECT_EQ(ScreenshotCounter, 6);
    EXPECT_TRUE(FileExists(folder + "/screenshots/010004.bmp"));
    EXPECT_TRUE(FileExists(folder + "/screenshots/010005.bmp"));
    EXPECT_EQ(LoadPicture(folder + "/screenshots/010005.bmp").Pixel(3, 3), 0x00FF00u);
}

}  // namespace
