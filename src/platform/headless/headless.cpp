// The headless backend: a virtual clock, scripted input and silence.
#include "platform/headless/headless.h"

#include <algorithm>

#include "platform/text/ttf_text.h"

std::uint32_t HeadlessBackend::TickCount() {
    std::uint32_t value = Now;
    if (value == LastRead) ++Now;
    LastRead = value;
    return value;
}

float HeadlessBackend::Seconds() { return static_cast<float>(Now) / 1000.0f; }

void HeadlessBackend::PollInput(std::vector<InputEvent>& events) {
    if (BeforeTurn) BeforeTurn();
    // Due events in the order of their ticks, and in the order scheduled within a tick.
    auto due = std::stable_partition(Pending.begin(), Pending.end(),
                                     [this](const Scheduled& s) { return s.At <= Now; });
    std::stable_sort(Pending.begin(), due,
                     [](const Scheduled& a, const Scheduled& b) { return a.At < b.At; });
    for (auto it = Pending.begin(); it != due; ++it) events.push_back(std::move(it->Event));
    Pending.erase(Pending.begin(), due);
}

bool HeadlessBackend::Present(const Surface&) {
    ++Presents;
    return true;
}

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
    // One text renderer for the whole run: opening the fonts is the slow part.
    static std::unique_ptr<TextRenderer> text = MakeTtfTextRenderer();
    ResetPlatform();
    InstallBackend(nullptr);
    backend = std::make_unique<HeadlessBackend>();
    InstallBackend(backend.get());
    InstallTextRenderer(text.get());
    return *backend;
}
