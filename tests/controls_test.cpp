// The race keys: what each press and release does to the player's car.
#include <gtest/gtest.h>

#include "app/app.h"
#include "cars_test_grid.h"

namespace {

CarRecord& car = Cars[0];

TEST(Controls, HeldLeftCranksTheWheelEveryThirdFrameAndAFreshPressRestarts) {
    ResetGrid(0);
    car.Speed = 100;
    // Repeats arrive before every frame but only the first press sets the count, so the
    // steps land on frames 2 and 5; were repeats to restart it, the car would never turn.
    for (int frame = 1; frame <= 6; ++frame) RaceKeyDown(vbKeyLeft), DriveCars();
    EXPECT_EQ(car.Heading, 400);
    RaceKeyUp(vbKeyLeft), RaceKeyDown(vbKeyLeft);
    EXPECT_EQ(car.SteerCount, 1);
    RaceKeyDown(vbKeyRight), RaceKeyUp(vbKeyLeft);  // the other arrow takes over
    EXPECT_EQ(car.Steer, 0);
    RaceKeyUp(vbKeyRight);
    EXPECT_EQ(car.Steer, 2);
}

TEST(Controls, PedalsBrakeAndCruiseControl) {
    ResetGrid(0);
    car.Speed = 150;
    RaceKeyDown(vbKeyUp);
    EXPECT_EQ(car.Pedal, 0);
    RaceKeyUp(vbKeyUp);
    EXPECT_EQ(car.Pedal, 1);
    RaceKeyDown(vbKeySpace);
    EXPECT_TRUE(IsTrue(car.Brake));
    RaceKeyUp(vbKeySpace);
    EXPECT_FALSE(IsTrue(car.Brake));
    RaceKeyDown(vbKeyDown), RaceKeyUp(vbKeyDown);  // stays on, holding the speed it was set at
    for (int frame = 0; frame < 10; ++frame) DriveCars();
    EXPECT_EQ(car.Pedal, 3);
    EXPECT_EQ(car.Speed, 150);
    car.FxState = FxExploding;  // a burning car gets no throttle
    RaceKeyDown(vbKeyUp);
    EXPECT_EQ(car.Pedal, 1);
}

TEST(Controls, EscapeAbandonsAndTheCourseSkipComesRoundFrom14To1) {
    ResetGrid(0);
    RaceKeyDown(vbKeyEscape);
    EXPECT_EQ(RaceOutcome, OutcomeAbandoned);
    i16 saved = CurrentCourse;
    CurrentCourse = 14;
    RaceKeyDown(vbKeyL);
    EXPECT_EQ(CurrentCourse, 1);
    CurrentCourse = saved;
}

TEST(Controls, TwoScreenshotsGetConsecutiveNumbers) {
    FreshHeadless();
    std::string folder = TempFolder("controls_screenshots");
    SetAppPath(folder);
    Control backBuffer;
    backBuffer.Picture.Resize(8, 8, 0x00FF00);
    Control* saved = PlayArea[1];
    PlayArea[1] = &backBuffer;
    ScreenshotCounter = 4;
    RaceKeyDown(vbKeyT), RaceKeyDown(vbKeyT);
    PlayArea[1] = saved;
    EXPECT_TRUE(FileExists(folder + "/screenshots/010004.bmp"));
    EXPECT_EQ(LoadPicture(folder + "/screenshots/010005.bmp").Pixel(3, 3), 0x00FF00u);
}

}  // namespace
