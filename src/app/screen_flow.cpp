// The screen flow: what the pre-race panel's buttons and a race's outcome lead to. The
// race, the career, the shop and the front end each look after their own screens; this
// is where one hands over to the next.
#include <algorithm>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "settings/settings.h"
#include "shop/shop.h"
#include "sound/sound.h"

namespace {

// The driver's name without the blanks a loaded career's name is padded with.
std::string ShownName() {
    std::string name = DriverNames[PlayerNameEntry];
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

void ShowDriver() { ShowDriverOnPanel(ShownName()); }

// The panel beneath the shop shows the cash and condition the shop has just changed. The
// shop says nothing as it closes, so its two ways out, Leave Shop and its keys, are
// followed here, once per shop window.
void FollowShopLeaving() {
    Store.LeaveLabel->Click = [] {
        LeaveShopClick();
        ShowDriver();
    };
    StoreForm->KeyDown = [keys = StoreForm->KeyDown](int keyCode) {
        if (keys) keys(keyCode);
        if (!StoreForm->Visible) ShowDriver();
    };
}

bool ShopWindowAlive() {
    std::vector<Form*> forms = FormsInZOrder();
    return StoreForm && std::find(forms.begin(), forms.end(), StoreForm) != forms.end() &&
           StoreForm->Name == "StoreForm";
}

// The shop is laid out for the race window it opens from.
void PlaceShopForRaceWindow() {
    bool built = ShopWindowAlive();
    LoadShop();
    if (!built) FollowShopLeaving();
    Store.Store_PlayerNameField->Caption = DriverNames[PlayerNameEntry];
    Store.StoreBox->Left = 75;
    Store.StoreBox->Top = 50;
}

// Where the career in play was last written to the disk, if it ever was: what a race that
// ends the career's run leaves the player to come back to.
struct SavePoint {
    bool Saved = false;
    i16 Course = 0;
    std::string CourseName;
};
SavePoint LastSave;

void NoteSave() { LastSave = {true, CurrentCourse, Course.CourseName}; }

// The last race's outcome until the career has acted on it: set up the next race, or
// started or loaded a career in its place.
Outcome Unsettled = Outcome::Running;

// A race that ends with the player on the front end says why, and what becomes of the
// career: only what was saved survives it.
void TellCareerLeft() {
    std::string text = Race.LeftByPlayer ? "You left the race. " : "Your car burnt out. ";
    if (LastSave.Saved)
        text += ShownName() + "'s career goes back to its last save, on Course " +
                std::to_string(LastSave.Course) + ", " + LastSave.CourseName +
                ": Load Game takes it up from there.";
    else
        text += ShownName() + "'s career was never saved, so it ends here.";
    SetMousePointer(RaceWindow, PointerKind::Default);
    MsgBox(text);
}

}  // namespace

void LoadRaceScreen() {
    LoadRaceWindow();
    Panel.Start->Click = StartClick;
    Panel.Shop->Click = ShopClick;
    Panel.SaveCareer->Click = SaveCareerClick;
    Panel.Quit->Click = QuitClick;
    // A Quick Race or Time Trial hid what only a career has.
    Panel.Shop->Visible = Panel.SaveCareer->Visible = true;
    PlaceShopForRaceWindow();
}

void BeginNewCareer() {
    LastSave = {};
    Unsettled = Outcome::Running;
    LoadRaceScreen();
    NewCareer();
    ShowDriver();
    HideForm(FrontEnd);
}

bool BeginSavedCareer() {
    LoadRaceScreen();
    // A name no career could have been saved under is turned away before anything of the
    // last career is touched.
    if (DriverNameProblem(DriverNames[PlayerNameEntry]).empty()) Unsettled = Outcome::Running;
    // A career that could not be read leaves the player on the front end.
    if (!LoadCareer()) return false;
    NoteSave();
    ShowDriver();
    HideForm(FrontEnd);
    return true;
}

void InstallScreenFlow() {
    StartNewCareer = BeginNewCareer;
    StartSavedCareer = BeginSavedCareer;
    StartCourseRace = BeginCourseRace;
    // A damaged record file is told where the player looks, and the game goes on.
    TellRecordsProblem = [](const std::string& text) { MsgBox(text); };
}

void StartFrontEnd() {
    Settings.ColourDepth = 8;
    DoEvents();
    InstallScreenFlow();
    LoadFrontEnd();
    ShowFrontEnd();
}

void StartClick() {
    if (PlayerNameField2) PlayerNameField2->Caption = DriverNames[PlayerNameEntry];
    ShowPlayerCash("$" + std::to_string(Cars[0].Cash));
    // No pointer over the course while racing.
    if (!SetMouseIcon(RaceWindow, GamePath("\\resources\\null.cur")))
        SetMousePointer(RaceWindow, PointerKind::Invisible);
    RaceReport report = RunRace(CareerRace());
    Unsettled = report.Outcome;
    LastResults.Prize = SettleCareerRace(report);
    // A race run to its end shows its results before the panel of what follows; an
    // abandoned one has none to show.
    const bool runToEnd = report.Outcome == Outcome::Placed || report.Outcome == Outcome::NotPlaced;
    if (runToEnd && !QuitRequested()) ShowResultsBoard(DriverNames[PlayerNameEntry]);
    switch (report.Outcome) {
        case Outcome::Placed:
            SetUpNextRace();
            Unsettled = Outcome::Running;
            ShowDriver();
            break;
        case Outcome::NotPlaced:
            SetUpRepeatRace();
            Unsettled = Outcome::Running;
            ShowDriver();
            break;
        case Outcome::Abandoned:
            if (!QuitRequested()) TellCareerLeft();
            ReturnToFrontEnd();
            break;
        default: break;
    }
    SetMousePointer(RaceWindow, PointerKind::Default);
}

Outcome ShownOutcome() { return RaceInProgress ? Race.Outcome : Unsettled; }

void ShopClick() {
    PlayClick(0);
    ShowShopStatistics();
    Panel.Status->Caption = "";
}

void SaveCareerClick() {
    SetMousePointer(RaceWindow, PointerKind::Arrow);
    PlayBell();
    // A refused or failed save has said why in a message box; the panel must not then
    // claim it saved.
    if (!SaveCareer()) {
        SetMousePointer(RaceWindow, PointerKind::Default);
        return;
    }
    NoteSave();
    Panel.SaveCareer->Caption = "Saved...";
    Refresh();
    // The caption stays half a second; the wait sleeps between turns and a player closing
    // the game is not kept in it (the career is already on the disk).
    DoEventsUntil(GetTickCount(), 500);
    Panel.SaveCareer->Caption = "Save Career";
    Panel.Status->Caption = "Saved...";
    SetMousePointer(RaceWindow, PointerKind::Default);
    Refresh();
}

void QuitClick() {
    PlayClick(0);
    ReturnToFrontEnd();
}

void ReturnToFrontEnd() {
    // A Time Trial's ghost, or a course file of the player's, has no place in whatever is
    // raced next from the menu.
    ClearGhost();
    PutBackCourseFile();
    // A fresh front end, opening on its main menu.
    DestroyFrontEnd();
    DoEvents();
    LoadFrontEnd();
    ShowFrontEnd();
    if (RaceWindow) HideForm(RaceWindow);
    OptionBox->Visible = false;
}
