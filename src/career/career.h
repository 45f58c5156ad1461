// Career: the career and race set-up (new career, starting grid, next and repeated race,
// the opponents' upgrades, the pre-race panel), the career files, and the parts catalogue
// with the shop's statistics page.
#pragma once

#include <array>
#include <string>

#include "numeric/numeric.h"

// ---------------------------------------------------------------------------------
// Career and race set-up (setup.cpp)
// ---------------------------------------------------------------------------------

void ClearRaceData();
void InitCareerCars();
void PlaceGrid();
void NewCareer();
void SetUpNextRace();
void SetUpRepeatRace();
void UpgradeOpponents();

// One row of the opponents' upgrade table.
struct UpgradeRow {
    int Draw;  // a uniform integer 0..Draw-1 is drawn; the row acts on a 1
    int Kind;  // 0 body, 1 tyres, 2 engine
    int Level; // the level the car must have (the row raises it to Level + 1)
    int MaxBonus;       // added to BodyMax, TyresMax or EngineMax by kind
    bool RefillTyres;   // Tyres = TyresMax afterwards
    int TopSpeedBonus;
    f32 AccelBonus;
    int AiTargetBonus;
};
constexpr int UpgradeKindBody = 0;
constexpr int UpgradeKindTyres = 1;
constexpr int UpgradeKindEngine = 2;
extern const UpgradeRow UpgradeTable[9];
// Courses before which the opponents go shopping.
bool UpgradeCourse(i16 course);

// 21 names; the player's is the one the career files keep.
constexpr int DriverNameCount = 21;
constexpr int PlayerNameEntry = 10;
extern std::string DriverNames[DriverNameCount];

// ---------------------------------------------------------------------------------
// Career files (career_files.cpp)
// ---------------------------------------------------------------------------------

// The career list saves/saves.lst: six slots of 15 characters, a used one being a blank
// and the driver's first 14 characters. Slot 6 is listed but never filled.
constexpr int CareerSlots = 6;
constexpr int SlotLength = 15;
constexpr int CareerListLength = CareerSlots * SlotLength;  // 90
// A longer name would not fit its slot and could never be loaded again.
constexpr int MaxDriverNameLength = SlotLength - 1;
// The career file saves/<name padded to 15>.sav: nine records of 17 five-digit fields.
constexpr int CareerFieldLength = 5;
constexpr int CareerRecordFields = 17;
constexpr int CareerCarCount = 9;
constexpr int CareerFileLength = CareerCarCount * CareerRecordFields * CareerFieldLength;  // 765

// Saves the career of DriverNames(10) at the pre-race panel. Refusals and failures (no
// free slot, a name that is no plain file name, a folder that cannot be written) are
// told in a message box, leave every saved file as it was and return false.
bool SaveCareer();
// Loads the career of DriverNames(10) and shows its pre-race panel. False, with nothing
// shown and no message, when the name, the career file or its course cannot be read.
bool LoadCareer();
// The six slots as the Load Game panel lists them, 15 characters each; a slot that a
// missing or short list does not hold in full is blank.
std::array<std::string, CareerSlots> ReadCareerSlots();
// Why a name cannot be a driver's (it could leave the saves folder, is no plain file
// name on Linux, macOS or Windows, or could not be listed and loaded again), in words
// for the player; empty when the name is fine. Blanks at its end are padding.
std::string DriverNameProblem(const std::string& name);

// ---------------------------------------------------------------------------------
// Parts catalogue and the shop's statistics (parts.cpp)
// ---------------------------------------------------------------------------------

struct PartInfo {
    std::string Name;
    i16 AccelBonus = 0;
    i16 TopSpeedBonus = 0;
    i16 TyresBonus = 0;
    i16 BodyBonus = 0;
    i16 EngineBonus = 0;
    i16 Price = 0;
};

extern PartInfo BodyParts[11];
extern PartInfo TyreParts[11];
extern PartInfo EngineParts[11];
extern i32 ShopCash;

void FillPartsCatalogue();
void ShowShopStatistics();
void ShowNotEnoughCash();
