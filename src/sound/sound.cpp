#include "sound/sound.h"

std::unique_ptr<SoundBuffer> ClickSound;
std::unique_ptr<SoundBuffer> RollSound;
std::unique_ptr<SoundBuffer> EngineSounds[SoundSlots];
std::unique_ptr<SoundBuffer> SkidSounds[SoundSlots];
std::unique_ptr<SoundBuffer> HitSounds[SoundSlots];
std::unique_ptr<SoundBuffer> CrashSounds[SoundSlots];
std::unique_ptr<SoundBuffer> ExplosionSounds[SoundSlots];
std::string BellFile;
bool SoundEnabled = true;

void StartSound() {}
void PlayClick(i16) {}
void PlayRoll(i16, i16) {}
void PlaySkid(i16) {}
void PlayBell() {}
