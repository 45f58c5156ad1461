// The driving tests' starting point: cars as a race set-up leaves them, on an empty map.
#pragma once

#include <memory>

#include "cars/cars_internal.h"
#include "course/course.h"
#include "race/race_internal.h"
#include "sound/sound.h"
#include "test_support.h"

// Cars 0..last standing mid-tile (5, 5) at (200, 200), pointing south, silent. Pedal 3
// with no cruise speed leaves a car nobody drives where it is.
inline void ResetGrid(int last) {
    Course = CourseMap{};
    Race.LastCarIndex = static_cast<i16>(last);
    Race.Outcome = Outcome::Running;
    PairContactFlag = PairBlockFlag = False16;
    for (int i = 0; i <= last; ++i) {
        CarRecord c;
        c.SpriteWidth = 80, c.SpriteHeight = 50, c.Heading = 500;
        c.Steer = 2, c.SteerCount = 100, c.Pedal = 3;
        c.TopSpeed = 250, c.Accel = 2.8f, c.Tyres = c.TyresMax = 70;
        c.Body = c.BodyMax = 100, c.Engine = c.EngineMax = 100;
        c.AiTarget = 200, c.AiMode = 1;
        c.TileCol = c.TileRow = 5, c.TileX = c.TileY = 100, c.ScreenX = c.ScreenY = 200;
        Cars[i] = c;
        DirSign[i] = 1;
        for (auto* sounds : {EngineSounds, SkidSounds, HitSounds, CrashSounds, ExplosionSounds})
            sounds[i] = std::make_unique<SilentSoundBuffer>();
    }
}

// Points a car along a heading frame, gripping at the given speed.
inline CarRecord& Aim(int car, int frame, f32 speed) {
    CarRecord& c = Cars[car];
    c.Heading = static_cast<i16>(frame * 50), c.Speed = speed;
    c.VelX = speed * HeadingVelocity[frame].X, c.VelY = speed * HeadingVelocity[frame].Y;
    return c;
}

inline SilentSoundBuffer* Silent(std::unique_ptr<SoundBuffer>* sounds, int car) {
    return static_cast<SilentSoundBuffer*>(sounds[car].get());
}
