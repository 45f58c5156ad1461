// Sound effects: the interface sounds (roll, click, menu skid, bell) and the five race
// sounds of every car, each car 0..20 with buffers of its own.
#pragma once

#include <memory>
#include <string>

#include "numeric/numeric.h"
#include "platform/platform.h"

// Cars 0..20 each have buffers of their own; a car beyond them races silent.
constexpr int SoundSlots = 21;

extern std::unique_ptr<SoundBuffer> ClickSound;
extern std::unique_ptr<SoundBuffer> RollSound;
extern std::unique_ptr<SoundBuffer> EngineSounds[SoundSlots];
extern std::unique_ptr<SoundBuffer> SkidSounds[SoundSlots];
extern std::unique_ptr<SoundBuffer> HitSounds[SoundSlots];
extern std::unique_ptr<SoundBuffer> CrashSounds[SoundSlots];
extern std::unique_ptr<SoundBuffer> ExplosionSounds[SoundSlots];
extern std::string BellFile;

// Whether the sound system may open a device at all (--mute turns it off).
extern bool SoundEnabled;

// Creates the device and every buffer; a missing device shows the one message and the
// game goes on silent; a missing file is skipped.
// Runs once; later calls do nothing until ReleaseSound.
void StartSound();
// Drops every buffer and forgets the device, so that StartSound may run again (tests, and
// a clean exit before the backend goes away).
void ReleaseSound();
void PlayClick(i16 vol);
void PlayRoll(i16 vol, i16 altClick);
void PlaySkid(i16 vol);
void PlayBell();
