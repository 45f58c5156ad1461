// Career files: the career list of six slots and one file per driver, written so that a
// crash, a full disk, a read-only folder or another copy of the game saving at the same
// moment never costs the player a saved career.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <variant>

#include "career/career.h"
#include "cars/cars.h"
#include "course/course.h"
#include "platform/platform.h"
#include "race/race.h"

namespace {

const std::string BlankSlot(SlotLength, ' ');

// The sixteen fields each car keeps in its record, after the course number, in file order.
using CarField = std::variant<i16 CarRecord::*, u8 CarRecord::*, f32 CarRecord::*, i32 CarRecord::*,
                              CarStatus CarRecord::*>;
const CarField CarFields[CareerRecordFields - 1] = {
    &CarRecord::SteerCount, &CarRecord::TopSpeed,   &CarRecord::Accel,      &CarRecord::Tyres,
    &CarRecord::TyresMax,   &CarRecord::Engine,     &CarRecord::EngineMax,  &CarRecord::Gas,
    &CarRecord::BodyMax,    &CarRecord::Body,       &CarRecord::BodyLevel,  &CarRecord::TyresLevel,
    &CarRecord::EngineLevel, &CarRecord::AiTarget,  &CarRecord::Status,     &CarRecord::Cash,
};

// Five digits, whole numbers, halves to even like every other conversion in the game.
// A value outside 0..99999 is written as the nearer end: a sixth character would shift
// every later field of the file.
std::string FieldText(double value) {
    i32 whole = std::clamp<i32>(CLng(value), 0, 99999);
    return Format(whole, "00000");
}

std::string FieldText(CarStatus status) {
    return FieldText(static_cast<int>(status));
}

template <typename T>
T FromField(std::string_view field) {
    double value = Val(field);
    if constexpr (std::is_same_v<T, CarStatus>) return static_cast<CarStatus>(CInt(value));
    if constexpr (std::is_same_v<T, f32>) return static_cast<f32>(value);
    if constexpr (std::is_same_v<T, i16>) return CInt(value);
    if constexpr (std::is_same_v<T, u8>) return CByte(value);
    if constexpr (std::is_same_v<T, i32>) return CLng(value);
}

std::string TrimmedRight(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// Names are kept padded to 15 while saving and after choosing a slot.
std::string Padded(const std::string& name) {
    return name.size() >= SlotLength ? name : name + std::string(SlotLength - name.size(), ' ');
}

std::string CareerListPath() { return SavesFolder() + "/saves.lst"; }
// Spelt exactly as the name is: another driver whose name differs only in case must not
// find, and overwrite, this one's file.
std::string CareerFilePath(const std::string& paddedName) {
    return SavesFolder() + "/" + paddedName + ".sav";
}

// A missing list is an empty one. A list that is there but cannot be read throws: a save
// that wrote a fresh one over it would drop its drivers.
std::string ReadCareerList() {
    if (!FileExists(CareerListPath())) return "";
    return ReadFileText(CareerListPath());
}

// The list as the slots it holds. The game writes 90 characters and a line break, but an
// editor trims the blanks at the end of a line, a copy may be cut short, and a player may
// put one slot on each line: a slot shorter than 15 characters is still its driver, and
// a line that holds no name is one blank slot.
struct CareerList {
    std::array<std::string, CareerSlots> Slots;
    // False for what no list of ours could be: control characters, a used slot that does
    // not begin with its blank, or a driver beyond the sixth slot. Such a list is set
    // aside rather than written over, since the drivers it names cannot all be kept.
    bool Understood = true;
};

CareerList ParseCareerList(const std::string& text) {
    CareerList list;
    list.Slots.fill(BlankSlot);
    int slot = 0;
    auto add = [&](std::string piece) {
        piece.resize(SlotLength, ' ');
        bool used = piece != BlankSlot;
        if (used && (piece[0] != ' ' || slot >= CareerSlots)) list.Understood = false;
        if (slot < CareerSlots) list.Slots[slot] = piece;
        ++slot;
    };
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        std::string line = TrimmedRight(text.substr(at, end - at));
        if (std::any_of(line.begin(), line.end(),
                        [](unsigned char c) { return c < 32 || c == 127; }))
            list.Understood = false;
        if (line.empty()) add("");
        for (std::size_t piece = 0; piece < line.size(); piece += SlotLength)
            add(line.substr(piece, SlotLength));
        // CRLF is one line end, not an empty line between two.
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return list;
}

std::string CareerFileText() {
    std::string text;
    text.reserve(CareerFileLength);
    for (int i = 0; i < CareerCarCount; ++i) {
        text += FieldText(CurrentCourse);
        for (const CarField& field : CarFields)
            std::visit([&](auto member) { text += FieldText(Cars[i].*member); }, field);
    }
    return text;
}

void ReadCareerText(const std::string& text) {
    for (int i = 0; i < CareerCarCount; ++i) {
        std::string_view record = std::string_view(text).substr(
            static_cast<std::size_t>(i) * CareerRecordFields * CareerFieldLength,
            CareerRecordFields * CareerFieldLength);
        auto field = [&](int k) { return record.substr(k * CareerFieldLength, CareerFieldLength); };
        // Every record repeats the course; the last one read is the one that counts.
        CurrentCourse = FromField<i16>(field(0));
        for (int k = 1; k < CareerRecordFields; ++k)
            std::visit(
                [&](auto member) {
                    using T = std::remove_reference_t<decltype(Cars[i].*member)>;
                    Cars[i].*member = FromField<T>(field(k));
                },
                CarFields[k - 1]);
    }
}

// The new career's starting point, which the file then overwrites field by field.
void PrepareAsNewCareer() {
    ClearRaceData();
    FillPartsCatalogue();
    RaceLaps = 0;
    CurrentCourse = 1;
    InitCareerCars();
}

bool ValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int follow = c < 0x80 ? 0 : c < 0xC2 ? -1 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF5 ? 3 : -1;
        if (follow < 0 || i + follow >= text.size()) return false;
        for (int k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += follow + 1;
    }
    return true;
}

// Windows keeps these names for devices, whatever follows them.
bool DeviceName(const std::string& name) {
    std::string base = TrimmedRight(name.substr(0, name.find('.')));
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '0' && base[3] <= '9';
}

// Values no career of this game holds, with which the race could not be run to its end:
// a car that cannot move or that no computer driver would drive, or a part whose
// condition is measured against a maximum of nothing. Empty when there is none.
std::string ImpossibleCareer() {
    struct Check {
        i16 CarRecord::*Field;
        const char* Name;
        bool OpponentsOnly;  // the player's own target speed is only the autopilot's
    };
    static const Check Checks[] = {
        {&CarRecord::TopSpeed, "top speed", false},
        {&CarRecord::BodyMax, "body maximum", false},
        {&CarRecord::TyresMax, "tyre maximum", false},
        {&CarRecord::EngineMax, "engine maximum", false},
        {&CarRecord::AiTarget, "target speed", true},
    };
    for (int i = 0; i < CareerCarCount; ++i)
        for (const Check& check : Checks)
            if (Cars[i].*check.Field <= 0 && !(check.OpponentsOnly && i == 0))
                return std::string("Not raceable: ") +
                       (i == 0 ? "your car's" : "car " + std::to_string(i) + "'s") + " " +
                       check.Name + " is " + std::to_string(Cars[i].*check.Field) + ".";
    return "";
}

}  // namespace

std::string DriverNameProblem(const std::string& name) {
    std::string trimmed = TrimmedRight(name);
    if (trimmed.find_first_not_of(". ") == std::string::npos)
        return "A driver's name needs more than dots and blanks.";
    for (unsigned char c : trimmed) {
        if (c < 32 || c == 127) return "A driver's name cannot hold control characters.";
        if (std::strchr("/\\:*?\"<>|", c))
            return std::string("A driver's name cannot hold the character ") + static_cast<char>(c) + ".";
    }
    if (!ValidUtf8(trimmed)) return "A driver's name must be plain text.";
    if (trimmed.front() == ' ') return "A driver's name cannot begin with a blank.";
    if (trimmed.size() > MaxDriverNameLength)
        return "A driver's name can have at most " + std::to_string(MaxDriverNameLength) +
               " characters.";
    if (DeviceName(trimmed)) return "A driver's name cannot be " + trimmed + ", a name Windows keeps for a device.";
    return "";
}

std::array<std::string, CareerSlots> ReadCareerSlots() {
    try {
        return ParseCareerList(ReadCareerList()).Slots;
    } catch (const FileError&) {
        return ParseCareerList("").Slots;
    }
}

namespace {

// Another copy of the game saving at this moment is given this long to finish.
constexpr std::uint32_t SavesLockWaitMs = 3000;

// The files of the saves folder whose temporary copies a save may clear away: the list
// and the careers.
bool CareerFileName(const std::string& name) {
    return name == "saves.lst" || (name.size() > 4 && name.ends_with(".sav"));
}

// The part of a save that must not interleave with another game's: from reading the list
// to writing it back. False when no slot is free; `told` gets what the player must be
// told besides (a list set aside), even when the save then fails.
bool SaveUnderLock(const std::string& name, std::string& told) {
    std::string folder = SavesFolder();
    MakeFolder(folder);
    FolderLock lock(folder, SavesLockWaitMs);
    // No other save can be under way now: any copy left is from one that was killed.
    RemoveAbandonedCopies(folder, CareerFileName);
    CareerList list = ParseCareerList(ReadCareerList());
    if (!list.Understood) {
        std::string keptAs = SetFileAside(CareerListPath());
        told = "The career list could not be understood, so it was kept as " +
               QuoteInput(keptAs.substr(keptAs.find_last_of('/') + 1)) +
               " and a new list was started.";
        list = ParseCareerList("");
    }
    std::array<std::string, CareerSlots>& slots = list.Slots;
    std::string ownSlot = " " + name.substr(0, SlotLength - 1);
    bool listed = std::find(slots.begin(), slots.end(), ownSlot) != slots.end();
    // Slot 6 is shown but never given to a driver.
    auto blank = std::find(slots.begin(), slots.begin() + CareerSlots - 1, BlankSlot);
    if (!listed && blank == slots.begin() + CareerSlots - 1) return false;
    // The career goes first, so a listed driver always has a file to load.
    std::string career = CareerFileText();
    WriteFileAtomic(CareerFilePath(name), career.data(), career.size(), "career file");
    if (!listed) {
        *blank = ownSlot;
        std::string text;
        for (const std::string& slot : slots) text += slot;
        text += "\r\n";
        WriteFileAtomic(CareerListPath(), text.data(), text.size(), "career list");
    }
    return true;
}

}  // namespace

bool SaveCareer() {
    std::string problem = DriverNameProblem(DriverNames[PlayerNameEntry]);
    if (!problem.empty()) {
        MsgBox("The career was not saved. " + problem);
        return false;
    }
    // Everything is told once the lock is let go: a message box waits for the player,
    // another game saving meanwhile need not.
    std::string told;
    bool saved = false;
    std::string failure;
    try {
        saved = SaveUnderLock(Padded(DriverNames[PlayerNameEntry]), told);
        if (!saved) failure = "No slots available";
    } catch (const FileError& error) {
        failure = std::string("The career was not saved. ") + error.what();
    }
    if (!told.empty()) MsgBox(told);
    if (!failure.empty()) MsgBox(failure);
    return saved;
}

std::string CareerLoadProblem;

bool LoadCareer() {
    CareerLoadProblem.clear();
    if (!DriverNameProblem(DriverNames[PlayerNameEntry]).empty()) return false;
    return LoadCareerFile(CareerFilePath(Padded(DriverNames[PlayerNameEntry])));
}

bool LoadCareerFile(const std::string& path) {
    PrepareAsNewCareer();
    // From here any error ends the load quietly: the front end stays as it was.
    try {
        std::string text = ReadFileText(path);
        if (text.size() < CareerFileLength) return false;
        ReadCareerText(text);
        CareerLoadProblem = ImpossibleCareer();
        if (!CareerLoadProblem.empty()) return false;
        // The shop looks each fitted part up in the catalogue: an edited level beyond
        // it would read past the catalogue's end.
        for (const CarRecord& car : Cars)
            for (i16 level : {car.BodyLevel, car.TyresLevel, car.EngineLevel})
                if (level < 0 || level >= static_cast<i16>(std::size(BodyParts))) return false;
        LoadCourse();
        PlaceGrid();
        for (int i = 0; i < CareerCarCount; ++i) {
            Cars[i].CourseX = Cars[i].ScreenX;
            Cars[i].CourseY = Cars[i].ScreenY;
        }
        ShowDamageAtStart();
        ShiftPickupsToView(ScrollX, ScrollY);
    } catch (const FileError&) {
        return false;
    }
    // A preview picture that has gone missing must not leave a half-shown race window.
    ShowForm(RaceWindow);
    try {
        ShowPreRacePanel();
    } catch (const FileError&) {
        HideForm(RaceWindow);
        return false;
    }
    return true;
}
