#include "platform/headless/headless.h"

std::uint32_t HeadlessBackend::TickCount() {
    std::uint32_t value = Now;
    if (value == LastRead) ++Now;
    LastRead = value;
    return value;
}
float HeadlessBackend::Seconds() { return static_cast<float>(Now) / 1000.0f; }
void HeadlessBackend::PollInput(std::vector<InputEvent>&) {}
void HeadlessBackend::Present(const Surface&) { ++Presents; }
void HeadlessBackend::SetPointer(PointerKind kind, const Surface*, const Surface*, int, int) {
    LastPointer = kind;
}
std::unique_ptr<SoundBuffer> HeadlessBackend::CreateSoundBuffer(const std::string&) {
    if (!SoundDevice) return nullptr;
    return std::make_unique<SilentSoundBuffer>();
}
void HeadlessBackend::Schedule(std::uint32_t atTick, const InputEvent& event) {
    Pending.push_back({atTick, event});
}

HeadlessBackend& InstallHeadlessBackend() {
    static std::unique_ptr<HeadlessBackend> backend;
    backend = std::make_unique<HeadlessBackend>();
    ResetPlatform();
    InstallBackend(backend.get());
    return *backend;
}
