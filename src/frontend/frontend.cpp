// The front end's window: its layout, its load, the highlight rule every menu item
// follows, and the main menu, options and controls help. The career menus' own handlers
// are in career_menus.cpp.
#include "frontend/frontend.h"

#include <vector>

#include "course/course.h"

#include "settings/settings.h"
#include "sound/sound.h"

Form* FrontEnd = nullptr;
Control* FrontEndBox = nullptr;
Control* OptionBox = nullptr;
Control* ControlsBox = nullptr;
Control* CareerModeBox = nullptr;
Control* NewDriverBox = nullptr;
Control* LoadGameBox = nullptr;
Control* CoursePickerBox = nullptr;
Control* DifLabel = nullptr;
Control* DriverNameBox = nullptr;
Control* SaveGameList = nullptr;
Control* PlayerNameField = nullptr;

void (*StartNewCareer)() = nullptr;
bool (*StartSavedCareer)() = nullptr;

namespace {

Control* Picture1 = nullptr;
Control* Picture2 = nullptr;
Control* BlackOut = nullptr;  // the window's own black-out box, not the race window's

constexpr Colour Yellow = RGB(255, 255, 0);
constexpr Colour Olive = RGB(128, 128, 0);
constexpr Colour CreditGrey = RGB(128, 128, 128);
constexpr Colour CreditBack = RGB(64, 64, 0);
constexpr Colour NameGrey = RGB(224, 224, 224);

constexpr int MainWidth = 640;
constexpr int MainHeight = 480;
constexpr int SubWidth = 250;
constexpr int SubHeight = 306;

// ---------------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------------

struct TextLook {
    float Size;
    bool Bold;
    Colour Fore;
    Alignment Align;
};
constexpr TextLook TitleLook{27.75f, false, Yellow, Alignment::Centre};
constexpr TextLook StudioLook{9.0f, false, Olive, Alignment::Centre};
constexpr TextLook MainHeadingLook{21.75f, true, HeadingColour, Alignment::Centre};
constexpr TextLook HeadingLook{21.75f, false, HeadingColour, Alignment::Centre};
constexpr TextLook ItemLook{15.75f, false, MenuNormal, Alignment::Centre};
// A size smaller than the panel's other texts, so that each row's dotted leader fits its column.
constexpr TextLook HelpRowLook{9.75f, true, MenuLit, Alignment::Left};
constexpr TextLook HintLook{9.75f, true, HeadingColour, Alignment::Centre};
constexpr TextLook NameTagLook{12.0f, false, HeadingColour, Alignment::Left};
constexpr TextLook ListTagLook{12.0f, false, Olive, Alignment::Left};
constexpr TextLook ChosenNameLook{12.0f, false, Yellow, Alignment::Left};
constexpr TextLook EmptyListLook{12.0f, false, HeadingColour, Alignment::Centre};
constexpr TextLook ProblemLook{8.25f, false, Olive, Alignment::Centre};
constexpr TextLook CreditLook{8.25f, false, CreditGrey, Alignment::Left};
constexpr TextLook VersionLook{8.25f, false, HeadingColour, Alignment::Centre};

// The menu items by what they are. Each is made under the name beside it, which scripts,
// dumps and the window system know it by; the tables below name items only through these.
namespace Item {
// main menu
constexpr const char* CareerMode = "Label1";
constexpr const char* Options = "Label2";
constexpr const char* Exit = "Label3";
constexpr const char* QuickRace = "QuickRaceItem";
constexpr const char* TimeTrial = "TimeTrialItem";
// The course picker
constexpr const char* PreviousCourse = "PreviousCourse";
constexpr const char* NextCourse = "NextCourse";
constexpr const char* RaceCourse = "RaceCourse";
constexpr const char* PickerExit = "PickerExit";
// Career Mode
constexpr const char* NewDriver = "Label21";
constexpr const char* LoadGame = "Label18";
constexpr const char* CareerModeExit = "Label20";
// New Driver: the name box
constexpr const char* DriverName = "Text1";
constexpr const char* StartCareer = "Label27";
constexpr const char* NewDriverExit = "Label24";
// Load Game
constexpr const char* CareerList = "SaveGameList";
constexpr const char* LoadCareer = "Label29";
constexpr const char* LoadGameExit = "Label28";
// Options
constexpr const char* Controls = "Label7";
constexpr const char* ControlsBlank = "Label8";
constexpr const char* Difficulty = "Label4";
constexpr const char* DifficultyValue = "DifLabel";
constexpr const char* OptionsDone = "Label13";
// Controls help
constexpr const char* ControlsDone = "Label39";
}  // namespace Item

struct LabelRow {
    const char* Name;
    const char* Caption;
    int Left, Top, Width, Height;
    const TextLook* Look;
};

const LabelRow MainPanelLabels[] = {
    {"CreditLabel", "Brambleworks Software", 112, 10, 425, 33, &StudioLook},
    {"Label16", "Presents", 107, 27, 425, 33, &StudioLook},
    {"TitleLabel", "GRAVEL GHOSTS RACER", 83, 41, 470, 46, &TitleLook},
    {"Label14", "Main Menu", 240, 128, 177, 41, &MainHeadingLook},
    // Five items 40 apart where three stood 48 apart, under the same heading.
    {Item::CareerMode, "Career Mode", 240, 192, 185, 33, &ItemLook},
    {Item::QuickRace, "Quick Race", 240, 232, 185, 33, &ItemLook},
    {Item::TimeTrial, "Time Trial", 240, 272, 185, 33, &ItemLook},
    {Item::Options, "Options", 240, 312, 185, 33, &ItemLook},
    {Item::Exit, "Exit", 240, 352, 185, 33, &ItemLook},
};

const LabelRow CareerModeLabels[] = {
    {"Label26", "Career Mode", 0, 32, 249, 41, &HeadingLook},
    {Item::NewDriver, "New Driver", 48, 104, 153, 25, &ItemLook},
    {Item::LoadGame, "Load Game", 48, 129, 153, 33, &ItemLook},
    {Item::CareerModeExit, "Exit", 48, 200, 153, 25, &ItemLook},
};

const LabelRow NewDriverLabels[] = {
    {"Label22", "New Driver", 2, 33, 249, 41, &HeadingLook},
    {Item::StartCareer, "Start Career", 49, 157, 153, 33, &ItemLook},
    {Item::NewDriverExit, "Exit", 48, 189, 153, 25, &ItemLook},
};

const LabelRow LoadGameLabels[] = {
    {"CareerDriversLabel", "Career Drivers", 0, 32, 257, 41, &HeadingLook},
    {"Label25", "Name:", 24, 206, 65, 25, &ListTagLook},
    {"PlayerNameField", "", 96, 206, 145, 25, &ChosenNameLook},
    {"LoadProblemLabel", "", 0, 230, 250, 16, &ProblemLook},
    {Item::LoadCareer, "Load Career", 48, 248, 153, 33, &ItemLook},
    {Item::LoadGameExit, "Exit", 48, 280, 153, 25, &ItemLook},
};

// The course picker covers the main panel but for its edge: the course's preview on the
// left, its laps and records on the right, the items along the foot.
constexpr int PickerWidth = 600, PickerHeight = 400;
constexpr int PreviewLeft = 24, PreviewTop = 96, PreviewWidth = 320, PreviewHeight = 240;
constexpr int PickerFactsLeft = 364;
constexpr TextLook PickerFactLook{12.0f, false, NameGrey, Alignment::Left};
constexpr TextLook PickerTagLook{9.75f, true, HeadingColour, Alignment::Left};
constexpr TextLook PickerCourseLook{14.25f, false, Yellow, Alignment::Centre};
const LabelRow PickerLabels[] = {
    {"PickerHeading", "Quick Race", 0, 12, PickerWidth, 41, &HeadingLook},
    {"PickerCourse", "", 0, 56, PickerWidth, 28, &PickerCourseLook},
    {"PickerLapsTag", "Laps", PickerFactsLeft, 96, 200, 20, &PickerTagLook},
    {"PickerLaps", "", PickerFactsLeft, 116, 220, 24, &PickerFactLook},
    {"PickerDifficultyTag", "Difficulty", PickerFactsLeft, 150, 200, 20, &PickerTagLook},
    {"PickerDifficulty", "", PickerFactsLeft, 170, 220, 24, &PickerFactLook},
    {"PickerLapRecordTag", "Lap record", PickerFactsLeft, 204, 200, 20, &PickerTagLook},
    {"PickerLapRecord", "", PickerFactsLeft, 224, 220, 24, &PickerFactLook},
    {"PickerRaceRecordTag", "Race record", PickerFactsLeft, 258, 200, 20, &PickerTagLook},
    {"PickerRaceRecord", "", PickerFactsLeft, 278, 220, 24, &PickerFactLook},
    {Item::PreviousCourse, "< Course", 24, 356, 140, 33, &ItemLook},
    {Item::NextCourse, "Course >", 204, 356, 140, 33, &ItemLook},
    {Item::RaceCourse, "Race", 364, 356, 100, 33, &ItemLook},
    {Item::PickerExit, "Exit", 484, 356, 90, 33, &ItemLook},
};
// Over the blank preview of a course file that cannot be raced: why not.
constexpr TextLook PickerProblemLook{12.0f, false, Olive, Alignment::Centre};
const LabelRow PickerProblemLabel[] = {
    {"PickerProblem", "", PreviewLeft + 16, PreviewTop + 80, PreviewWidth - 32, 96, &PickerProblemLook},
};

const LabelRow OptionLabels[] = {
    {"Label12", "Options", 0, 32, 249, 41, &MainHeadingLook},
    {Item::Controls, "Controls", 0, 96, 161, 25, &ItemLook},
    {Item::ControlsBlank, "", 160, 96, 73, 17, &ItemLook},
    {Item::Difficulty, "Difficulty", 4, 120, 153, 33, &ItemLook},
    {Item::DifficultyValue, "Normal", 160, 120, 73, 25, &ItemLook},
    {Item::OptionsDone, "Done", 96, 264, 81, 33, &ItemLook},
};

// The Controls help names every key and pad button, keyboard on the left and pad on the
// right, so it is wider than the other sub-panels and opens further left.
constexpr int ControlsWidth = 470;
constexpr int ControlsHeight = 330;
constexpr TextLook ColumnHeadLook{12.0f, true, HeadingColour, Alignment::Centre};
const LabelRow ControlsLabels[] = {
    {"Label38", "Controls", 0, 16, ControlsWidth, 41, &HeadingLook},
    {"KeyboardLabel", "Keyboard", 26, 60, 220, 20, &ColumnHeadLook},
    {"Label33", "Left/Right/Accel...", 26, 84, 125, 20, &HelpRowLook},
    {"Label36", "Arrows", 151, 84, 95, 20, &HelpRowLook},
    {"Label30", "Cruise Control......", 26, 104, 125, 20, &HelpRowLook},
    {"Label37", "Down Arrow", 151, 104, 95, 20, &HelpRowLook},
    {"Label31", "Brake....................", 26, 124, 125, 20, &HelpRowLook},
    {"Label40", "Space Bar", 151, 124, 95, 20, &HelpRowLook},
    {"PauseKeyRow", "Pause....................", 26, 144, 125, 20, &HelpRowLook},
    {"PauseKey", "P", 151, 144, 95, 20, &HelpRowLook},
    {"LeaveKeyRow", "Leave Race...........", 26, 164, 125, 20, &HelpRowLook},
    {"LeaveKey", "Esc, then Esc", 151, 164, 95, 20, &HelpRowLook},
    {"ShotKeyRow", "Screenshot...........", 26, 184, 125, 20, &HelpRowLook},
    {"ShotKey", "T", 151, 184, 95, 20, &HelpRowLook},
    {"SkipKeyRow", "Skip Course..........", 26, 204, 125, 20, &HelpRowLook},
    {"SkipKey", "L", 151, 204, 95, 20, &HelpRowLook},
    {"FullKeyRow", "Full Screen...........", 26, 224, 125, 20, &HelpRowLook},
    {"FullKey", "F11, Alt+Enter", 151, 224, 95, 20, &HelpRowLook},
    {"PadLabel", "Pad", 256, 60, 200, 20, &ColumnHeadLook},
    {"PadSteerRow", "Steer..............", 256, 84, 90, 20, &HelpRowLook},
    {"PadSteer", "D-pad, Left Stick", 350, 84, 112, 20, &HelpRowLook},
    {"PadAccelRow", "Accelerate....", 256, 104, 90, 20, &HelpRowLook},
    {"PadAccel", "A, Right Trigger", 350, 104, 112, 20, &HelpRowLook},
    {"PadBrakeRow", "Brake............", 256, 124, 90, 20, &HelpRowLook},
    {"PadBrake", "B, Left Trigger", 350, 124, 112, 20, &HelpRowLook},
    {"PadCruiseRow", "Cruise...........", 256, 144, 90, 20, &HelpRowLook},
    {"PadCruise", "X, Shoulders", 350, 144, 112, 20, &HelpRowLook},
    {"PadPauseRow", "Pause............", 256, 164, 90, 20, &HelpRowLook},
    {"PadPause", "Start", 350, 164, 112, 20, &HelpRowLook},
    {"Label35",
     "Hint: Holding down left or right arrow does a hard wheel crank. Release and press "
     "again to turn gradually.",
     256, 192, 200, 64, &HintLook},
    {Item::ControlsDone, "Done", (ControlsWidth - 81) / 2, 284, 81, 33, &ItemLook},
};

Control* Label(Control* parent, const LabelRow& row) {
    Font font;
    font.Size = row.Look->Size;
    font.Bold = row.Look->Bold;
    return AddLabel(FrontEnd, parent, row.Name, row.Caption, row.Left, row.Top, row.Width,
                    row.Height, font, row.Look->Fore, row.Look->Align);
}

template <std::size_t N>
void Labels(Control* parent, const LabelRow (&rows)[N]) {
    for (const LabelRow& row : rows) Label(parent, row);
}

Control* Box(Control* parent, ControlKind kind, const char* name, int left, int top, int width,
             int height, Colour back) {
    Control* box = AddControl(FrontEnd, parent, kind, name, left, top, width, height);
    box->BackColor = back;
    return box;
}

// Sub-panels wait hidden inside the main panel until an item opens them.
Control* SubPanel(const char* name) {
    Control* panel = Box(FrontEndBox, ControlKind::Panel, name, 0, 0, SubWidth, SubHeight,
                         PaletteColour(PanelBack));
    panel->Visible = false;
    return panel;
}

void BuildWindow() {
    FrontEnd = CreateForm("FrontEnd", CanvasWidth, CanvasHeight);
    FrontEnd->BackColor = RGB(0, 0, 0);

    // Controls are drawn in the order they are made, so every panel comes after what it
    // covers and the sub-panels that open from another come after it.
    FrontEndBox = Box(nullptr, ControlKind::Panel, "FrontEndBox", 75, 50, MainWidth,
                      MainHeight, PaletteColour(PanelBack));
    Labels(FrontEndBox, MainPanelLabels);

    // The credits at the window's bottom-left, under the main panel.
    Label(nullptr, {"CreditLabel1", "Pictures, sounds and courses made for this game", 8,
                    CanvasHeight - 40, 320, 15, &CreditLook})
        ->ForeColor = PaletteColour(CreditGrey);
    Control* version = Label(nullptr, {"CreditLabel2", "Version 1.0", 8, CanvasHeight - 22, 96,
                                       15, &VersionLook});
    version->ForeColor = PaletteColour(VersionLook.Fore);
    version->Transparent = false;
    version->BackColor = PaletteColour(CreditBack);

    CareerModeBox = SubPanel("CareerModeBox");
    Labels(CareerModeBox, CareerModeLabels);

    NewDriverBox = SubPanel("NewDriverBox");
    Labels(NewDriverBox, NewDriverLabels);
    Picture1 = Box(NewDriverBox, ControlKind::PictureBox, "Picture1", 11, 104, 228, 35,
                   RGB(0, 0, 0));
    Label(Picture1, {"Label23", "Name:", 5, 5, 65, 25, &NameTagLook});
    DriverNameBox =
        Box(Picture1, ControlKind::TextBox, Item::DriverName, 84, 4, 138, 20, RGB(0, 0, 0));
    DriverNameBox->ForeColor = NameGrey;
    DriverNameBox->TextFont.Size = 12.0f;
    DriverNameBox->AcceptsText = DriverNameAccepted;

    LoadGameBox = SubPanel("LoadGameBox");
    Labels(LoadGameBox, LoadGameLabels);
    PlayerNameField = NamedControl(FrontEnd, "PlayerNameField");
    Picture2 = Box(LoadGameBox, ControlKind::PictureBox, "Picture2", 34, 69, 193, 131,
                   RGB(0, 0, 0));
    SaveGameList = Box(Picture2, ControlKind::ListBox, Item::CareerList, 7, 7, 177, 116,
                       PaletteColour(RGB(0, 0, 0)));
    SaveGameList->ForeColor = RGB(255, 255, 255);
    SaveGameList->TextFont = Font{"Times New Roman", 12.0f, false};
    // Where the list would be, while it has nobody to list.
    Label(Picture2, {"NoCareersLabel", "No careers saved yet", 0, 52, 193, 24, &EmptyListLook})
        ->Visible = false;

    OptionBox = SubPanel("OptionBox");
    Labels(OptionBox, OptionLabels);
    DifLabel = NamedControl(FrontEnd, Item::DifficultyValue);

    CoursePickerBox = SubPanel("CoursePickerBox");
    CoursePickerBox->Width = PickerWidth;
    CoursePickerBox->Height = PickerHeight;
    Labels(CoursePickerBox, PickerLabels);
    Box(CoursePickerBox, ControlKind::PictureBox, "PickerPreview", PreviewLeft, PreviewTop,
        PreviewWidth, PreviewHeight, RGB(0, 0, 0));
    Labels(CoursePickerBox, PickerProblemLabel);

    ControlsBox = SubPanel("ControlsBox");
    ControlsBox->Width = ControlsWidth;
    ControlsBox->Height = ControlsHeight;
    Labels(ControlsBox, ControlsLabels);
    NamedControl(FrontEnd, "Label35")->WordWrap = true;

    // Larger than the screen, over everything, until the load is done.
    BlackOut = Box(nullptr, ControlKind::Panel, "BlackOutBox", 0, 0, CanvasWidth + 64,
                   CanvasHeight + 64, RGB(0, 0, 0));
}

// ---------------------------------------------------------------------------------
// The highlight rule
// ---------------------------------------------------------------------------------

constexpr const char* GreenLight = "\\resources\\Trffc10a.ico";
constexpr const char* YellowLight = "\\resources\\Trffc10b.ico";
constexpr const char* RedLight = "\\resources\\Trffc10c.ico";

enum class HoverSound { None, Roll, Skid };

struct HoverRule {
    const char* Over;    // the control under the pointer; nullptr: the window's background
    const char* Lights;  // the item that lights; nullptr where the pointer only dims
    const char* Icon;    // the pointer it brings, or nullptr to leave the pointer alone
    HoverSound Sound;
    bool StopsSkid;      // the backgrounds the Exit item's skid ends on
    const char* Dims[5];
};

// clang-format off
const HoverRule HoverRules[] = {
    // Main menu
    {Item::CareerMode, Item::CareerMode, GreenLight, HoverSound::Roll, false,
     {Item::QuickRace, Item::TimeTrial, Item::Options, Item::Exit}},
    {Item::QuickRace, Item::QuickRace, GreenLight, HoverSound::Roll, false,
     {Item::CareerMode, Item::TimeTrial, Item::Options, Item::Exit}},
    {Item::TimeTrial, Item::TimeTrial, GreenLight, HoverSound::Roll, false,
     {Item::CareerMode, Item::QuickRace, Item::Options, Item::Exit}},
    {Item::Options, Item::Options, YellowLight, HoverSound::Roll, false,
     {Item::CareerMode, Item::QuickRace, Item::TimeTrial, Item::Exit}},
    {Item::Exit, Item::Exit, RedLight, HoverSound::Skid, false,
     {Item::CareerMode, Item::QuickRace, Item::TimeTrial, Item::Options}},
    {nullptr, nullptr, nullptr, HoverSound::None, false,
     {Item::CareerMode, Item::QuickRace, Item::TimeTrial, Item::Options, Item::Exit}},
    {"FrontEndBox", nullptr, nullptr, HoverSound::None, true, {}},
    // Options: the blank beside "Controls" is an item of its own, which "Controls" leaves
    // lit; "Difficulty" lights the value beside it.
    {Item::Controls, Item::Controls, nullptr, HoverSound::Roll, false,
     {Item::DifficultyValue, Item::OptionsDone}},
    {Item::ControlsBlank, Item::ControlsBlank, nullptr, HoverSound::Roll, false,
     {Item::Controls, Item::DifficultyValue, Item::OptionsDone}},
    {Item::Difficulty, Item::DifficultyValue, nullptr, HoverSound::Roll, false,
     {Item::Controls, Item::ControlsBlank, Item::OptionsDone}},
    {Item::DifficultyValue, Item::DifficultyValue, nullptr, HoverSound::Roll, false,
     {Item::Controls, Item::ControlsBlank, Item::OptionsDone}},
    {Item::OptionsDone, Item::OptionsDone, nullptr, HoverSound::Roll, false,
     {Item::Controls, Item::ControlsBlank, Item::DifficultyValue}},
    // Controls help: "Done" lights silently and goes out over the panel
    {Item::ControlsDone, Item::ControlsDone, nullptr, HoverSound::None, false, {}},
    {"ControlsBox", nullptr, nullptr, HoverSound::None, false, {Item::ControlsDone}},
    // Career Mode
    {Item::NewDriver, Item::NewDriver, GreenLight, HoverSound::Roll, false,
     {Item::LoadGame, Item::CareerModeExit}},
    {Item::LoadGame, Item::LoadGame, GreenLight, HoverSound::Roll, false,
     {Item::NewDriver, Item::CareerModeExit}},
    {Item::CareerModeExit, Item::CareerModeExit, RedLight, HoverSound::Roll, false,
     {Item::NewDriver, Item::LoadGame}},
    {"CareerModeBox", nullptr, nullptr, HoverSound::None, true, {}},
    // New Driver
    {Item::StartCareer, Item::StartCareer, GreenLight, HoverSound::Roll, false,
     {Item::NewDriverExit}},
    {Item::NewDriverExit, Item::NewDriverExit, RedLight, HoverSound::Roll, false,
     {Item::StartCareer}},
    // Load Game
    {Item::LoadCareer, Item::LoadCareer, nullptr, HoverSound::Roll, false, {Item::LoadGameExit}},
    {Item::LoadGameExit, Item::LoadGameExit, nullptr, HoverSound::Roll, false, {Item::LoadCareer}},
    // The course picker
    {Item::PreviousCourse, Item::PreviousCourse, nullptr, HoverSound::Roll, false,
     {Item::NextCourse, Item::RaceCourse, Item::PickerExit}},
    {Item::NextCourse, Item::NextCourse, nullptr, HoverSound::Roll, false,
     {Item::PreviousCourse, Item::RaceCourse, Item::PickerExit}},
    {Item::RaceCourse, Item::RaceCourse, GreenLight, HoverSound::Roll, false,
     {Item::PreviousCourse, Item::NextCourse, Item::PickerExit}},
    {Item::PickerExit, Item::PickerExit, RedLight, HoverSound::Roll, false,
     {Item::PreviousCourse, Item::NextCourse, Item::RaceCourse}},
    {"CoursePickerBox", nullptr, nullptr, HoverSound::None, true,
     {Item::PreviousCourse, Item::NextCourse, Item::RaceCourse, Item::PickerExit}},
};
// clang-format on

void Hover(const HoverRule& rule) {
    if (rule.StopsSkid) Stop(SkidSounds[0].get());
    if (rule.Lights) {
        Control* item = NamedControl(FrontEnd, rule.Lights);
        // Already lit: the sound plays once per entry, not at every move.
        if (item->ForeColor == MenuLit) return;
        item->ForeColor = MenuLit;
    }
    for (const char* name : rule.Dims)
        if (name) NamedControl(FrontEnd, name)->ForeColor = MenuNormal;
    // A missing icon file leaves the pointer as it was.
    if (rule.Icon) SetMouseIcon(FrontEnd, GamePath(rule.Icon));
    if (rule.Sound == HoverSound::Roll) PlayRoll(0, True16);
    if (rule.Sound == HoverSound::Skid) PlaySkid(-500);
    Refresh();
}

// ---------------------------------------------------------------------------------
// What pressing an item does
// ---------------------------------------------------------------------------------

enum class Press { ButtonDown, Click };

struct PressRule {
    const char* Item;
    Press When;
    void (*Action)();
};

const PressRule PressRules[] = {
    {Item::CareerMode, Press::ButtonDown, CareerModeDown},
    {Item::Options, Press::Click, OptionsClick},
    {Item::Exit, Press::ButtonDown, ExitDown},
    {Item::QuickRace, Press::Click, QuickRaceClick},
    {Item::TimeTrial, Press::Click, TimeTrialClick},
    {Item::PreviousCourse, Press::Click, PreviousCourseClick},
    {Item::NextCourse, Press::Click, NextCourseClick},
    {Item::RaceCourse, Press::Click, RaceCourseClick},
    {Item::PickerExit, Press::Click, PickerExitClick},
    {Item::Controls, Press::ButtonDown, ControlsDown},
    {Item::Difficulty, Press::Click, DifficultyClick},
    {Item::OptionsDone, Press::Click, OptionsDoneClick},
    {Item::ControlsDone, Press::Click, ControlsDoneClick},
    {Item::NewDriver, Press::ButtonDown, NewDriverDown},
    {Item::LoadGame, Press::Click, LoadGameClick},
    {Item::CareerModeExit, Press::ButtonDown, CareerModeExitDown},
    {Item::StartCareer, Press::Click, StartCareerClick},
    {Item::NewDriverExit, Press::Click, NewDriverExitClick},
    {Item::CareerList, Press::Click, SaveGameListClick},
    {Item::LoadCareer, Press::Click, LoadCareerClick},
    {Item::LoadGameExit, Press::Click, LoadGameExitClick},
};

// ---------------------------------------------------------------------------------
// Keys
// ---------------------------------------------------------------------------------

// Each panel's items in the order the keys visit them, and its own way out; the keys work
// the topmost panel open, so the table runs from the panels drawn last.
struct KeyPanel {
    Control** Panel;
    const char* Items[5];
    void (*Back)();
};
const KeyPanel KeyPanels[] = {
    {&CoursePickerBox,
     {Item::PreviousCourse, Item::NextCourse, Item::RaceCourse, Item::PickerExit},
     PickerExitClick},
    {&ControlsBox, {Item::ControlsDone}, ControlsDoneClick},
    {&OptionBox, {Item::Controls, Item::Difficulty, Item::OptionsDone}, OptionsDoneClick},
    {&LoadGameBox, {Item::CareerList, Item::LoadCareer, Item::LoadGameExit}, LoadGameExitClick},
    {&NewDriverBox, {Item::DriverName, Item::StartCareer, Item::NewDriverExit}, NewDriverExitClick},
    {&CareerModeBox, {Item::NewDriver, Item::LoadGame, Item::CareerModeExit}, CareerModeExitDown},
    {&FrontEndBox, {Item::CareerMode, Item::QuickRace, Item::TimeTrial, Item::Options, Item::Exit},
     nullptr},
};
FocusList PanelKeys[std::size(KeyPanels)];

// An item that lights another in its place ("Difficulty" lights the value beside it)
// shows the keys' focus there.
Control* LightsFor(const char* name) {
    for (const HoverRule& rule : HoverRules)
        if (rule.Over && rule.Lights && std::string(rule.Over) == name)
            return NamedControl(FrontEnd, rule.Lights);
    return nullptr;
}

void BuildKeyPanels() {
    for (std::size_t p = 0; p < std::size(KeyPanels); ++p) {
        FocusList& list = PanelKeys[p];
        list = FocusList{};
        for (const char* name : KeyPanels[p].Items)
            if (name)
                list.Items.push_back(
                    {NamedControl(FrontEnd, name), MenuNormal, MenuLit, LightsFor(name)});
        if (KeyPanels[p].Back) list.Back = KeyPanels[p].Back;
    }
}

const FocusList& TopPanelKeys() {
    for (std::size_t p = 0; p < std::size(KeyPanels); ++p)
        if ((*KeyPanels[p].Panel)->Visible) return PanelKeys[p];
    return PanelKeys[std::size(KeyPanels) - 1];
}

void FrontEndKeys(int keyCode) {
    // Enter on the New Driver panel keeps its own meaning: start under the name as typed.
    if (NewDriverBox->Visible && keyCode == vbKeyReturn) {
        FrontEndKeyDown(keyCode);
        return;
    }
    const FocusList& keys = TopPanelKeys();
    // A pad cannot type: its south button on the name box starts the career as the
    // "Start Career" item does, with a name drawn for an empty box.
    if (NewDriverBox->Visible && keyCode == vbPadA && FocusedStop(keys) == 0) {
        StartCareerClick();
        return;
    }
    FocusMove move = FocusKey(keys, keyCode);
    if (move == FocusMove::Choose || move == FocusMove::Back) ShowFocus(TopPanelKeys());
}

void BindHandlers() {
    for (const HoverRule& rule : HoverRules) {
        auto hover = [&rule](int, int, int) { Hover(rule); };
        if (rule.Over)
            NamedControl(FrontEnd, rule.Over)->MouseMove = hover;
        else FrontEnd->MouseMove = hover;
    }
    for (const PressRule& rule : PressRules) {
        Control* item = NamedControl(FrontEnd, rule.Item);
        if (rule.When == Press::Click) {
            item->Click = rule.Action;
        } else {
            // Only the left button presses an item; a right-click is not a choice.
            item->MouseDown = [action = rule.Action](int button, int, int) {
                if (button == 1) action();
            };
        }
    }
    BuildKeyPanels();
    FrontEnd->KeyDown = FrontEndKeys;
}

}  // namespace

// ---------------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------------

void LoadFrontEnd() {
    BuildWindow();
    BindHandlers();

    // Black at once, while the sound buffers are made.
    ShowForm(FrontEnd);
    BlackOut->Left = 0;
    BlackOut->Top = 0;
    BlackOut->Visible = true;
    Refresh();
    DoEvents();

    Settings.Difficulty = DifficultyNormal;
    Settings.ViewSizeMode = 2;
    CentreFrontEndBox();
    StartSound();

    BlackOut->Visible = false;
    Refresh();
}

void ShowFrontEnd() { ShowForm(FrontEnd); }

void DestroyFrontEnd() {
    if (!FrontEnd) return;
    DestroyForm(FrontEnd);
    FrontEnd = nullptr;
    FrontEndBox = OptionBox = ControlsBox = CareerModeBox = NewDriverBox = LoadGameBox = nullptr;
    CoursePickerBox = nullptr;
    DifLabel = DriverNameBox = SaveGameList = PlayerNameField = nullptr;
    Picture1 = Picture2 = BlackOut = nullptr;
}

void CentreFrontEndBox() {
    FrontEndBox->Left = CInt(FrontEnd->Width / 2.0 - FrontEndBox->Width / 2.0);
    FrontEndBox->Top = CInt(FrontEnd->Height / 2.0 - FrontEndBox->Height / 1.8);
    Refresh();
}

Colour PaletteColour(Colour c) { return c | 0x2000000; }

// Panels open over what is beneath them and leave it as it was.
void OpenPanel(Control* panel, int left, int top) {
    panel->Left = left;
    panel->Top = top;
    panel->Visible = true;
    Refresh();
}

void ClosePanel(Control* panel) {
    panel->Visible = false;
    Refresh();
}

// ---------------------------------------------------------------------------------
// Main menu, options, controls help
// ---------------------------------------------------------------------------------

void CareerModeDown() {
    PlayClick(0);
    OpenPanel(CareerModeBox, 207, 112);
}

void OptionsClick() {
    OpenPanel(OptionBox, 205, 120);
    PlayClick(0);
}

void ExitDown() {
    PlayClick(0);
    RequestQuit();
}

void ControlsDown() {
    PlayClick(-500);
    OpenPanel(ControlsBox, (MainWidth - ControlsWidth) / 2, 110);
}

// The caption decides, so the label and the setting can never disagree for long.
void DifficultyClick() {
    PlayClick(-500);
    if (DifLabel->Caption == "Easy") {
        Settings.Difficulty = DifficultyNormal;
        DifLabel->Caption = "Normal";
    } else {
        Settings.Difficulty = DifficultyEasy;
        DifLabel->Caption = "Easy";
    }
    Refresh();
}

void OptionsDoneClick() {
    PlayClick(0);
    ClosePanel(OptionBox);
}

void ControlsDoneClick() {
    PlayClick(0);
    ClosePanel(ControlsBox);
}

// ---------------------------------------------------------------------------------
// The course picker: Quick Race and Time Trial
// ---------------------------------------------------------------------------------

void (*StartCourseRace)(const CourseKey& course, bool timeTrial) = nullptr;

namespace {

// The courses the picker offers, in order: the fourteen, then the player's own files.
struct PickerEntry {
    int Number = 0;  // 0 for a course file
    CustomCourse File;
};
std::vector<PickerEntry> PickerCourses() {
    std::vector<PickerEntry> courses;
    for (int n = 1; n <= CourseCount; ++n) courses.push_back({n, {}});
    for (CustomCourse& file : ListCustomCourses()) courses.push_back({0, std::move(file)});
    return courses;
}

// The list is read when the picker opens: a file saved meanwhile shows the next time.
struct PickerState {
    bool TimeTrial = false;
    std::vector<PickerEntry> Courses;
    std::size_t Chosen = 0;
    CourseKey Shown{1, ""};
};
PickerState Picker;

void Caption(const char* name, const std::string& text) {
    NamedControl(FrontEnd, name)->Caption = text;
}

std::string RecordLine(const CourseRecord& record) {
    return record.Hundredths ? HundredthsText(record.Hundredths) + "  " + record.Driver : "none yet";
}

std::string FileName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

void ShowPickedCourse() {
    const PickerEntry& entry = Picker.Courses[Picker.Chosen];
    Control* preview = NamedControl(FrontEnd, "PickerPreview");
    std::string heading, problem;
    i16 laps = 0;
    if (entry.Number) {
        CurrentCourse = static_cast<i16>(entry.Number);
        Picker.Shown = {entry.Number, ""};
        // Read as a race would read it; a course that cannot be read says so and cannot start.
        std::string name;
        try {
            laps = LoadCourse();
            name = Course.CourseName;
        } catch (const FileError&) {
            name = "cannot be read";
        }
        heading = "Course " + std::to_string(entry.Number) + "  -  " + name;
        try {
            preview->Picture = LoadPicture(GamePath("\\graphics\\bigmap" + std::to_string(entry.Number) + ".bmp"),
                                           preview->Width, preview->Height);
        } catch (const FileError&) {
            preview->Picture.Resize(preview->Width, preview->Height);
        }
    } else {
        Picker.Shown = {0, entry.File.Path};
        const std::string file = PrintableText(FileName(entry.File.Path));
        problem = entry.File.Problem;
        heading = problem.empty() ? entry.File.Name + "  (" + file + ")" : file + "  -  cannot be raced";
        laps = entry.File.Laps;
        preview->Picture.Resize(preview->Width, preview->Height);
        if (problem.empty()) {
            // Drawn from its tiles, as a race on it draws it; the file in force stays so.
            const std::string inForce = CourseFile;
            try {
                CourseFile = entry.File.Path;
                ReadCourseFile(CourseFile);
                preview->Picture = CoursePreview(preview->Width, preview->Height);
            } catch (const FileError& e) {
                problem = e.what();  // changed since the list was read
            }
            CourseFile = inForce;
        }
        if (!problem.empty()) laps = 0;
    }
    Caption("PickerHeading", Picker.TimeTrial ? "Time Trial" : "Quick Race");
    Caption("PickerCourse", heading);
    Caption("PickerLaps", laps > 0 ? LapsCaption(laps) : "-");
    Caption("PickerProblem", problem);
    const bool easy = Settings.Difficulty == DifficultyEasy;
    Caption("PickerDifficulty", easy ? "Easy" : "Normal");
    const CourseRecords records =
        ReadRecords(Picker.Shown, easy, Picker.TimeTrial ? RaceMode::Trial : RaceMode::Quick);
    Caption("PickerLapRecord", RecordLine(records.Lap));
    Caption("PickerRaceRecord", RecordLine(records.Race));
    Refresh();
}

void OpenPicker(bool timeTrial) {
    PlayClick(0);
    Picker.TimeTrial = timeTrial;
    Picker.Courses = PickerCourses();
    // The picker opens on the course last raced or looked at: a course file, while it is
    // still there, else the course in play.
    Picker.Chosen = 0;
    for (std::size_t i = 0; i < Picker.Courses.size(); ++i)
        if (Picker.Shown.Number ? Picker.Courses[i].Number == CurrentCourse
                                : Picker.Courses[i].File.Path == Picker.Shown.File)
            Picker.Chosen = i;
    ShowPickedCourse();
    // At the foot of the main panel, below the game's name, which it must not cut through.
    OpenPanel(CoursePickerBox, (MainWidth - PickerWidth) / 2, MainHeight - PickerHeight);
}

void StepCourse(int by) {
    PlayClick(-500);
    const std::size_t count = Picker.Courses.size();
    Picker.Chosen = (Picker.Chosen + count + by) % count;
    ShowPickedCourse();
}

}  // namespace

CourseKey PickedCourse() { return Picker.Shown; }

void QuickRaceClick() { OpenPicker(false); }
void TimeTrialClick() { OpenPicker(true); }
void PreviousCourseClick() { StepCourse(-1); }
void NextCourseClick() { StepCourse(1); }
void PickerExitClick() {
    PlayClick(0);
    ClosePanel(CoursePickerBox);
}
void RaceCourseClick() {
    PlayClick(0);
    if (!StartCourseRace || Picker.Chosen >= Picker.Courses.size()) return;
    const PickerEntry& entry = Picker.Courses[Picker.Chosen];
    if (!entry.Number && !NamedControl(FrontEnd, "PickerProblem")->Caption.empty()) return;
    StartCourseRace(Picker.Shown, Picker.TimeTrial);
}
