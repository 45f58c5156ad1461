#include <algorithm>
#include <bitset>
#include <cstdio>

#include "course/course.h"
#include "race/race_internal.h"

i16 ScreenshotCounter = 0;

std::string ScreenshotPath() {
    std::string folder = ScreenshotsFolder();
    MakeFolder(folder);
    // Named by the time, so a later run never writes over an earlier one's; two in one
    // second are told apart by a number.
    const std::string stamp = LocalTimeStamp();
    std::string path = folder + "/" + stamp + ".bmp";
    for (int n = 2; FileExists(path); ++n)
        path = folder + "/" + stamp + "-" + std::to_string(n) + ".bmp";
    return path;
}

namespace {

void TakeScreenshot() {
    // Let the last frame reach the back buffer before it is saved.
    DoEvents();
    if (PlayArea[1]) {
        try {
            const std::string path = ScreenshotPath();
            SavePicture(PlayArea[1]->Picture, path);
            ShowShotNote("Screenshot saved: " + path.substr(path.find_last_of('/') + 1));
        } catch (const FileError& e) {
            // A screenshot that cannot be written is not worth stopping the race for, but
            // the player should know it is not there.
            ShowShotNote("Screenshot not saved");
            std::fprintf(stderr, "gravel-ghosts: %s\n", e.what());
        }
    }
    ScreenshotCounter = static_cast<i16>(ScreenshotCounter + 1);
}

// A pad drives through the keyboard's race keys, each button standing for one of them, so
// it cranks the wheel on a hold and turns gradually on fresh presses just as the arrows do.
struct PadKey {
    int Pad;
    int Key;
};
constexpr PadKey PadRaceKeys[] = {
    {vbPadDpadLeft, vbKeyLeft},     {vbPadDpadRight, vbKeyRight},
    {vbPadA, vbKeyUp},              {vbPadRightTrigger, vbKeyUp},
    {vbPadB, vbKeySpace},           {vbPadLeftTrigger, vbKeySpace},
    {vbPadX, vbKeyDown},            {vbPadLeftShoulder, vbKeyDown},
    {vbPadRightShoulder, vbKeyDown}, {vbPadMenu, vbKeyP},
};

int RaceKeyOf(int keyCode) {
    for (const PadKey& pad : PadRaceKeys)
        if (pad.Pad == keyCode) return pad.Key;
    return keyCode;
}

// Keys down now. With two inputs for one race key (the Up arrow and the south button),
// letting go of one must not end what the other still holds; repeats of a held key are
// not further holds.
constexpr int KeyCodes = 256;
std::bitset<KeyCodes> Held;

bool StillHeld(int raceKey) {
    for (int code = 0; code < KeyCodes; ++code)
        if (Held[code] && RaceKeyOf(code) == raceKey) return true;
    return false;
}

}  // namespace

void ReleaseRaceKeys() { Held.reset(); }

std::bitset<256> HeldRaceKeys() { return Held; }
void HoldRaceKeys(const std::bitset<256>& keys) { Held = keys; }

namespace {

// What a record's ghost keeps of the player's keys: the five that drive the car, by the
// frame they reached the race in (one pressed during the lights reaches it after green).
// Repeats are kept as well, since a repeated Down sets the cruise speed again.
bool DrivingKey(int raceKey) {
    return raceKey == vbKeyUp || raceKey == vbKeyDown || raceKey == vbKeyLeft ||
           raceKey == vbKeyRight || raceKey == vbKeySpace;
}

void NoteDrivenKey(int raceKey, bool down) {
    if (!RaceInProgress || GhostRacing || !DrivingKey(raceKey)) return;
    DrivenKeyList.push_back({std::max<int>(Race.Frame, 1), down, raceKey});
}

}  // namespace

std::vector<GhostKey> DrivenKeyList;

void RaceKeyDown(int keyCode) {
    CarRecord& player = Cars[0];
    const bool inRange = keyCode >= 0 && keyCode < KeyCodes;
    const bool repeat = inRange && Held[keyCode];
    if (inRange) Held.set(keyCode);
    NoteDrivenKey(RaceKeyOf(keyCode), true);
    switch (RaceKeyOf(keyCode)) {
        // One picture a press: a held T repeating wrote a picture every few milliseconds.
        case vbKeyT:
            if (!repeat) TakeScreenshot();
            break;
        case vbKeyUp: player.Pedal = player.FxState == FxExploding ? PedalOff : PedalThrottle; break;
        case vbKeySpace: player.Brake = True16; break;
        case vbKeyL:
            // Skipping past the last course comes round to the first.
            CurrentCourse = static_cast<i16>(CurrentCourse >= CourseCount ? 1 : CurrentCourse + 1);
            break;
        case vbKeyLeft:
            // Key repeats must not restart the count, or a held key would never turn.
            if (player.Steer != SteerLeft) {
                player.Steer = SteerLeft;
                player.SteerCount = 1;
            }
            break;
        case vbKeyRight:
            if (player.Steer != SteerRight) {
                player.Steer = SteerRight;
                player.SteerCount = 1;
            }
            break;
        case vbKeyDown:
            player.Pedal = PedalCruise;
            player.CruiseSpeed = player.Speed;
            break;
        case vbKeyEscape: AskToLeave(); break;
        case vbKeyP: TogglePause(); break;
        default: break;
    }
}

void RaceKeyUp(int keyCode) {
    CarRecord& player = Cars[0];
    if (keyCode >= 0 && keyCode < KeyCodes) Held.reset(keyCode);
    const int raceKey = RaceKeyOf(keyCode);
    if (StillHeld(raceKey)) return;
    NoteDrivenKey(raceKey, false);
    switch (raceKey) {
        case vbKeyUp: player.Pedal = PedalOff; break;
        case vbKeyDown: player.Pedal = PedalCruise; break;  // cruise control stays on
        case vbKeyLeft:
            if (player.Steer == SteerLeft) player.Steer = SteerStraight;
            break;
        case vbKeyRight:
            if (player.Steer == SteerRight) player.Steer = SteerStraight;
            break;
        case vbKeySpace: player.Brake = False16; break;
        default: break;
    }
}
