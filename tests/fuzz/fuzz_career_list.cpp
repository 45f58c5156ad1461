// The career list as Load Game lists it and as a save rewrites it: six slots whatever the
// file holds, a listed name either loads or is refused, and a save keeps every driver it
// found listed where it found them, or keeps a list it cannot understand aside whole.
#include <algorithm>
#include <filesystem>

#include "career/career.h"
#include "fuzz_support.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& folder = ScratchGameFolder();
    InstallHeadlessBackend();  // and with it an empty message log
    SetAppPath(folder);
    WriteBytes(folder + "/saves/saves.lst", data, size);

    std::array<std::string, CareerSlots> slots = ReadCareerSlots();
    for (const std::string& slot : slots)
        if (slot.size() != SlotLength) __builtin_trap();
    // No careers are saved yet, so every listed driver's load fails, named well or not.
    for (const std::string& slot : slots) {
        DriverNames[PlayerNameEntry] = slot.substr(1);
        if (LoadCareer()) __builtin_trap();
    }

    DriverNames[PlayerNameEntry] = "Ann";
    if (SaveCareer()) {
        std::array<std::string, CareerSlots> after = ReadCareerSlots();
        const std::string blank(SlotLength, ' ');
        // A list the save could not understand is kept, byte for byte, beside a new one.
        bool setAside = false;
        for (const auto& entry : std::filesystem::directory_iterator(folder + "/saves")) {
            if (!entry.path().filename().string().starts_with("saves.lst.")) continue;
            std::string kept = ReadFileText(entry.path().string());
            if (kept != std::string(data, data + size)) __builtin_trap();
            std::filesystem::remove(entry.path());
            setAside = true;
        }
        for (int i = 0; i < CareerSlots; ++i)
            if (!setAside && slots[i] != blank && after[i] != slots[i]) __builtin_trap();
        if (std::find(after.begin(), after.end(), " Ann           ") == after.end()) __builtin_trap();
        std::filesystem::remove(folder + "/saves/Ann            .sav");
    }
    return 0;
}
