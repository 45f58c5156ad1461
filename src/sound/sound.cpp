// Sound effects: the table of wave files, the start-up that opens the device and makes
// every buffer, and the interface sounds of the menus and buttons.
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

namespace {

constexpr const char* ClickFile = "\\soundfx\\click01.wav";
constexpr const char* BellLiteral = "\\soundfx\\bell1.wav";
// The roll sound: two alternating clicks for ordinary highlights, a third on request.
constexpr const char* RollFiles[3] = {"\\soundfx\\click1.wav", "\\soundfx\\click2.wav",
                                      "\\soundfx\\click02.wav"};

struct RaceSound {
    const char* File;
    std::unique_ptr<SoundBuffer>* Buffers;  // one per car, 0..20
};
// Every car gets its buffers in this order.
const RaceSound RaceSounds[] = {
    {"\\Soundfx\\revup2.wav", EngineSounds},          {"\\soundfx\\ccrash.wav", HitSounds},
    {"\\soundfx\\crash2.wav", CrashSounds},           {"\\soundfx\\bigskid.wav", SkidSounds},
    {"\\soundfx\\explode&burn.wav", ExplosionSounds},
};

constexpr const char* NoDeviceMessage =
    "Unable to start DirectSound. Gravel Ghosts requires DirectX 7.0 and a compatable sound "
    "card";

bool Started = false;
bool DeviceOpen = false;

// A buffer for a whole wave file; none without a device or without the file, so that the
// game simply stays silent there.
std::unique_ptr<SoundBuffer> LoadSound(const std::string& path) {
    if (!DeviceOpen || !FileExists(path)) return nullptr;
    return CreateSoundBufferFromFile(path);
}

void PlayFromStart(SoundBuffer* buffer, i16 vol) {
    SetCurrentPosition(buffer, 0);
    SetVolume(buffer, vol);
    Play(buffer, 0);
}

}  // namespace

void StartSound() {
    if (Started) return;
    Started = true;
    BellFile = GamePath(BellLiteral);
    if (!SoundEnabled) return;

    DeviceOpen = DirectSoundCreate();
    if (!DeviceOpen) {
        MsgBox(NoDeviceMessage);
        return;
    }
    for (int car = 0; car < SoundSlots; ++car)
        for (const RaceSound& sound : RaceSounds)
            sound.Buffers[car] = LoadSound(GamePath(sound.File));
    ClickSound = LoadSound(GamePath(ClickFile));
    RollSound = LoadSound(GamePath(RollFiles[0]));
}

void ReleaseSound() {
    ClickSound.reset();
    RollSound.reset();
    for (const RaceSound& sound : RaceSounds)
        for (int car = 0; car < SoundSlots; ++car) sound.Buffers[car].reset();
    Started = false;
    DeviceOpen = false;
}

void PlayClick(i16 vol) {
    // A fresh buffer every time, so a quick second press restarts the click.
    ClickSound = LoadSound(GamePath(ClickFile));
    PlayFromStart(ClickSound.get(), vol);
    Stop(SkidSounds[0].get());
    Stop(RollSound.get());
}

void PlayRoll(i16 vol, i16 altClick) {
    // The choice only shapes a sound, so it draws from the cosmetic stream.
    int choice = IsTrue(altClick) ? 2 : static_cast<int>(Int(CosmeticRnd() * 2));
    RollSound = LoadSound(GamePath(RollFiles[choice]));
    PlayFromStart(RollSound.get(), vol);
    Stop(SkidSounds[0].get());
}

void PlaySkid(i16 vol) {
    SetVolume(SkidSounds[0].get(), vol);
    Play(SkidSounds[0].get(), DSBPLAY_LOOPING);
}

void PlayBell() {
    ClickSound = LoadSound(BellFile);
    PlayFromStart(ClickSound.get(), 0);
}
