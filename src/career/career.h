// Career: the career and race set-up (new career, starting grid, next and repeated race,
// the opponents' upgrades, the pre-race panel), the career files, and the parts catalogue
// with the rules of buying and repairing parts.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "cars/cars.h"
#include "course/course.h"
#include "race/race.h"
#include "numeric/numeric.h"

// ---------------------------------------------------------------------------------
// Career and race set-up (setup.cpp)
// ---------------------------------------------------------------------------------

// A career race: the player and eight computer drivers.
constexpr i16 RaceCars = 8;
inline RaceSetup CareerRace() { return RaceSetup{RaceCars}; }

void ClearRaceData();
void InitCareerCars();
void PlaceGrid();
void NewCareer();
void SetUpNextRace();
void SetUpRepeatRace();
void UpgradeOpponents();
// What a career race's end means for the career: a placed finish is paid its prize
// (PrizeFor the place) and moves the career to the next course, the fourteenth going
// round to the first. Returns what was paid.
i32 SettleCareerRace(const RaceReport& report);
// Prize for a placed finish: 1200, 750, 300 for 1st, 2nd, 3rd; nothing otherwise.
i32 PrizeFor(i16 place);

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
// The same from any career file, whoever's it is (the headless race's --career).
bool LoadCareerFile(const std::string& path);
// Why the last LoadCareer refused a career it could read: values with which no race could
// be finished (a car with no top speed, a rival with no target speed), in words for the
// player. Empty after any other failure.
extern std::string CareerLoadProblem;
// The six slots as the Load Game panel lists them, 15 characters each; a slot that a
// missing or short list does not hold in full is blank.
std::array<std::string, CareerSlots> ReadCareerSlots();
// Why a name cannot be a driver's (it could leave the saves folder, is no plain file
// name on Linux, macOS or Windows, or could not be listed and loaded again), in words
// for the player; empty when the name is fine. Blanks at its end are padding.
std::string DriverNameProblem(const std::string& name);

// ---------------------------------------------------------------------------------
// Course records (records.cpp): records/courseNN-<easy|normal>-<quick|trial>.txt in the
// player's data folder (custom-<course file's name>-... for a course of the player's own), one line per record, "lap 25.32 2026-12-06 Gustav" and "race ...";
// beside a Time Trial's, its ghost (.ghost): the record run's keys in the --input format
// after two comment lines, "# seed N" and "# difficulty easy|normal".
// ---------------------------------------------------------------------------------

// A race run for a course's records, outside the career: Quick Race against the eight
// rivals, or a Time Trial alone.
enum class RaceMode { Quick, Trial };
// Times are kept in hundredths, as the HUD writes them: a run is faster only when the
// time it shows is.
struct CourseRecord {
    i32 Hundredths = 0;  // 0: no record yet
    std::string Driver;
    std::string Date;  // 2026-12-06
};
struct CourseRecords {
    CourseRecord Lap, Race;
};
struct RunTimes {
    i32 Lap = 0;   // the best lap, 0 when none was completed
    i32 Race = 0;  // 0 when the player did not come home
};
struct RecordNews {
    bool Lap = false, Race = false;
};
i32 Hundredths(f32 seconds);
std::string HundredthsText(i32 hundredths);  // "83.47"
// No file, no records. A file the game could not have written is renamed aside (as a
// career list is) and told through TellRecordsProblem; the course then has none. A reader
// that only looks (a dump) leaves such a file where it is and says nothing.
CourseRecords ReadRecords(const CourseKey& course, bool easy, RaceMode mode, bool setAside = true);
// Keeps what the run beat, strictly, and in a Time Trial that set the race record its
// ghost too. A folder that cannot be written is told and nothing is new.
RecordNews NoteRecords(const CourseKey& course, bool easy, RaceMode mode, const RunTimes& run,
                       const std::string& driver, const std::string& ghost);
// The Time Trial record's ghost as stored, empty when there is none.
std::string ReadGhost(const CourseKey& course, bool easy);
// Where the records' problems go: standard error unless the game shows them itself.
extern std::function<void(const std::string&)> TellRecordsProblem;

// ---------------------------------------------------------------------------------
// Parts catalogue, and what buying and repairing a part does to the player's car (parts.cpp)
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

// Entries 0..2 are filled: the starting part and the two the shop sells. A car's level
// of a kind is the index of the part it has fitted.
extern PartInfo BodyParts[11];
extern PartInfo TyreParts[11];
extern PartInfo EngineParts[11];

void FillPartsCatalogue();

// The three parts of a car, numbered as the shop lists them for repair.
constexpr int PartBody = 0;
constexpr int PartEngine = 1;
constexpr int PartTyres = 2;

// What each of the shop's six sale lines sells: two tyres, two engines, two bodies.
struct SaleLine {
    int Part;
    i16 Level;
};
extern const SaleLine SaleLines[6];

const PartInfo& CataloguePart(int part, int level);
const PartInfo& FittedPart(const CarRecord& car, int part);
f32 PartCondition(const CarRecord& car, int part);
i16 PartMaximum(const CarRecord& car, int part);
// A line saying what a part adds to a car, such as "top speed +20, acceleration +1,
// engine +50"; the starting parts add nothing and say so.
std::string PartEffects(int part, int level);

// A part is worn while its condition is below its maximum (Easy's tyres start above it).
bool PartWorn(const CarRecord& car, int part);
// The repair price of a worn part in whole dollars: the wear times (2 x level + 1), plus
// 50 for tyres or 200 for the engine and the body, rounded down. 0 when not worn.
i32 RepairPrice(const CarRecord& car, int part);

// Sale line `item` for the player: refused (false, nothing changes) unless the cash is
// strictly more than the price. The part fitted so far gives back its bonuses, the new
// one adds its own and comes in full condition. Any level may be bought, even the one
// already fitted or a lower one.
bool BuyPart(int item);
// A repair at the price the shop showed: refused (false) unless the cash is strictly
// more. Pays the price (to the nearest dollar) and restores half the part's maximum,
// never beyond the maximum.
bool RepairPart(int part, double cost);
