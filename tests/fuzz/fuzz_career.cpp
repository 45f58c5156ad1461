// A career file as Load Game reads it: what loads saves and loads again unchanged in
// shape; then what the player can do from its pre-race panel: open the shop, buy every
// part on sale and mend every part, race a few seconds, and save.
#include <filesystem>

#include "app/app.h"
#include "career/career.h"
#include "cars/cars_internal.h"
#include "fuzz_support.h"
#include "platform/headless/headless.h"
#include "race/race_internal.h"
#include "shop/shop.h"

namespace {

// Three seconds of start lights and a second or two of racing.
void StopAfterAFewSeconds() {
    if (Race.Frame >= 150 && Race.Outcome == Outcome::Running) Race.Outcome = Outcome::Stopped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& folder = ScratchGameFolder();
    const std::string career = folder + "/saves/Ann            .sav";
    // The windows are made once: loading their pictures for every input would be most of
    // the work. Loading a career resets everything else a career holds.
    static bool ready = [&] {
        InstallHeadlessBackend();
        SetAppPath(folder);
        LoadRaceScreen();
        return true;
    }();
    (void)ready;
    HideForm(RaceWindow);
    Settings = GameSettings{};
    AutopilotEnabled = true;
    DrawingEnabled = false;  // the picture loaders have fuzz targets of their own
    static RaceWatch watch(StopAfterAFewSeconds);
    DriverNames[PlayerNameEntry] = "Ann";
    WriteBytes(career, data, size);
    if (!LoadCareer()) return 0;
    // What loaded saves, and what was saved loads again.
    if (!SaveCareer() || std::filesystem::file_size(career) != CareerFileLength) __builtin_trap();
    if (!LoadCareer()) __builtin_trap();

    Panel.Shop->Click();  // the shop
    for (int item = 0; item < 6; ++item) BuyPart(item);
    for (int part = 0; part < 3; ++part) RepairPart(part, RepairPrice(Cars[0], part));
    ShowShopStatistics();
    HideForm(StoreForm);
    Panel.Start->Click();  // start the race
    if (!SaveCareer() || std::filesystem::file_size(career) != CareerFileLength) __builtin_trap();
    return 0;
}
