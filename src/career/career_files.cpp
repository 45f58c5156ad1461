// Career files: the career list of six slots and one file per driver, written so that a
// crash, a full disk or a read-only folder never costs the player a saved career.
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
using CarField = std::variant<i16 CarRecord::*, u8 CarRecord::*, f32 CarRecord::*, i32 CarRecord::*>;
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

template <typename T>
T FromField(std::string_view field) {
    double value = Val(field);
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

std::array<std::string, CareerSlots> SlotsOf(const std::string& list) {
    std::array<std::string, CareerSlots> slots;
    for (int i = 0; i < CareerSlots; ++i) {
        std::size_t at = static_cast<std::size_t>(i) * SlotLength;
        slots[i] = list.size() >= at + SlotLength ? list.substr(at, SlotLength) : BlankSlot;
    }
    return slots;
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
    LastCarIndex = 8;
    LapStartTime = BestLapTime = FinishTime = 0;
    RaceLaps = 0;
    FinishCount = 0;
    CurrentCourse = 1;
    InitCareerCars();
    RaceOutcome = OutcomeRunning;
    FinishTime = 0;
    LapStartTime = 0;
    FinishCount = 0;
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
        return SlotsOf(ReadCareerList());
    } catch (const FileError&) {
        return SlotsOf("");
    }
}

bool SaveCareer() {
    std::string problem = DriverNameProblem(DriverNames[PlayerNameEntry]);
    if (!problem.empty()) {
        MsgBox("The career was not saved. " + problem);
        return false;
    }
    std::string name = Padded(DriverNames[PlayerNameEntry]);
    try {
        std::array<std::string, CareerSlots> slots = SlotsOf(ReadCareerList());
        std::string ownSlot = " " + name.substr(0, SlotLength - 1);
        bool listed = std::find(slots.begin(), slots.end(), ownSlot) != slots.end();
        // Slot 6 is shown but never given to a driver.
        auto blank = std::find(slots.begin(), slots.begin() + CareerSlots - 1, BlankSlot);
        if (!listed && blank == slots.begin() + CareerSlots - 1) {
            MsgBox("No slots available");
            return false;
        }
        MakeFolder(SavesFolder());
        // The career goes first, so a listed driver always has a file to load.
        std::string career = CareerFileText();
        WriteFileAtomic(CareerFilePath(name), career.data(), career.size(), "career file");
        if (!listed) {
            *blank = ownSlot;
            std::string list;
            for (const std::string& slot : slots) list += slot;
            list += "\r\n";
            WriteFileAtomic(CareerListPath(), list.data(), list.size(), "career list");
        }
    } catch (const FileError& error) {
        MsgBox(std::string("The career was not saved. ") + error.what());
        return false;
    }
    return true;
}

bool LoadCareer() {
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
        // The player's condition is measured against BodyMax; no career this game
        // writes has none.
        if (Cars[0].BodyMax <= 0) return false;
        // The shop looks each fitted part up in the catalogue: an edited level beyond
        // it would read past the catalogue's end.
        for (const CarRecord& car : Cars)
            for (i16 level : {car.BodyLevel, car.TyresLevel, car.EngineLevel})
                if (level < 0 || level >= static_cast<i16>(std::size(BodyParts))) return false;
        LoadCourse();
        PlaceGrid();
        BestLapTime = 30.0f;
        FinishCount = 0;
        LastCarIndex = 8;
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
