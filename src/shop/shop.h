// The shop between races (StoreForm): parts for sale, repairs of the player's car, the
// statistics page that shows them, and the small pop-up (PopBox) that refuses what the
// player cannot afford. The numbers behind it (catalogue, prices, what a part does to the
// car) are the career's; this floor owns the windows and what they show.
#pragma once

#include "numeric/numeric.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------------
// The shop window and its controls (shop.cpp)
// ---------------------------------------------------------------------------------

struct StoreControls {
    Control* StoreBox = nullptr;  // the main panel, 640 x 440, placed by the race window
    // Sale panel
    Control* Picture2 = nullptr;  // the sale panel's background
    Control* Label2 = nullptr;    // the shop's name
    Control* SalesHeading = nullptr;
    Control* PartInfo = nullptr;  // what the part under the pointer does
    Control* Row[14] = {};        // decorative bars: 8 and 10..13
    Control* Item[6] = {};        // the parts for sale, as listed in SaleLines
    Control* Price[6] = {};
    // Repair panel
    Control* BigMapBox = nullptr;  // the repair panel's background
    Control* Label3 = nullptr;     // "Repairs"
    Control* KindLabel[3] = {};    // "Body", "Engine", "Tires"
    Control* CarItem[3] = {};      // fitted body, engine, tyres; sized to their names
    Control* RepairCost[3] = {};   // shown beside the part under the pointer
    Control* BarBack[3] = {};      // condition bars, 100 pixels = full
    Control* BarFill[3] = {};
    Control* AccessoryLabel = nullptr;
    Control* RepairHint = nullptr;
    // Foot of the panel
    Control* Store_PlayerNameField = nullptr;
    Control* Label1 = nullptr;  // "Cash:"
    Control* CashField = nullptr;
    Control* LeaveLabel = nullptr;
};

struct PopBoxControls {
    Control* MessageBox = nullptr;  // the panel, hidden until needed
    Control* Label3 = nullptr;      // the message
    Control* Label4 = nullptr;      // "OK"
};

extern Form* StoreForm;
extern StoreControls Store;
extern Form* PopBoxForm;  // the pop-up window, PopBox
extern PopBoxControls PopUp;

constexpr Colour ItemNormal = 0xC0C0C0;
constexpr Colour ItemLit = 0xFFFFFF;
constexpr Colour LeaveNormal = 0x808000;
constexpr Colour LeaveLit = 0xFFFF80;
constexpr Colour OkNormal = 0xC0FFC0;
constexpr Colour OkLit = 0x00FF00;
constexpr Colour MessageBack = 0xC0C000;
constexpr const char* NotEnoughCashText = "You don't have enough cash for that.";

// Creates the shop and its pop-up (once per window system) and runs the shop's load.
void LoadShop();

// Handlers: a press on a sale line buys, a click on a fitted part repairs it. The keys
// and a pad walk the same items (platform.h's focus rule): going back leaves the shop, or
// on the pop-up is its OK.
void BuyPartClick(int item);
void RepairClick(int part);
void LeaveShopClick();
void OkClick();

// ---------------------------------------------------------------------------------
// The statistics page and the refusal (statistics.cpp)
// ---------------------------------------------------------------------------------

// The player's cash as the statistics page last showed it.
extern i32 ShopCash;

// Fills every caption, price, repair cost and bar from the player's car and shows the
// shop window.
void ShowShopStatistics();
// Shows the pop-up and disables the shop until OK is clicked.
void ShowNotEnoughCash();
// The number in a repair cost caption after its "$"; "Fine" reads as 0.
double RepairCostNum(int index);
