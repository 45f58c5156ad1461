// The screen flow: what the pre-race panel's buttons and a race's outcome lead to. The
// race, the career, the shop and the front end each look after their own screens; this
// is where one hands over to the next.
#include "app/app.h"
#include "career/career.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "shop/shop.h"
#include "sound/sound.h"

namespace {

// The shop is laid out for the race window it opens from.
void PlaceShopForRaceWindow() {
    LoadShop();
    Store.Store_PlayerNameField->Caption = DriverNames[PlayerNameEntry];
    Store.StoreBox->Left = 75;
    Store.StoreBox->Top = 50;
}

}  // namespace

void LoadRaceScreen() {
    LoadRaceWindow();
    Label16->Click = StartClick;
    Label17->Click = ShopClick;
    Label19->Click = SaveCareerClick;
    Label18->Click = QuitClick;
    PlaceShopForRaceWindow();
}

void BeginNewCareer() {
    LoadRaceScreen();
    NewCareer();
    HideForm(FrontEnd);
}

bool BeginSavedCareer() {
    LoadRaceScreen();
    // A career that could not be read leaves the player on the front end.
    if (!LoadCareer()) return false;
    HideForm(FrontEnd);
    return true;
}

void InstallScreenFlow() {
    StartNewCareer = BeginNewCareer;
    StartSavedCareer = BeginSavedCareer;
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
    i16 outcome = RunRace();
    // A race run to its end shows its results before the panel of what follows; an
    // abandoned one has none to show.
    if ((outcome == OutcomePlaced || outcome == OutcomeNotPlaced) && !QuitRequested())
        ShowResultsBoard(DriverNames[PlayerNameEntry]);
    switch (outcome) {
        case OutcomePlaced: SetUpNextRace(); break;
        case OutcomeNotPlaced: SetUpRepeatRace(); break;
        case OutcomeAbandoned: ReturnToFrontEnd(); break;
        default: break;
    }
    SetMousePointer(RaceWindow, PointerKind::Default);
}

void ShopClick() {
    PlayClick(0);
    ShowShopStatistics();
    msg_FlashScreen->Caption = "";
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
    Label19->Caption = "Saved...";
    Refresh();
    // The caption stays half a second; the wait sleeps between turns and a player closing
    // the game is not kept in it (the career is already on the disk).
    DoEventsUntil(GetTickCount(), 500);
    Label19->Caption = "Save Career";
    msg_FlashScreen->Caption = "Saved...";
    SetMousePointer(RaceWindow, PointerKind::Default);
    Refresh();
}

void QuitClick() {
    PlayClick(0);
    ReturnToFrontEnd();
}

void ReturnToFrontEnd() {
    // A fresh front end, opening on its main menu.
    DestroyFrontEnd();
    DoEvents();
    LoadFrontEnd();
    ShowFrontEnd();
    if (RaceWindow) HideForm(RaceWindow);
    OptionBox->Visible = false;
}
