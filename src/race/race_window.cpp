// The race window: the pre-race panel with its four buttons, the course view with the
// start lights and the heads-up panel beside it.
#include <algorithm>
#include <cmath>

#include "course/course.h"
#include "race/race_internal.h"
#include "sound/sound.h"

Form* RaceWindow = nullptr;
Control* BlackOutBox = nullptr;
Control* FlashBox = nullptr;
Control* CourseField = nullptr;
Control* BigMapBox = nullptr;
Control* CourseNameField = nullptr;
Control* LapsField = nullptr;
PreRacePanel Panel;
Control* PlayArea[2] = {};
Control* PopBox = nullptr;
Control* Light[3] = {};
Control* MiniView[2] = {};

namespace {

constexpr Colour PanelGrey = RGB(64, 64, 64);
constexpr Colour Heading = RGB(192, 192, 0);
constexpr int PanelWidth = 641;
constexpr int PanelHeight = 465;
constexpr int ViewSize = 550;

// Hovering lights one button and dims the others, so only one is ever lit; the table
// says which.
struct HoverRule {
    Control** Button;  // nullptr: the panel itself, which only dims
    Control** Dims[3];
    bool Roll;
    i16 AltClick;
};
const HoverRule HoverRules[] = {
    {&Panel.Start, {&Panel.Shop, &Panel.Quit, &Panel.SaveCareer}, true, False16},
    {&Panel.Shop, {&Panel.Start, &Panel.Quit, &Panel.SaveCareer}, true, True16},
    {&Panel.Quit, {&Panel.Start, &Panel.Shop, &Panel.SaveCareer}, true, True16},
    {&Panel.SaveCareer, {&Panel.Start, &Panel.Shop, &Panel.Quit}, true, True16},
    {nullptr, {&Panel.Start, nullptr, nullptr}, false, False16},
};

// The buttons in the order Tab visits them, left to right.
Control** const PanelButtons[] = {&Panel.Start, &Panel.Shop, &Panel.SaveCareer, &Panel.Quit};
FocusList PanelKeys;

// The pre-race panel's buttons answer the keys as well; the driver's keys still hear
// every key, since the panel is part of the race window.
void RaceWindowKeyDown(int keyCode) {
    RaceKeyDown(keyCode);
    if (FlashBox->Visible && !RaceInProgress) FocusKey(PanelKeys, keyCode);
}

void Hover(const HoverRule& rule) {
    if (rule.Button) {
        Control* button = *rule.Button;
        // Already lit: the roll sound plays once per entry, not on every move.
        if (button->ForeColor == ButtonLit) return;
        button->ForeColor = ButtonLit;
    }
    for (Control** dim : rule.Dims)
        if (dim) (*dim)->ForeColor = ButtonNormal;
    if (rule.Roll) PlayRoll(0, rule.AltClick);
    Refresh();
}

Control* Button(const std::string& name, const std::string& caption, int left) {
    Font font;
    font.Size = 15.75f;
    return AddLabel(RaceWindow, FlashBox, name, caption, left, 372, 150, 33, font,
                    ButtonNormal, Alignment::Centre);
}

Control* PictureBox(Control* parent, const std::string& name, int index, int left, int top,
                    int width, int height) {
    Control* box = AddControl(RaceWindow, parent, ControlKind::PictureBox, name, left, top,
                              width, height);
    box->Index = index;
    box->Picture.Resize(width, height);
    return box;
}

// Who is racing and in what state, in the two columns beside the course picture: the
// driver and his cash on the left, his car's condition on the right.
constexpr int ColumnWidth = 140;
constexpr int LeftColumn = 10;
constexpr int RightColumn = PanelWidth - 10 - ColumnWidth;
Control* PanelDriverField = nullptr;
Control* PanelCashField = nullptr;
Control* PanelPartField[3] = {};
constexpr const char* PartNames[3] = {"Body", "Engine", "Tyres"};

Control* ColumnLabel(const char* name, const std::string& caption, int left, int top,
                     float size, Colour colour) {
    Font font;
    font.Size = size;
    return AddLabel(RaceWindow, FlashBox, name, caption, left, top, ColumnWidth, 24, font,
                    colour, Alignment::Centre);
}

void BuildDriverColumns() {
    constexpr Colour Value = RGB(255, 255, 255);
    ColumnLabel("PanelDriverLabel", "Driver", LeftColumn, 150, 9.75f, Heading);
    PanelDriverField = ColumnLabel("PanelDriverField", "", LeftColumn, 172, 12.0f, Value);
    ColumnLabel("PanelCashLabel", "Cash", LeftColumn, 214, 9.75f, Heading);
    PanelCashField = ColumnLabel("PanelCashField", "", LeftColumn, 236, 12.0f, Value);
    ColumnLabel("PanelCarLabel", "Car condition", RightColumn, 150, 9.75f, Heading);
    const char* names[3] = {"PanelBodyField", "PanelEngineField", "PanelTyresField"};
    for (int part = 0; part < 3; ++part)
        PanelPartField[part] =
            ColumnLabel(names[part], "", RightColumn, 172 + 24 * part, 12.0f, Value);
}

// A part's condition against its maximum, in whole percent; Easy's tyres start above it.
std::string Percent(f32 condition, f32 maximum) {
    if (maximum <= 0) return "0%";
    int percent = CInt(condition / maximum * 100);
    return std::to_string(std::clamp(percent, 0, 100)) + "%";
}

void BuildPanel() {
    BlackOutBox = AddControl(RaceWindow, nullptr, ControlKind::Panel, "BlackOutBox", 0, 0,
                             CanvasWidth, CanvasHeight);
    BlackOutBox->BackColor = RGB(0, 0, 0);
    FlashBox = AddControl(RaceWindow, BlackOutBox, ControlKind::Panel, "FlashBox", 0, 0,
                          PanelWidth, PanelHeight);
    FlashBox->BackColor = PanelGrey;
    FlashBox->Visible = false;

    Font title;
    title.Size = 21.75f;
    title.Bold = true;
    CourseField = AddLabel(RaceWindow, FlashBox, "CourseField", "COURSE 1", 0, 14, PanelWidth,
                           38, title, Heading, Alignment::Centre);
    Panel.Title = CourseField;
    Font name;
    name.Size = 15.75f;
    CourseNameField = AddLabel(RaceWindow, FlashBox, "CourseNameField", "Saskatoon Speedway", 0,
                               54, PanelWidth, 28, name, RGB(255, 255, 255), Alignment::Centre);
    Font small;
    small.Size = 12.0f;
    LapsField = AddLabel(RaceWindow, FlashBox, "LapsField", "2 Laps", 0, 84, PanelWidth, 22,
                         small, Heading, Alignment::Centre);
    // Room for the 320 x 240 course preview, centred under the captions.
    BigMapBox = PictureBox(FlashBox, "BigMapBox", -1, (PanelWidth - 320) / 2, 112, 320, 240);

    Panel.Start = Button("Label16", "Start", 20);
    Panel.Shop = Button("Label17", "Shop", 170);
    Panel.SaveCareer = Button("Label19", "Save Career", 320);
    Panel.Quit = Button("Label18", "Quit", 471);
    Font status;
    status.Size = 11.25f;
    Panel.Status = AddLabel(RaceWindow, FlashBox, "msg_FlashScreen", "Saved...", 0, 420, PanelWidth,
                            24, status, Heading, Alignment::Centre);

    BuildDriverColumns();

    for (const HoverRule& rule : HoverRules) {
        Control* target = rule.Button ? *rule.Button : FlashBox;
        target->MouseMove = [&rule](int, int, int) { Hover(rule); };
    }
}

constexpr int LampSize = 33;

// Shapes are square; strips of the box's grey over a lamp's corners make it round.
void RoundOff(Control* lamp) {
    double radius = LampSize / 2.0;
    int row = 0;
    while (row < LampSize) {
        auto cutAt = [&](int r) {
            double dy = r + 0.5 - radius;
            return static_cast<int>(radius - std::sqrt(radius * radius - dy * dy));
        };
        int cut = cutAt(row), rows = 1;
        while (row + rows < LampSize && cutAt(row + rows) == cut) ++rows;
        if (cut > 0) {
            for (int left : {lamp->Left, lamp->Left + LampSize - cut}) {
                Control* rim = AddControl(RaceWindow, lamp->Parent, ControlKind::Shape,
                                          "LampRim", left, lamp->Top + row, cut, rows);
                rim->BackColor = lamp->Parent->BackColor;
            }
        }
        row += rows;
    }
}

void BuildCourseView() {
    // Centred vertically; the race sets the left edge and the HUD sits beside it.
    int top = (CanvasHeight - ViewSize) / 2;
    PlayArea[0] = PictureBox(nullptr, "PlayArea", 0, 0, top, ViewSize, ViewSize);
    PlayArea[1] = PictureBox(nullptr, "PlayArea", 1, 0, top, ViewSize, ViewSize);
    PlayArea[1]->Visible = false;

    PopBox = AddControl(RaceWindow, PlayArea[0], ControlKind::Panel, "PopBox",
                        (ViewSize - 49) / 2, 12, 49, 113);
    PopBox->BackColor = PanelGrey;
    PopBox->Visible = false;
    for (int i = 0; i < 3; ++i) {
        Light[i] = AddControl(RaceWindow, PopBox, ControlKind::Shape, "Light", 8, 4 + 36 * i,
                              LampSize, LampSize);
        Light[i]->Index = i;
        Light[i]->BackColor = RGB(0, 0, 0);
        RoundOff(Light[i]);
    }
}

}  // namespace

void LoadRaceWindow() {
    // Once per window system: a fresh headless platform has no race window yet. A new
    // form may reuse the old window's memory, so the name must match as well.
    if (RaceWindow) {
        std::vector<Form*> forms = FormsInZOrder();
        if (std::find(forms.begin(), forms.end(), RaceWindow) != forms.end() &&
            RaceWindow->Name == "RaceWindow")
            return;
    }
    RaceWindow = CreateForm("RaceWindow", CanvasWidth, CanvasHeight);
    RaceWindow->BackColor = RGB(0, 0, 0);
    // Controls are drawn in the order they are made: the black backdrop and the panel
    // come last so that they cover the view and the HUD before a race.
    BuildCourseView();
    CreateHud(RaceWindow);
    CreatePauseBox(RaceWindow, PlayArea[0]);
    BuildPanel();
    CreateShotNote(RaceWindow);

    FlashBox->Left = CInt(RaceWindow->Width / 2.0 - FlashBox->Width / 2.0);
    FlashBox->Top = CInt(RaceWindow->Height / 2.0 - FlashBox->Height / 1.5);

    LoadRaceSheets();
    ViewLeft = 75;
    ViewTop = 75;
    PanelKeys = FocusList{};
    for (Control** button : PanelButtons)
        PanelKeys.Items.push_back({*button, ButtonNormal, ButtonLit, nullptr});
    ReleaseRaceKeys();
    RaceWindow->KeyDown = RaceWindowKeyDown;
    RaceWindow->KeyUp = RaceKeyUp;
}

void ShowDriverOnPanel(const std::string& name) {
    const CarRecord& car = Cars[0];
    PanelDriverField->Caption = name;
    PanelCashField->Caption = "$" + std::to_string(car.Cash);
    const f32 conditions[3][2] = {{car.Body, static_cast<f32>(car.BodyMax)},
                                  {car.Engine, static_cast<f32>(car.EngineMax)},
                                  {car.Tyres, static_cast<f32>(car.TyresMax)}};
    for (int part = 0; part < 3; ++part)
        PanelPartField[part]->Caption = std::string(PartNames[part]) + " " +
                                        Percent(conditions[part][0], conditions[part][1]);
    Refresh();
}

void ShowPreRacePanel() {
    Panel.Status->Caption = "";
    // The front end and the race window share the canvas's size, so the panel is centred
    // the same on either.
    FlashBox->Left = CInt(RaceWindow->Width / 2.0 - FlashBox->Width / 2.0);
    FlashBox->Top = CInt(RaceWindow->Height / 2.0 - FlashBox->Height / 1.8);
    CourseField->Caption = "Course" + std::to_string(CurrentCourse);
    CourseNameField->Caption = Course.CourseName;
    LapsField->Caption = LapsCaption(RaceLaps);
    BigMapBox->Picture = CoursePreview(BigMapBox->Width, BigMapBox->Height);
    BlackOutBox->Left = 0;
    BlackOutBox->Top = 0;
    BlackOutBox->Visible = true;
    FlashBox->Visible = true;
    Refresh();
}
