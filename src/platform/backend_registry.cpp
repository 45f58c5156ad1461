// The installed backend and the calls that go straight through to it: clocks and
// sound buffers.
#include <utility>

#include "platform/backend.h"

namespace {
Backend* Installed = nullptr;
TextRenderer* InstalledText = nullptr;
bool SoundLogKept = false;
std::vector<SoundStart> SoundLog;
}  // namespace

void InstallBackend(Backend* backend) { Installed = backend; }
Backend* CurrentBackend() { return Installed; }
void InstallTextRenderer(TextRenderer* renderer) { InstalledText = renderer; }
TextRenderer* CurrentTextRenderer() { return InstalledText; }

std::uint32_t GetTickCount() { return Installed ? Installed->TickCount() : 0; }
float Timer() { return Installed ? Installed->Seconds() : 0.0f; }
void SleepUntil(std::uint32_t tick) {
    if (Installed) Installed->Sleep(tick);
}

bool DirectSoundCreate() { return Installed && Installed->OpenSoundDevice(); }

std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path) {
    std::unique_ptr<SoundBuffer> buffer = Installed ? Installed->CreateSoundBuffer(path) : nullptr;
    if (buffer) buffer->FileName = path.substr(path.find_last_of("/\\") + 1);
    return buffer;
}

void SetCurrentPosition(SoundBuffer* buffer, std::int32_t bytes) {
    if (!buffer) return;
    buffer->SetCurrentPosition(bytes);
    // A one-shot wound back and played again is heard again; a loop just carries on.
    if (!buffer->LoggedLooping) buffer->LoggedPlaying = false;
}
void SetVolume(SoundBuffer* buffer, std::int32_t volume) {
    if (buffer) buffer->SetVolume(volume);
}
void Play(SoundBuffer* buffer, std::int32_t flags) {
    if (!buffer) return;
    bool sounding = buffer->LoggedPlaying || (buffer->GetStatus() & DSBSTATUS_PLAYING);
    bool loop = (flags & DSBPLAY_LOOPING) != 0;
    if (SoundLogKept && !sounding) SoundLog.push_back({buffer->FileName, buffer->GetVolume(), loop});
    buffer->Play(flags);
    buffer->LoggedPlaying = true;
    buffer->LoggedLooping = loop;
}
void Stop(SoundBuffer* buffer) {
    if (!buffer) return;
    buffer->Stop();
    buffer->LoggedPlaying = buffer->LoggedLooping = false;
}
std::int32_t GetStatus(SoundBuffer* buffer) { return buffer ? buffer->GetStatus() : 0; }

void KeepSoundLog(bool on) {
    SoundLogKept = on;
    SoundLog.clear();
}

std::vector<SoundStart> TakeSoundLog() { return std::exchange(SoundLog, {}); }
