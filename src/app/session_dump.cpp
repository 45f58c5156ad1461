// What a scripted session sees of the screen: controls looked up by the names the game
// gives them, and the dump, one JSON line of what a player would see and hear.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <set>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "race/race.h"
#include "settings/settings.h"

namespace {

// Visible forms, topmost first: the order a player's eye (and mouse) meets them.
std::vector<Form*> FormsOnScreen() {
    std::vector<Form*> forms;
    for (Form* form : FormsInZOrder())
        if (form->Visible) forms.insert(forms.begin(), form);
    return forms;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
}

void Quote(std::string& out, const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);  // UTF-8 passes through as it is
        }
    }
    out += '"';
}

std::string Hex(Colour c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return text;
}

// Shortest text that reads back as the same single-precision number: 1.2, not 1.20000005.
std::string Number(f32 value) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

void Field(std::string& out, const char* name, const std::string& json, bool first = false) {
    if (!first) out += ',';
    Quote(out, name);
    out += ':';
    out += json;
}

void StringField(std::string& out, const char* name, const std::string& text) {
    std::string quoted;
    Quote(quoted, text);
    Field(out, name, quoted);
}

void FormList(std::string& out, const char* name, const std::vector<Form*>& forms,
              bool first = false) {
    std::string list = "[";
    for (const Form* form : forms) {
        if (list.size() > 1) list += ',';
        Quote(list, form->Name);
    }
    Field(out, name, list + "]", first);
}

std::string ControlJson(const Control& c) {
    std::string out = "{";
    std::string caption;
    if (c.Kind == ControlKind::ListBox) {
        caption = "[";
        for (std::size_t i = 0; i < c.List.size(); ++i) {
            if (i) caption += ',';
            Quote(caption, c.List[i]);
        }
        caption += "]";
    } else {
        Quote(caption, c.Kind == ControlKind::TextBox ? c.Text : c.Caption);
    }
    Field(out, "caption", caption, true);
    if (c.Kind == ControlKind::ListBox) Field(out, "selected", std::to_string(c.ListIndex));
    StringField(out, "fore", Hex(c.ForeColor));
    StringField(out, "back", Hex(c.BackColor));
    Field(out, "left", std::to_string(c.CanvasLeft()));
    Field(out, "top", std::to_string(c.CanvasTop()));
    Field(out, "width", std::to_string(c.Width));
    Field(out, "height", std::to_string(c.Height));
    return out + "}";
}

// Every control a player can see, keyed by window and name; where a window repeats a name
// (the lamps' rims), the first one made is the one a script reaches, so it alone is listed.
std::string ControlsJson(const std::vector<Form*>& forms) {
    std::string out = "{";
    std::set<std::string> listed;
    for (const Form* form : forms)
        for (const auto& control : form->Controls) {
            if (!control->ShownOnScreen()) continue;
            std::string key = ControlKey(*control);
            if (!listed.insert(key).second) continue;
            if (out.size() > 1) out += ',';
            Quote(out, key);
            out += ':';
            out += ControlJson(*control);
        }
    return out + "}";
}

// The pointer shown is the one of the form under it. A custom pointer with nothing in its
// mask (the race's empty cursor) is as good as none.
std::string PointerShown() {
    const Form* form = FormUnderPointer();
    if (!form) return "";
    if (form->Pointer == PointerKind::Invisible) return "none";
    if (form->Pointer != PointerKind::Custom || form->PointerImage.Empty()) return "";
    const auto& mask = form->PointerMask.Pixels;
    if (std::all_of(mask.begin(), mask.end(), [](std::uint32_t p) { return p == 0; }))
        return "none";
    return form->PointerFile;
}

std::string SoundsJson() {
    std::string out = "[";
    for (const SoundStart& sound : TakeSoundLog()) {
        if (out.size() > 1) out += ',';
        out += '{';
        std::string file;
        Quote(file, sound.File);
        Field(out, "file", file, true);
        Field(out, "volume", std::to_string(sound.Volume));
        Field(out, "loop", sound.Loop ? "true" : "false");
        out += '}';
    }
    return out + "]";
}

// The fields a career file keeps of each car, under the trace's names.
std::string CarsJson() {
    std::string out = "[";
    auto real = [](f32 v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", double(v));
        return std::string(text);
    };
    for (int i = 0; i < 9; ++i) {
        const CarRecord& c = Cars[i];
        if (i) out += ',';
        out += '{';
        Field(out, "SteerCount", std::to_string(c.SteerCount), true);
        Field(out, "TopSpeed", std::to_string(c.TopSpeed));
        Field(out, "Accel", real(c.Accel));
        Field(out, "Tyres", real(c.Tyres));
        Field(out, "TyresMax", std::to_string(c.TyresMax));
        Field(out, "Engine", real(c.Engine));
        Field(out, "EngineMax", std::to_string(c.EngineMax));
        Field(out, "Gas", real(c.Gas));
        Field(out, "BodyMax", std::to_string(c.BodyMax));
        Field(out, "Body", real(c.Body));
        Field(out, "BodyLevel", std::to_string(c.BodyLevel));
        Field(out, "TyresLevel", std::to_string(c.TyresLevel));
        Field(out, "EngineLevel", std::to_string(c.EngineLevel));
        Field(out, "AiTarget", std::to_string(c.AiTarget));
        Field(out, "Status", std::to_string(static_cast<int>(c.Status)));
        Field(out, "Cash", std::to_string(c.Cash));
        out += '}';
    }
    return out + "]";
}

// The results board as a player reads it: the places in order, the best lap, the prize.
std::string ResultsJson() {
    std::string rows = "[";
    for (int i = 0; i < LastResults.Count; ++i) {
        const ResultRow& row = LastResults.Rows[i];
        if (i) rows += ',';
        rows += '{';
        Field(rows, "place", std::to_string(i + 1), true);
        Field(rows, "car", std::to_string(row.Car));
        StringField(rows, "driver", DriverName(row.Car, DriverNames[PlayerNameEntry]));
        StringField(rows, "time", ResultTime(row));
        rows += '}';
    }
    std::string out = "{";
    Field(out, "rows", rows + "]", true);
    StringField(out, "best", LastResults.BestLap > 0 ? Format(LastResults.BestLap, "00.00") : "");
    Field(out, "prize", std::to_string(LastResults.Prize));
    if (!LastResults.RecordNote.empty()) StringField(out, "note", LastResults.RecordNote);
    return out + "}";
}

}  // namespace

bool ParseControlName(const std::string& text, ControlName& name) {
    name = {};
    std::string rest = text;
    if (std::size_t dot = rest.find('.'); dot != std::string::npos) {
        name.Window = rest.substr(0, dot);
        rest = rest.substr(dot + 1);
        if (name.Window.empty()) return false;
    }
    if (std::size_t open = rest.find('('); open != std::string::npos) {
        std::string index = rest.substr(open + 1);
        if (index.empty() || index.back() != ')') return false;
        index.pop_back();
        if (!AllDigits(index) || index.size() > 4) return false;
        name.Index = std::stoi(index);
        rest = rest.substr(0, open);
    }
    name.Name = rest;
    return !rest.empty() && rest.find_first_of(".() ") == std::string::npos;
}

std::string ControlKey(const Control& control) {
    std::string key = (control.Owner ? control.Owner->Name : std::string()) + "." + control.Name;
    if (control.Index >= 0) key += "(" + std::to_string(control.Index) + ")";
    return key;
}

Control* FindShownControl(const ControlName& name, std::string& problem) {
    std::string shownName = name.Name + (name.Index >= 0 ? "(" + std::to_string(name.Index) + ")" : "");
    bool windowSeen = false, hidden = false;
    for (Form* form : FormsOnScreen()) {
        if (!name.Window.empty() && form->Name != name.Window) continue;
        windowSeen = true;
        Control* control = FindControl(form, name.Name, name.Index);
        if (control && control->ShownOnScreen()) return control;
        hidden = hidden || control;
    }
    if (!name.Window.empty() && !windowSeen)
        problem = "the window " + QuoteInput(name.Window) + " is not on screen";
    else if (hidden)
        problem = QuoteInput(shownName) + " is hidden";
    else
        problem = "no window on screen has a control " + QuoteInput(shownName);
    return nullptr;
}

// The records of the course on screen at the difficulty chosen, for both modes.
std::string RecordsJson() {
    const CourseKey course = CourseOnScreen();
    const bool easy = Settings.Difficulty == DifficultyEasy;
    std::string out = "{";
    for (RaceMode mode : {RaceMode::Quick, RaceMode::Trial}) {
        // A dump only looks: a damaged file is the screens' to find and tell.
        const CourseRecords records = ReadRecords(course, easy, mode, false);
        std::string modeJson = "{";
        bool first = true;
        for (auto [name, record] : {std::pair{"lap", &records.Lap}, std::pair{"race", &records.Race}}) {
            if (!record->Hundredths) continue;
            std::string one = "{";
            StringField(one, "time", HundredthsText(record->Hundredths));
            one.erase(1, 1);  // the first field's comma
            StringField(one, "driver", record->Driver);
            StringField(one, "date", record->Date);
            Field(modeJson, name, one + "}", first);
            first = false;
        }
        Field(out, mode == RaceMode::Quick ? "quick" : "trial", modeJson + "}", out.size() == 1);
    }
    return out + "}";
}

std::string DumpScreen() {
    std::vector<Form*> forms = FormsOnScreen();
    std::vector<Form*> enabled;
    for (Form* form : forms)
        if (FormTakesInput(form)) enabled.push_back(form);

    std::string out = "{";
    FormList(out, "forms", forms, true);
    FormList(out, "enabled", enabled);
    Field(out, "controls", ControlsJson(forms));
    Form* active = ActiveForm();
    Control* focus = active ? active->Focus : nullptr;
    StringField(out, "focus", focus && focus->ShownOnScreen() ? ControlKey(*focus) : "");
    StringField(out, "pointer", PointerShown());
    Field(out, "sounds", SoundsJson());
    Field(out, "difficulty", Number(Settings.Difficulty));
    StringField(out, "driver", DriverNames[10]);
    Field(out, "course", std::to_string(CurrentCourse));
    Field(out, "outcome", std::to_string(static_cast<int>(ShownOutcome())));
    // Where the race's random numbers stand: with the career file, enough for the fast-run
    // search to race the very race the next Start would run.
    Field(out, "random", std::to_string(RaceRandomState()));
    if (const std::string* message = MessageOnScreen()) StringField(out, "message", *message);
    if (ResultsBoardShown()) Field(out, "results", ResultsJson());
    Field(out, "records", RecordsJson());
    Field(out, "cars", CarsJson());
    return out + "}";
}
