// The ghost: the run that set a course's record, raced again by its keys alone before the
// live race starts, and drawn half-transparent where it was at each frame. It is worked
// out on the race's own rules with the race put back afterwards, so the live race, its
// random numbers and its sounds are exactly what they would be without it.
#include <algorithm>
#include <optional>

#include "race/race_internal.h"
#include "sound/sound.h"

bool GhostRacing = false;

namespace {

struct GhostFrame {
    f32 X, Y;  // on the course, in the frame the cars' screen positions are measured in
    i16 Heading, SheetX, Width, Height;
};

struct GhostRun {
    bool Set = false;
    std::vector<GhostKey> Keys;
    std::optional<GhostStart> Start;
    std::vector<GhostFrame> Frames;  // frame 0 on the grid, then one per frame until home
};
GhostRun Ghost;

// A run longer than any race the frame limit lets finish is not followed further.
constexpr int GhostFrameLimit = 20000;

GhostFrame Where() {
    const CarRecord& car = Cars[0];
    return {car.ScreenX + ScrollX, car.ScreenY + ScrollY, car.Heading,
            car.SheetX, car.SpriteWidth, car.SpriteHeight};
}

}  // namespace

void SetGhost(std::vector<GhostKey> keys, const GhostStart* start) {
    Ghost = {};
    Ghost.Set = true;
    Ghost.Keys = std::move(keys);
    std::stable_sort(Ghost.Keys.begin(), Ghost.Keys.end(),
                     [](const GhostKey& a, const GhostKey& b) { return a.Frame < b.Frame; });
    if (start) Ghost.Start = *start;
}

void ClearGhost() { Ghost = {}; }

bool GhostSet() { return Ghost.Set; }

void RaceGhost() {
    Ghost.Frames.clear();
    if (!Ghost.Set) return;
    const RaceMoment live = TakeRaceMoment();
    const std::bitset<256> held = HeldRaceKeys();
    const bool sound = SoundEnabled, autopilot = AutopilotEnabled;
    SoundEnabled = AutopilotEnabled = false;
    GhostRacing = true;
    ReleaseRaceKeys();
    if (Ghost.Start) {
        Cars[0] = Ghost.Start->Car;
        ScrollX = Ghost.Start->ScrollLeft;
        ScrollY = Ghost.Start->ScrollTop;
    }
    // Alone on the course, whoever the live race has on the grid.
    Race.LastCarIndex = 0;
    Ghost.Frames.push_back(Where());
    std::size_t next = 0;
    // Keys reach the car after the rules of their frame, as a script's keys do.
    for (int frame = 1; frame <= GhostFrameLimit; ++frame) {
        RunFrameRules();
        for (; next < Ghost.Keys.size() && Ghost.Keys[next].Frame <= frame; ++next)
            (Ghost.Keys[next].Down ? RaceKeyDown : RaceKeyUp)(Ghost.Keys[next].KeyCode);
        if (Cars[0].Status == StatusFinished || Cars[0].Status == StatusOut) break;
        Ghost.Frames.push_back(Where());
    }
    RestoreRaceMoment(live);
    HoldRaceKeys(held);
    SoundEnabled = sound;
    AutopilotEnabled = autopilot;
    GhostRacing = false;
}

void DrawGhost(Surface& view) {
    if (Race.Frame < 0 || Race.Frame >= static_cast<int>(Ghost.Frames.size())) return;
    const GhostFrame& g = Ghost.Frames[static_cast<std::size_t>(Race.Frame)];
    BlendMasked(view, CInt(g.X - ScrollX), CInt(g.Y - ScrollY), g.Width, g.Height, Pics, g.SheetX,
                g.Heading, Pics, g.Width, g.Heading);
}
