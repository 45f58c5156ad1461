// The race keys: what each press and release does to the player's car, from the keyboard
// and from a pad.
#include <gtest/gtest.h>

#include <tuple>

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

// Off the race (on the pre-race panel) Escape leaves the next race alone.
TEST(Controls, EscapeOffTheRaceDoesNothingAndTheCourseSkipComesRoundFrom14To1) {
    ResetGrid(0);
    RaceKeyDown(vbKeyEscape);
    EXPECT_EQ(Race.Outcome, Outcome::Running);
    EXPECT_FALSE(Race.Paused);
    i16 saved = CurrentCourse;
    CurrentCourse = 14;
    RaceKeyDown(vbKeyL);
    EXPECT_EQ(CurrentCourse, 1);
    CurrentCourse = saved;
}

// A pad drives through the keyboard's race keys: the same press and release rules, with
// every input counted, so one input letting go never ends what another still holds.
class PadControls : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGrid(0);
        ReleaseRaceKeys();
    }
    void TearDown() override { ReleaseRaceKeys(); }
};

TEST_F(PadControls, SouthButtonAndRightTriggerBothAccelerateAndOneLettingGoKeepsTheThrottle) {
    RaceKeyDown(vbPadA);
    RaceKeyDown(vbPadRightTrigger);
    EXPECT_EQ(car.Pedal, 0);
    RaceKeyUp(vbPadA);
    EXPECT_EQ(car.Pedal, 0);
    RaceKeyUp(vbPadRightTrigger);
    EXPECT_EQ(car.Pedal, 1);
}

TEST_F(PadControls, KeyboardAndPadHoldTheSameKeysWithoutReleasingEachOther) {
    // The Up arrow held (its repeats are no further holds), the south button pressed and
    // let go: the throttle stays on until the arrow comes up too.
    RaceKeyDown(vbKeyUp), RaceKeyDown(vbKeyUp), RaceKeyDown(vbPadA), RaceKeyDown(vbKeyUp);
    RaceKeyUp(vbPadA);
    EXPECT_EQ(car.Pedal, 0);
    RaceKeyUp(vbKeyUp);
    EXPECT_EQ(car.Pedal, 1);
    // The brake: the space bar and the east button, then the left trigger on its own.
    RaceKeyDown(vbKeySpace), RaceKeyDown(vbPadB);
    RaceKeyUp(vbKeySpace);
    EXPECT_TRUE(IsTrue(car.Brake));
    RaceKeyUp(vbPadB);
    EXPECT_FALSE(IsTrue(car.Brake));
    RaceKeyDown(vbPadLeftTrigger);
    EXPECT_TRUE(IsTrue(car.Brake));
    RaceKeyUp(vbPadLeftTrigger);
    EXPECT_FALSE(IsTrue(car.Brake));
    // Steering: the d-pad held while the Left arrow comes and goes keeps turning left.
    RaceKeyDown(vbPadDpadLeft), RaceKeyDown(vbKeyLeft), RaceKeyUp(vbKeyLeft);
    EXPECT_EQ(car.Steer, 1);
    RaceKeyUp(vbPadDpadLeft);
    EXPECT_EQ(car.Steer, 2);
}

TEST_F(PadControls, AHeldDpadCranksLikeAHeldArrowAndAFreshPressTurnsGradually) {
    // The same six frames as the held Left arrow above: steps on frames 2 and 5.
    car.Speed = 100;
    for (int frame = 1; frame <= 6; ++frame) RaceKeyDown(vbPadDpadLeft), DriveCars();
    EXPECT_EQ(car.Heading, 400);
    RaceKeyUp(vbPadDpadLeft), RaceKeyDown(vbPadDpadLeft);
    EXPECT_EQ(car.SteerCount, 1);
    // The other way takes over at once; letting go of the first leaves it alone.
    RaceKeyDown(vbPadDpadRight), RaceKeyUp(vbPadDpadLeft);
    EXPECT_EQ(car.Steer, 0);
    RaceKeyUp(vbPadDpadRight);
    EXPECT_EQ(car.Steer, 2);
}

TEST_F(PadControls, WestButtonOrAShoulderSetsCruiseControlAtTheSpeedOfTheMoment) {
    for (int cruise : {vbPadX, vbPadLeftShoulder, vbPadRightShoulder}) {
        car.Speed = static_cast<f32>(cruise);
        car.Pedal = 0;
        RaceKeyDown(cruise), RaceKeyUp(cruise);
        EXPECT_EQ(car.Pedal, 3) << cruise;
        EXPECT_EQ(car.CruiseSpeed, cruise) << cruise;
    }
    // Buttons with no race key of their own leave the car alone.
    CarRecord before = car;
    for (int other : {vbPadY, vbPadView, vbPadDpadUp, vbPadDpadDown}) RaceKeyDown(other), RaceKeyUp(other);
    EXPECT_EQ(std::tie(car.Pedal, car.Steer, car.Brake, car.SteerCount),
              std::tie(before.Pedal, before.Steer, before.Brake, before.SteerCount));
    EXPECT_EQ(Race.Outcome, Outcome::Running);
}

}  // namespace
