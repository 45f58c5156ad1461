// Career: the career and race set-up (new career, starting grid, next and repeated race,
// the opponents' upgrades, the pre-race panel), the career files, and the parts catalogue
// with the shop's statistics page.
#pragma once

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

void SaveCareer();
void LoadCareer();

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
