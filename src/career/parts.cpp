// The parts catalogue, and the rules of buying and repairing parts for the player's car.
#include "career/career.h"

PartInfo BodyParts[11];
PartInfo TyreParts[11];
PartInfo EngineParts[11];

const SaleLine SaleLines[6] = {
    {PartTyres, 1}, {PartTyres, 2}, {PartEngine, 1}, {PartEngine, 2}, {PartBody, 1}, {PartBody, 2},
};

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

// Where each kind of part lives in the car record and in the catalogue. Only an engine
// drives the car: its top speed and acceleration bonuses act as well.
struct PartKind {
    PartInfo* Catalogue;
    f32 CarRecord::*Condition;
    i16 CarRecord::*Maximum;
    i16 CarRecord::*Level;
    i16 PartInfo::*Bonus;
    bool Drives;
    int CallOut;  // the part of a repair's price that does not depend on the wear
    const char* BonusName;
};
const PartKind Kinds[3] = {
    {BodyParts, &CarRecord::Body, &CarRecord::BodyMax, &CarRecord::BodyLevel, &PartInfo::BodyBonus,
     false, 200, "body strength"},
    {EngineParts, &CarRecord::Engine, &CarRecord::EngineMax, &CarRecord::EngineLevel,
     &PartInfo::EngineBonus, true, 200, "engine strength"},
    {TyreParts, &CarRecord::Tyres, &CarRecord::TyresMax, &CarRecord::TyresLevel,
     &PartInfo::TyresBonus, false, 50, "tire life"},
};

// Adds (sign +1) or takes off (sign -1) the bonuses of a part.
void ApplyBonuses(CarRecord& car, const PartKind& kind, const PartInfo& part, int sign) {
    car.*kind.Maximum = static_cast<i16>(car.*kind.Maximum + sign * (part.*kind.Bonus));
    if (!kind.Drives) return;
    car.TopSpeed = static_cast<i16>(car.TopSpeed + sign * part.TopSpeedBonus);
    car.Accel += static_cast<f32>(sign * part.AccelBonus);
}

}  // namespace

void FillPartsCatalogue() {
    Fill(BodyParts, BodyCatalogue);
    Fill(TyreParts, TyreCatalogue);
    Fill(EngineParts, EngineCatalogue);
}

const PartInfo& CataloguePart(int part, int level) {
    return Kinds[part].Catalogue[level];
}

const PartInfo& FittedPart(const CarRecord& car, int part) {
    return CataloguePart(part, car.*Kinds[part].Level);
}

f32 PartCondition(const CarRecord& car, int part) {
    return car.*Kinds[part].Condition;
}

i16 PartMaximum(const CarRecord& car, int part) {
    return car.*Kinds[part].Maximum;
}

std::string PartEffects(int part, int level) {
    const PartKind& kind = Kinds[part];
    const PartInfo& info = kind.Catalogue[level];
    std::string text;
    auto add = [&text](const char* what, int amount) {
        if (amount == 0) return;
        text += (text.empty() ? "" : ", ") + std::string(what) + (amount > 0 ? " +" : " ") +
                std::to_string(amount);
    };
    if (kind.Drives) {
        add("top speed", info.TopSpeedBonus);
        add("acceleration", info.AccelBonus);
    }
    add(kind.BonusName, info.*kind.Bonus);
    return text.empty() ? "the standard part" : text;
}

bool PartWorn(const CarRecord& car, int part) {
    return PartMaximum(car, part) - PartCondition(car, part) > 0;
}

i32 RepairPrice(const CarRecord& car, int part) {
    if (!PartWorn(car, part)) return 0;
    const PartKind& kind = Kinds[part];
    double wear = static_cast<double>(car.*kind.Maximum) - car.*kind.Condition;
    return static_cast<i32>(Int(wear * (2 * (car.*kind.Level) + 1) + kind.CallOut));
}

bool BuyPart(int item) {
    CarRecord& car = Cars[0];
    const SaleLine& line = SaleLines[item];
    const PartKind& kind = Kinds[line.Part];
    const PartInfo& wanted = kind.Catalogue[line.Level];
    // Exactly the price is not enough: the shop wants to see some cash left over.
    if (car.Cash <= wanted.Price) return false;
    ApplyBonuses(car, kind, FittedPart(car, line.Part), -1);
    ApplyBonuses(car, kind, wanted, +1);
    car.*kind.Condition = car.*kind.Maximum;
    car.*kind.Level = line.Level;
    car.Cash -= wanted.Price;
    return true;
}

bool RepairPart(int part, double cost) {
    CarRecord& car = Cars[0];
    if (!(car.Cash > cost)) return false;
    const PartKind& kind = Kinds[part];
    car.Cash = CLng(car.Cash - cost);
    f32& condition = car.*kind.Condition;
    const i16 maximum = car.*kind.Maximum;
    condition += maximum / 2.0f;
    if (condition > maximum) condition = maximum;
    return true;
}
