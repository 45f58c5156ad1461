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

void CentreFrontEndBox() {
    if (!FrontEnd) return;
    if (Control* box = FindControl(FrontEnd, "FrontEndBox")) {
        box->Left = CInt(FrontEnd->Width / 2.0 - box->Width / 2.0);
        box->Top = CInt(FrontEnd->Height / 2.0 - box->Height / 1.8);
    }
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
    CentreFrontEndBox();
    NewCareer();
}

void StartClick() {
    if (PlayerNameField2) PlayerNameField2->Caption = DriverNames[PlayerNameEntry];
    ShowPlayerCash("$" + std::to_string(Cars[0].Cash));
    // No pointer over the course while racing.
    if (!SetMouseIcon(RaceWindow, GamePath("\\resources\\null.cur")))
        SetMousePointer(RaceWindow, PointerKind::Invisible);
    if (FrontEnd) HideForm(FrontEnd);
    switch (RunRace()) {
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
    std::uint32_t start = GetTickCount();
    while (GetTickCount() - start < 500) DoEvents();
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
    DestroyFrontEnd();
    DoEvents();
    LoadFrontEnd();
    if (!FrontEnd) {
        // No front end to go back to yet: leaving the race screen ends the game.
        if (RaceWindow) HideForm(RaceWindow);
        RequestQuit();
        return;
    }
    ShowFrontEnd();
    if (RaceWindow) HideForm(RaceWindow);
    if (OptionBox) OptionBox->Visible = false;
}
