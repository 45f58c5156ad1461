// The heads-up panel beside the course view, and the cash pickups.
#include <algorithm>
#include <cmath>

#include "course/course.h"
#include "race/race_internal.h"

Control* HudFrame = nullptr;
Control* PlayerNameField2 = nullptr;
Control* CashField2 = nullptr;
Control* DamBack = nullptr;
Control* DamFill = nullptr;
Control* SpeedBack = nullptr;
Control* SpeedBar = nullptr;
Control* GasBar = nullptr;
Control* LapTimeField = nullptr;
Control* LastLapField = nullptr;
Control* BestTimeField = nullptr;
Control* BestLapShown = nullptr;
Control* PauseBox = nullptr;
Control* ShotNote = nullptr;

namespace {

constexpr int HudWidth = 240;
constexpr int HudHeight = 550;
constexpr int BarLeft = 96;
constexpr int BarTwips = 1680;  // 112 pixels: the empty damage and speed bars
constexpr int BarHeight = 12;
constexpr f32 PickupReach = 20;  // pixels from the car's centre

constexpr Colour PanelColour = RGB(22, 24, 30);
constexpr Colour InsetColour = RGB(34, 37, 46);
constexpr Colour RuleColour = RGB(200, 170, 0);
constexpr Colour EdgeColour = RGB(120, 100, 20);
constexpr Colour CaptionColour = RGB(170, 176, 190);
constexpr Colour ValueColour = RGB(255, 255, 255);
constexpr Colour EmptyBarColour = RGB(58, 60, 70);
constexpr Colour PlacedColour = RGB(110, 230, 110);

// The Body the damage bar last showed: the bar moves only when the car is hit.
f32 ShownBody = -1;
// The player's fastest lap of this race, whatever its length; 0 before the first.
f32 FastestLap = 0;

Font HudFont(float size, bool bold) {
    Font font;
    font.Name = "Arial";
    font.Size = size;
    font.Bold = bold;
    return font;
}

Control* AddShape(Form* form, Control* parent, const std::string& name, int left, int top,
                  int width, int height, Colour colour) {
    Control* shape = AddControl(form, parent, ControlKind::Shape, name, left, top, width, height);
    shape->BackColor = colour;
    return shape;
}

// A caption on the left and a value on the right of one panel row.
Control* AddRow(Form* form, const std::string& captionName, const std::string& caption,
                const std::string& fieldName, const std::string& value, int top) {
    AddLabel(form, HudFrame, captionName, caption, 20, top, 90, 18, HudFont(10, true),
             CaptionColour);
    return AddLabel(form, HudFrame, fieldName, value, BarLeft, top, 120, 18, HudFont(10, true),
                    ValueColour);
}

// A caption with an empty bar and its fill over it.
void AddBar(Form* form, const std::string& captionName, const std::string& caption,
            const std::string& backName, const std::string& fillName, Colour fillColour, int top,
            Control*& back, Control*& fill) {
    AddLabel(form, HudFrame, captionName, caption, 20, top - 3, 70, 18, HudFont(10, true),
             CaptionColour);
    // The track always shows the whole length, so a short bar reads as a loss.
    Control* track = AddShape(form, HudFrame, backName + "Track", BarLeft, top, 0, BarHeight,
                              EmptyBarColour);
    track->SetWidthTwips(BarTwips);
    back = AddShape(form, HudFrame, backName, BarLeft, top, 0, BarHeight, EmptyBarColour);
    back->SetWidthTwips(BarTwips);
    fill = AddShape(form, HudFrame, fillName, BarLeft, top, 0, BarHeight, fillColour);
}

void SetTwips(Control* control, double twips) {
    if (control) control->SetWidthTwips(twips);
}

void ShowCaption(Control* control, const std::string& text) {
    if (control) control->Caption = text;
}

Colour Blend(Colour from, Colour to, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [&](int shift) {
        int a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        return static_cast<int>(std::lround(a + (b - a) * t));
    };
    return RGB(channel(0), channel(8), channel(16));
}

// Green while the body is whole, amber at half, red as it nears a wreck: a full bar must
// never look like an alarm.
Colour ConditionColour(double whole) {
    constexpr Colour Healthy = RGB(70, 200, 80), Worn = RGB(240, 175, 40),
                     Failing = RGB(220, 45, 35);
    if (whole >= 0.5) return Blend(Worn, Healthy, (whole - 0.5) / 0.5);
    return Blend(Failing, Worn, (whole - 0.15) / 0.35);
}

}  // namespace

void CreateHud(Form* raceWindow) {
    Form* form = raceWindow;
    // The whole course map stays off screen; the window shows a 153 x 123 part of it.
    MiniView[0] = AddControl(form, nullptr, ControlKind::PictureBox, "MiniView", 0, 0, 250, 200);
    MiniView[0]->Index = 0;
    MiniView[0]->Visible = false;
    MiniView[0]->Picture.Resize(250, 200);

    HudFrame =
        AddControl(form, nullptr, ControlKind::Panel, "HudFrame", 0, 75, HudWidth, HudHeight);
    HudFrame->BackColor = PanelColour;
    AddShape(form, HudFrame, "HudEdge", 0, 0, HudWidth, 2, EdgeColour);
    AddShape(form, HudFrame, "HudEdge", 0, HudHeight - 2, HudWidth, 2, EdgeColour);
    AddShape(form, HudFrame, "HudEdge", 0, 0, 2, HudHeight, EdgeColour);
    AddShape(form, HudFrame, "HudEdge", HudWidth - 2, 0, 2, HudHeight, EdgeColour);

    AddLabel(form, HudFrame, "TitleLabel", "GRAVEL GHOSTS RACER", 0, 14, HudWidth, 24,
             HudFont(13, true), RGB(255, 255, 0), Alignment::Centre);
    AddShape(form, HudFrame, "TitleRule", 20, 44, HudWidth - 40, 2, RuleColour);

    // Lap and place first and largest: what a driver glances at between corners.
    AddShape(form, HudFrame, "StandingInset", 12, 56, HudWidth - 24, 44, InsetColour);
    LapField = AddLabel(form, HudFrame, "LapField", "", 12, 64, (HudWidth - 24) / 2, 28,
                        HudFont(16, true), ValueColour, Alignment::Centre);
    PlaceField = AddLabel(form, HudFrame, "PlaceField", "", HudWidth / 2, 64,
                          (HudWidth - 24) / 2, 28, HudFont(16, true), ValueColour,
                          Alignment::Centre);

    // A lighter inset frames the mini-map window.
    constexpr int MapLeft = (HudWidth - 153) / 2;
    AddShape(form, HudFrame, "MiniFrame", MapLeft - 3, 110, 153 + 6, 123 + 6, InsetColour);
    MiniView[1] =
        AddControl(form, HudFrame, ControlKind::PictureBox, "MiniView", MapLeft, 113, 153, 123);
    MiniView[1]->Index = 1;
    MiniView[1]->Picture.Resize(153, 123);

    PlayerNameField2 = AddLabel(form, HudFrame, "PlayerNameField2", "", 0, 246, HudWidth, 22,
                                HudFont(12, true), ValueColour, Alignment::Centre);
    CashField2 = AddLabel(form, HudFrame, "CashField2", "$0", 0, 268, HudWidth, 24,
                          HudFont(14, true), PlacedColour, Alignment::Centre);

    AddShape(form, HudFrame, "GaugeInset", 12, 302, HudWidth - 24, 100, InsetColour);
    // The bar shows what is left of the body, so it is named for that: captioned "Dmg", a
    // full bar read as a car full of damage.
    AddBar(form, "Label3", "Body:", "DamBack", "DamFill", ConditionColour(1), 318, DamBack,
           DamFill);
    AddBar(form, "Label20", "Speed:", "SpeedBack", "SpeedBar", RGB(60, 170, 255), 346, SpeedBack,
           SpeedBar);
    Control* gasBack = nullptr;
    AddBar(form, "LabelGas", "Fuel:", "GasBack", "GasBar", RGB(230, 190, 40), 374, gasBack, GasBar);
    GasBar->SetWidthTwips(BarTwips);
    DamFill->SetWidthTwips(BarTwips);

    AddShape(form, HudFrame, "TimesInset", 12, 412, HudWidth - 24, 96, InsetColour);
    LapTimeField = AddRow(form, "Label11", "Lap Time:", "LapTimeField", NoLapTime, 426);
    LastLapField = AddRow(form, "Label12", "Last Lap:", "LastLapField", NoLapTime, 452);
    // The best-lap field keeps its own rule (only laps under the starting 30 s count) and
    // stays off the panel; the panel shows the fastest lap actually driven, blank until then.
    BestTimeField = AddRow(form, "Label13", "Best Lap:", "BestTimeField", "30.00", 478);
    BestTimeField->Visible = false;
    BestLapShown = AddLabel(form, HudFrame, "BestLapShown", "", BarLeft, 478, 120, 18,
                            HudFont(10, true), ValueColour);
}

void CreateShotNote(Form* form) {
    ShotNote = AddLabel(form, nullptr, "ShotNote", "", 0, 0, HudWidth - 24, 34, HudFont(9, true),
                        RGB(255, 255, 0), Alignment::Centre);
    ShotNote->Transparent = false;
    ShotNote->BackColor = InsetColour;
    ShotNote->WordWrap = true;
    ShotNote->Visible = false;
}

void ShowShotNote(const std::string& text) {
    if (!ShotNote || !HudFrame) return;
    if (FlashBox && FlashBox->ShownOnScreen()) {
        // Under the pre-race panel, which hides the heads-up panel.
        ShotNote->Left = FlashBox->CanvasLeft() + (FlashBox->Width - ShotNote->Width) / 2;
        ShotNote->Top = FlashBox->CanvasTop() + FlashBox->Height + 8;
    } else {
        // In the heads-up panel's last free rows: never over the course view the picture
        // was taken of.
        ShotNote->Left = HudFrame->Left + 12;
        ShotNote->Top = HudFrame->Top + HudHeight - 40;
    }
    ShowNote(ShotNote, text, ShotNoteMs);
}

namespace {
constexpr int PauseWidth = 280, PauseHeight = 120, PauseMargin = 90;
}  // namespace

// The pause notice in the panel's own colours over the course view.
void CreatePauseBox(Form* form, Control* view) {
    constexpr int Width = PauseWidth, Height = PauseHeight;
    PauseBox = AddControl(form, view, ControlKind::Panel, "PauseBox", (view->Width - Width) / 2,
                          PauseMargin, Width, Height);
    PauseBox->BackColor = PanelColour;
    PauseBox->Visible = false;
    AddShape(form, PauseBox, "PauseEdge", 0, 0, Width, 2, EdgeColour);
    AddShape(form, PauseBox, "PauseEdge", 0, Height - 2, Width, 2, EdgeColour);
    AddShape(form, PauseBox, "PauseEdge", 0, 0, 2, Height, EdgeColour);
    AddShape(form, PauseBox, "PauseEdge", Width - 2, 0, 2, Height, EdgeColour);
    AddLabel(form, PauseBox, "PausedLabel", "PAUSED", 0, 18, Width, 40, HudFont(24, true),
             RGB(255, 255, 0), Alignment::Centre);
    AddShape(form, PauseBox, "PauseRule", 40, 66, Width - 80, 2, RuleColour);
    AddLabel(form, PauseBox, "PauseHint", "P to race on  -  Esc to leave", 0, 80, Width, 20,
             HudFont(10, true), CaptionColour, Alignment::Centre);
}

// The view leads the car, so the player's car is well off the middle: the notice takes the
// other half, and he sees where he left the car before racing on.
void PlacePauseBox() {
    const Control* view = PauseBox->Parent;
    const f32 carMiddle = Cars[0].ScreenY + static_cast<f32>(Cars[0].SpriteHeight) / 2.0f;
    const bool carHigh = carMiddle < static_cast<f32>(view->Height) / 2.0f;
    PauseBox->Top = carHigh ? view->Height - PauseMargin - PauseHeight : PauseMargin;
}

void TestPickup(int car, int pickup) {
    CarRecord c = Cars[car];
    Pickup p = Pickups[pickup];
    f32 centreX = c.ScreenX + static_cast<f32>(c.SpriteWidth) / 2.0f;
    f32 centreY = c.ScreenY + static_cast<f32>(c.SpriteHeight) / 2.0f;
    f32 dx = centreX - p.X, dy = centreY - p.Y;
    if (std::sqrt(dx * dx + dy * dy) >= PickupReach) return;

    // Whoever drives over it takes it, computer cars included.
    Pickups[pickup].State = PickupTaken;
    EarnCash(car, 100);
    if (car == 0 && !GhostRacing) {
        ShowPlayerCash(CashCaption(Cars[0].Cash));
        Refresh();
    }
}

std::string CashCaption(i32 cash) { return "$" + std::to_string(cash); }

void ShowPlayerCash(const std::string& text) {
    ShowCaption(CashField2, text);
}
void SetDamageBar(double twips) {
    SetTwips(DamFill, twips);
    if (DamFill) DamFill->BackColor = ConditionColour(twips / BarTwips);
}
void SetDamageBack(double twips) {
    SetTwips(DamBack, twips);
}
void ShowDamageAtStart() {
    const CarRecord& player = Cars[0];
    double twips = 1680.0 * player.Body / player.BodyMax;
    SetDamageBack(twips);
    SetDamageBar(twips);
    ShownBody = player.Body;
}
void UpdateDamageBar() {
    const CarRecord& player = Cars[0];
    if (player.Body == ShownBody) return;
    ShownBody = player.Body;
    if (player.BodyMax > 0 && player.Body / player.BodyMax * 100 > 0)
        SetDamageBar(player.Body / player.BodyMax * 1680);
}
void ShowGas() {
    SetTwips(GasBar, Cars[0].Gas / 100 * BarTwips);
}
void SetSpeedBar(double twips) {
    SetTwips(SpeedBar, twips);
}
void ShowLapTime(f32 seconds) {
    ShowCaption(LapTimeField, Format(seconds, "00.00"));
}
void ShowLastLap(f32 seconds) {
    ShowCaption(LastLapField, Format(seconds, "00.00"));
    if (FastestLap == 0 || seconds < FastestLap) {
        FastestLap = seconds;
        ShowCaption(BestLapShown, Format(seconds, "00.00"));
    }
}
void ShowBestLap(f32 seconds) {
    ShowCaption(BestTimeField, Format(seconds, "00.00"));
}

f32 FastestPlayerLap() { return FastestLap; }

void ShowStandingAtStart() {
    FastestLap = 0;
    ShowCaption(BestLapShown, "");
    // Until this race times a lap, the last race's times must not stand in for it.
    ShowCaption(LapTimeField, NoLapTime);
    ShowCaption(LastLapField, NoLapTime);
    // A note placed under the pre-race panel would sit over the course view.
    if (ShotNote) ShotNote->Visible = false;
    TraceCourseRoute();
    ShowStanding();
}
