#include <algorithm>

#include "cars/cars_internal.h"
#include "sound/sound.h"

i32 RevPosition[SoundSlots];
i16 RevStep[SoundSlots];

namespace {

bool Playing(SoundBuffer* buffer) { return (GetStatus(buffer) & DSBSTATUS_PLAYING) != 0; }

}  // namespace

void CarSounds(int car) {
    if (car < 0 || car >= SoundSlots) return;
    const CarRecord& c = Cars[car];
    f32 d = DistanceFromPlayer(car);
    i16 e = CInt(-d - (400 - c.Speed));
    if (e > 0) e = 0;
    if (c.Status == StatusOut) return;

    SoundBuffer* engine = EngineSounds[car].get();
    SetVolume(engine, car == 0 ? CLng(c.Speed - 400) : e);
    if (!Playing(engine)) Play(engine, DSBPLAY_LOOPING);
    if (c.Speed < 10) {
        // Idle: a quiet loop from near the start of the rising note.
        SetCurrentPosition(engine, 2000);
        SetVolume(engine, -1000);
        Play(engine, DSBPLAY_LOOPING);
    } else {
        // The engine file is one rising note, so the play position follows the speed.
        SetCurrentPosition(engine, std::min<i32>(CLng(c.Speed * 420), 110000));
    }

    SoundBuffer* skid = SkidSounds[car].get();
    if (!IsTrue(c.Skidding)) {
        Stop(skid);
    } else {
        SetVolume(skid, car == 0 ? 0 : CLng(-d));
        if (!Playing(skid)) Play(skid, 0);
    }
}

void GridRev(int car, int steps) {
    if (car < 0 || car >= SoundSlots) return;
    SoundBuffer* engine = EngineSounds[car].get();
    if (!Playing(engine)) {
        SetVolume(engine, car == 0 ? 0 : CLng(-DistanceFromPlayer(car) - 1800));
        Play(engine, DSBPLAY_LOOPING);
    }
    for (int step = 0; step < steps; ++step) {
        RevPosition[car] += RevStep[car];
        // The sound-only stream picks the turning point, so however many revs the lights
        // give the race's own random numbers never shift.
        if (Int(CosmeticRnd() * 15000) + 15000 < RevPosition[car]) RevStep[car] = -5;
        if (RevPosition[car] < 5000) RevStep[car] = 5;
    }
    // Moving a playing sound is the costly part; it is done once for all the steps.
    SetCurrentPosition(engine, RevPosition[car]);
}
