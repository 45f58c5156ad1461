// The installed backend and the calls that go straight through to it: clocks and
// sound buffers.
#include "platform/backend.h"

namespace {
Backend* Installed = nullptr;
TextRenderer* InstalledText = nullptr;
}  // namespace

void InstallBackend(Backend* backend) { Installed = backend; }
Backend* CurrentBackend() { return Installed; }
void InstallTextRenderer(TextRenderer* renderer) { InstalledText = renderer; }
TextRenderer* CurrentTextRenderer() { return InstalledText; }

std::uint32_t GetTickCount() { return Installed ? Installed->TickCount() : 0; }
float Timer() { return Installed ? Installed->Seconds() : 0.0f; }

bool DirectSoundCreate() { return Installed && Installed->OpenSoundDevice(); }

std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path) {
    return Installed ? Installed->CreateSoundBuffer(path) : nullptr;
}

void SetCurrentPosition(SoundBuffer* buffer, std::int32_t bytes) {
    if (buffer) buffer->SetCurrentPosition(bytes);
}
void SetVolume(SoundBuffer* buffer, std::int32_t volume) {
    if (buffer) buffer->SetVolume(volume);
}
void Play(SoundBuffer* buffer, std::int32_t flags) {
    if (buffer) buffer->Play(flags);
}
void Stop(SoundBuffer* buffer) {
    if (buffer) buffer->Stop();
}
std::int32_t GetStatus(SoundBuffer* buffer) { return buffer ? buffer->GetStatus() : 0; }
