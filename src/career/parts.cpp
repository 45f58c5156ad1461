#include "career/career.h"

PartInfo BodyParts[11];
PartInfo TyreParts[11];
PartInfo EngineParts[11];
i32 ShopCash = 0;

namespace {

// The catalogue as the shop sells it; only a part's own kind of bonus acts on a car.
struct PartEntry {
    const char* Name;
    i16 AccelBonus, TopSpeedBonus, TyresBonus, BodyBonus, EngineBonus, Price;
};
constexpr PartEntry BodyCatalogue[3] = {
    {"Fiberglass Soapbox Body", 0, 0, 0, 0, 0, 1200},
    {"Metal Low Rider Body", 0, 0, 0, 25, 0, 2500},
    {"Enforced Titanium Body", 0, 0, 0, 300, 0, 4850},
};
constexpr PartEntry TyreCatalogue[3] = {
    {"Standard Radial Tires", 0, 0, 0, 0, 0, 350},
    {"Standard Mag Tires", 0, 0, 25, 0, 0, 750},
    {"LittleRipper HotRod Tires", 0, 0, 50, 0, 0, 1700},
};
constexpr PartEntry EngineCatalogue[3] = {
    {"Modified Ford Engine", 0, 0, 0, 0, 0, 950},
    {"MoJet Turbo Engine", 1, 20, 0, 0, 50, 1750},
    {"MoRockit Thermal Engine", 3, 220, 0, 0, 100, 5200},
};

void Fill(PartInfo (&parts)[11], const PartEntry (&entries)[3]) {
    for (int i = 0; i < 3; ++i) {
        const PartEntry& e = entries[i];
        parts[i] = PartInfo{e.Name,      e.AccelBonus,  e.TopSpeedBonus, e.TyresBonus,
                            e.BodyBonus, e.EngineBonus, e.Price};
    }
}

}  // namespace

void FillPartsCatalogue() {
    Fill(BodyParts, BodyCatalogue);
    Fill(TyreParts, TyreCatalogue);
    Fill(EngineParts, EngineCatalogue);
}
void ShowShopStatistics() {}
void ShowNotEnoughCash() {}
