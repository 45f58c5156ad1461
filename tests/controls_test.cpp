// The race keys: what each press and release does to the player's car, from the keyboard
// and from a pad.
#include <gtest/gtest.h>

#include <tuple>

#include "app/app.h"
#include "cars_test_grid.h"

namespace {

CarRecord& car = Cars[0];

class Controls : public ::testing::Test {
protected:
    void SetUp() override { ResetGrid(0), ReleaseRaceKeys(); }
    void TearDown() override { ReleaseRaceKeys(); }
};

// Repeats arrive before every frame but only the first press sets the count, so the steps
// land on frames 2 and 5; were repeats to restart it, the car would never turn. The d-pad
// steers as the arrows do.
TEST_F(Controls, AHeldLeftCranksTheWheelEveryThirdFrameAndAFreshPressRestarts) {
    for (auto [left, right] : {std::pair{vbKeyLeft, vbKeyRight}, {vbPadDpadLeft, vbPadDpadRight}}) {
        ResetGrid(0);
        car.Speed = 100;
        for (int frame = 1; frame <= 6; ++frame) RaceKeyDown(left), DriveCars();
        EXPECT_EQ(car.Heading, 400) << left;
        RaceKeyUp(left), RaceKeyDown(left);
        EXPECT_EQ(car.SteerCount, 1) << left;
        RaceKeyDown(right), RaceKeyUp(left);  // the other way takes over
        EXPECT_EQ(car.Steer, SteerRight) << left;
        RaceKeyUp(right);
        EXPECT_EQ(car.Steer, SteerStraight) << left;
    }
}

// Two inputs for one race key, the first pressed (and repeated) before the second: letting
// go of either never ends what the other still holds.
TEST_F(Controls, AnInputLettingGoNeverEndsWhatAnotherStillHolds) {
    auto held = [](int raceKey) {
        return raceKey == vbKeyUp ? car.Pedal == PedalThrottle
               : raceKey == vbKeySpace ? IsTrue(car.Brake) : car.Steer == SteerLeft;
    };
    struct {
        int First, Second, RaceKey;
    } rows[] = {
        {vbPadA, vbPadRightTrigger, vbKeyUp}, {vbKeyUp, vbPadA, vbKeyUp},      {vbKeySpace, vbPadB, vbKeySpace},
        {vbPadLeftTrigger, vbKeySpace, vbKeySpace}, {vbPadDpadLeft, vbKeyLeft, vbKeyLeft},
    };
    for (const auto& r : rows) {
        RaceKeyDown(r.First), RaceKeyDown(r.First), RaceKeyDown(r.Second);
        RaceKeyUp(r.First);
        EXPECT_TRUE(held(r.RaceKey)) << r.First << " " << r.Second;
        RaceKeyUp(r.Second);
        EXPECT_FALSE(held(r.RaceKey)) << r.First << " " << r.Second;
    }
}

// Down, the west button or a shoulder sets cruise control at the speed of the moment, and
// it holds that speed; a burning car gets no throttle.
TEST_F(Controls, CruiseControlHoldsTheSpeedOfTheMomentAndOtherButtonsDoNothing) {
    car.Speed = 150;
    RaceKeyDown(vbKeyDown), RaceKeyUp(vbKeyDown);
    for (int frame = 0; frame < 10; ++frame) DriveCars();
    EXPECT_EQ(std::tuple(car.Pedal, car.Speed), std::tuple(PedalCruise, 150.f));
    for (int cruise : {vbPadX, vbPadLeftShoulder, vbPadRightShoulder}) {
        car.Speed = static_cast<f32>(cruise);
        car.Pedal = PedalThrottle;
        RaceKeyDown(cruise), RaceKeyUp(cruise);
        EXPECT_EQ(std::tuple(car.Pedal, car.CruiseSpeed), std::tuple(PedalCruise, f32(cruise)));
    }
    // Buttons with no race key of their own leave the car alone.
    CarRecord before = car;
    for (int other : {vbPadY, vbPadView, vbPadDpadUp, vbPadDpadDown}) RaceKeyDown(other), RaceKeyUp(other);
    EXPECT_EQ(std::tie(car.Pedal, car.Steer, car.Brake, car.SteerCount),
              std::tie(before.Pedal, before.Steer, before.Brake, before.SteerCount));
    car.FxState = FxExploding;
    RaceKeyDown(vbKeyUp);
    EXPECT_EQ(car.Pedal, PedalOff);
    // Off the race (on the pre-race panel) Escape leaves the next race alone; the course
    // skip comes round from 14 to 1.
    RaceKeyDown(vbKeyEscape);
    CurrentCourse = 14;
    RaceKeyDown(vbKeyL);
    EXPECT_EQ(std::tuple(Race.Outcome, Race.Paused, CurrentCourse), std::tuple(Outcome::Running, false, i16(1)));
}

}  // namespace
