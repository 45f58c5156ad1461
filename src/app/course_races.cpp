// Quick Race and Time Trial: one race on any course with a new career's starting car, for
// the course's records and nothing else. Time Trial races against a ghost: the record's
// run, or before the player has one the course's proof run ("par"). A course file of the
// player's own is raced by putting it in CourseFile until the player is back on the menu.
#include <cstdio>
#include <sstream>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race.h"

std::uint64_t CourseRaceSeed = 1;

namespace {

struct CourseRaceState {
    CourseKey Course{1, ""};
    RaceMode Mode = RaceMode::Quick;
    // While a course file of the player's is raced: the CourseFile it stands in for (the
    // --course-file, or none), put back when the menu returns.
    bool OnOwnCourse = false;
    std::string CourseFileBefore;
};
CourseRaceState Current;

std::string CourseTitle(const CourseKey& course) {
    if (course.Number) return "course " + std::to_string(course.Number);
    return PrintableText(course.File.substr(course.File.rfind('/') + 1));
}

bool EasyNow() { return Settings.Difficulty == DifficultyEasy; }

std::vector<GhostKey> GhostKeys(const std::vector<ScriptedKey>& script) {
    std::vector<GhostKey> keys;
    for (const ScriptedKey& key : script) keys.push_back({key.Frame, key.Down, key.KeyCode});
    return keys;
}

std::string GhostText(const std::vector<GhostKey>& keys, std::uint64_t seed, bool easy) {
    std::string text = "# seed " + std::to_string(seed) + "\n# difficulty " +
                       (easy ? "easy" : "normal") + "\n";
    for (const GhostKey& key : keys)
        text += std::to_string(key.Frame) + (key.Down ? " down " : " up ") +
                KeyScriptName(key.KeyCode) + "\n";
    return text;
}

bool ReadScript(const std::string& path, std::vector<ScriptedKey>& keys) {
    std::string error;
    try {
        return FileExists(path) && ParseKeyScript(ReadFileText(path), keys, error);
    } catch (const FileError&) {
        return false;
    }
}

// The player's row of the last race, when he came home.
i32 PlayerRaceTime(const RaceResults& results) {
    for (int i = 0; i < results.Count; ++i)
        if (results.Rows[i].Car == 0 && results.Rows[i].How == Finish::Home)
            return Hundredths(results.Rows[i].Time);
    return 0;
}

std::string ShownName() {
    std::string name = DriverNames[PlayerNameEntry];
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

void CourseStartClick();

}  // namespace

bool ParseGhost(const std::string& text, StoredGhost& ghost) {
    std::istringstream lines(text);
    std::string line;
    bool seed = false, difficulty = false;
    while (std::getline(lines, line)) {
        if (line.rfind("# seed ", 0) == 0) {
            try {
                ghost.Seed = std::stoull(line.substr(7));
                seed = true;
            } catch (const std::exception&) {
                return false;
            }
        }
        if (line.rfind("# difficulty ", 0) == 0) {
            ghost.Easy = line.substr(13) == "easy";
            difficulty = true;
        }
    }
    std::string error;
    ghost.Keys.clear();
    return seed && difficulty && ParseKeyScript(text, ghost.Keys, error);
}

void PrepareTrialGhost(const CourseKey& course, bool easy) {
    ClearGhost();
    StoredGhost stored;
    if (std::string text = ReadGhost(course, easy); !text.empty()) {
        if (ParseGhost(text, stored)) {
            SetGhost(GhostKeys(stored.Keys), nullptr);
            return;
        }
        TellRecordsProblem("The ghost of " + CourseTitle(course) + "'s record could not be read" +
                           (course.Number ? "; par is shown instead." : "."));
    }
    // A player's own course has no proof run to race: its first ghost is his first record.
    if (!course.Number) return;
    char name[32];
    std::snprintf(name, sizeof name, "\\runs\\course%02d", course.Number);
    std::vector<ScriptedKey> keys;
    std::string sav;
    try {
        sav = GamePath(std::string(name) + ".sav");
        if (!ReadScript(GamePath(std::string(name) + ".keys"), keys) || !FileExists(sav)) return;
    } catch (const FileError&) {
        return;
    }
    // Par drives the car the career had when it proved the course, from its grid place.
    if (!LoadCareerFile(sav)) return;
    CurrentCourse = static_cast<i16>(course.Number);
    SetUpRepeatRace();
    GhostStart start{Cars[0], ScrollX, ScrollY};
    SetGhost(GhostKeys(keys), &start);
}

void SetUpCourseRace(const CourseKey& course, RaceMode mode) {
    Current.Course = course;
    Current.Mode = mode;
    BeginNewCareer();
    if (course.Number) CurrentCourse = static_cast<i16>(course.Number);
    SetUpRepeatRace();
    if (mode == RaceMode::Quick) ClearGhost();
    // Nothing to buy or save: the race is the course's, not a career's.
    Panel.Start->Click = CourseStartClick;
    Panel.Shop->Visible = Panel.SaveCareer->Visible = false;
    Panel.Status->Caption = RecordsText(ReadRecords(course, EasyNow(), mode));
    // No place in the series to number: the player's course is his own.
    if (!course.Number) Panel.Title->Caption = "Custom Course";
}

CourseRaceResult RunCourseRace(const CourseKey& course, RaceMode mode, bool easy, bool keepRecords) {
    CourseRaceResult result;
    result.Report = RunRace(RaceSetup{mode == RaceMode::Trial ? i16(0) : RaceCars});
    result.Times.Race = PlayerRaceTime(result.Report.Results);
    result.Times.Lap = result.Report.Results.BestLap > 0 ? Hundredths(result.Report.Results.BestLap) : 0;
    const bool runToEnd = result.Report.Outcome == Outcome::Placed ||
                          result.Report.Outcome == Outcome::NotPlaced;
    if (keepRecords && runToEnd) {
        std::string ghost =
            mode == RaceMode::Trial ? GhostText(DrivenKeyList, CourseRaceSeed, easy) : "";
        result.News = NoteRecords(course, easy, mode, result.Times, ShownName(), ghost);
    }
    std::string note;
    if (result.News.Race) note = "New course record";
    if (result.News.Lap) note += std::string(note.empty() ? "" : " \u00B7 ") + "New lap record";
    LastResults.RecordNote = note;
    return result;
}

std::string RecordsText(const CourseRecords& records) {
    auto one = [](const char* what, const CourseRecord& r) {
        return std::string(what) + " " + HundredthsText(r.Hundredths) + " " + r.Driver;
    };
    std::string text;
    if (records.Lap.Hundredths) text = one("Lap record", records.Lap);
    if (records.Race.Hundredths)
        text += (text.empty() ? "" : " \u00B7 ") + one("Race record", records.Race);
    return text.empty() ? "No records yet" : text;
}

CourseKey CourseOnScreen() {
    if (CoursePickerBox && CoursePickerBox->ShownOnScreen()) return PickedCourse();
    if (Current.OnOwnCourse) return Current.Course;
    return {CurrentCourse, ""};
}

void PutBackCourseFile() {
    if (!Current.OnOwnCourse) return;
    CourseFile = Current.CourseFileBefore;
    Current.OnOwnCourse = false;
}

void BeginCourseRace(const CourseKey& course, bool timeTrial) {
    const RaceMode mode = timeTrial ? RaceMode::Trial : RaceMode::Quick;
    PutBackCourseFile();
    if (!course.Number) {
        Current.CourseFileBefore = CourseFile;
        Current.OnOwnCourse = true;
        CourseFile = course.File;
    }
    if (timeTrial) {
        LoadRaceScreen();
        PrepareTrialGhost(course, EasyNow());
    }
    SetUpCourseRace(course, mode);
}

namespace {

void CourseStartClick() {
    if (!SetMouseIcon(RaceWindow, GamePath("\\resources\\null.cur")))
        SetMousePointer(RaceWindow, PointerKind::Invisible);
    const bool easy = EasyNow();
    CourseRaceResult result = RunCourseRace(Current.Course, Current.Mode, easy, true);
    SetMousePointer(RaceWindow, PointerKind::Default);
    const Outcome outcome = result.Report.Outcome;
    if (outcome == Outcome::Placed || outcome == Outcome::NotPlaced) {
        if (!QuitRequested()) ShowResultsBoard(DriverNames[PlayerNameEntry]);
    } else if (outcome == Outcome::Abandoned) {
        // Nothing to lose outside a career: leaving the race or a burnt-out car just ends it.
        ReturnToFrontEnd();
        return;
    }
    if (QuitRequested() || outcome == Outcome::Running) return;
    // The same course again, against the ghost of a record it may just have set.
    if (Current.Mode == RaceMode::Trial) PrepareTrialGhost(Current.Course, easy);
    SetUpCourseRace(Current.Course, Current.Mode);
}

}  // namespace
