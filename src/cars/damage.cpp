#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cars/cars_internal.h"
#include "sound/sound.h"

i16 HeadingClass(int car) {
    int frame = HeadingFrame(Cars[car]);
    if (frame == 0) return 0;
    if (frame == 10) return 1;
    if (frame == 5) return 2;
    if (frame == 15) return 3;
    if (frame >= 1 && frame <= 4) return 5;
    if (frame >= 6 && frame <= 9) return 7;
    if (frame >= 11 && frame <= 14) return 6;
    if (frame >= 16 && frame <= 19) return 4;
    return 50;
}

f32 DistanceFromPlayer(int car) {
    return std::abs(Cars[car].ScreenX - Cars[0].ScreenX) + std::abs(Cars[car].ScreenY - Cars[0].ScreenY);
}

void ApplyDamage(f32 amount, int car) {
    if (!(amount >= 0)) {
        std::fprintf(stderr, "ApplyDamage: negative damage %g for car %d\n", amount, car);
        std::abort();
    }
    CarRecord& c = Cars[car];
    // A battered body no longer shields the engine.
    if (c.Body - amount < 50) {
        c.Engine -= amount / 2;
        c.Body -= amount / 1.5f;
    } else {
        c.Body -= amount / 2;
    }
    if (c.Engine <= 1) c.Engine = 1;
    if (c.Body >= 0) return;
    if (car == 0) PlayerWreck();
    else OpponentWreck(car);
}

void TyreWear(i16 amount, int car) {
    CarRecord& c = Cars[car];
    c.Tyres -= amount / 4.0f;
    if (c.Tyres < 30) {
        // Bald tyres wear faster, and below 25 the car is finished.
        c.Tyres -= amount / 10.0f;
        if (c.Tyres < 25) {
            if (car == 0) PlayerWreck();
            else OpponentWreck(car);
        }
    }
}

void PlayerWreck() {
    CarRecord& c = Cars[0];
    if (c.FxState == FxExploding) {
        if ((GetStatus(ExplosionSounds[0].get()) & DSBSTATUS_PLAYING) == 0)
            Race.Outcome = Outcome::Abandoned;
        return;
    }
    Play(ExplosionSounds[0].get(), 0);
    c.FxState = FxExploding;
    Stop(EngineSounds[0].get());
}

void OpponentWreck(int car) {
    CarRecord& c = Cars[car];
    if (c.FxState == FxExploding || c.Status == StatusOut) return;
    if (car < SoundSlots) {
        SetVolume(ExplosionSounds[car].get(), CLng(-DistanceFromPlayer(car)));
        Play(ExplosionSounds[car].get(), 0);
    }
    c.FxState = FxExploding;
    if (car < SoundSlots) Stop(EngineSounds[car].get());
}
