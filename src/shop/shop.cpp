// The shop window and its pop-up: how they are laid out, how their items light up under
// the pointer, and what a press or a click on them does.
#include "shop/shop.h"

#include <algorithm>

#include "career/career.h"
#include "cars/cars.h"
#include "frontend/frontend.h"
#include "sound/sound.h"

Form* StoreForm = nullptr;
StoreControls Store;
Form* PopBoxForm = nullptr;
PopBoxControls PopUp;

namespace {

constexpr Colour WindowBack = RGB(0, 0, 0);
constexpr Colour PanelBack = RGB(64, 64, 64);
constexpr Colour InsetBack = RGB(0, 0, 0);
constexpr Colour Heading = 0xC0C0;
constexpr Colour Yellow = RGB(255, 255, 0);
constexpr Colour Quiet = RGB(128, 128, 128);
constexpr Colour RowBack = RGB(24, 24, 24);
constexpr Colour RuleColour = RGB(96, 96, 0);
constexpr Colour BarEmpty = RGB(48, 48, 48);
constexpr Colour BarFull = RGB(0, 176, 0);
constexpr Colour PopFrame = RGB(0, 96, 96);
constexpr Colour OkBack = RGB(0, 96, 96);

constexpr int StoreBoxWidth = 640;
constexpr int StoreBoxHeight = 440;
// The race window places the main panel at (75, 50) of the shop window.
constexpr int StoreBoxLeft = 75;
constexpr int StoreBoxTop = 50;
constexpr int PopWidth = 281;
constexpr int PopHeight = 97;
constexpr int PopBorder = 2;

constexpr int SaleRowTop[3] = {59, 83, 107};
constexpr int RepairRowTop[3] = {48, 96, 136};
constexpr const char* KindNames[3] = {"Body", "Engine", "Tires"};
constexpr const char* BuyHint = "Click a part to buy it.";

// Every item of the shop lights up by the menus' rule; these are its groups.
HoverGroup SaleItems, RepairItems, LeaveItem, OkItem;
// The keys visit the parts for sale column by column, then the repairs and the way out;
// going back leaves the shop, or dismisses the pop-up.
FocusList ShopKeys, PopKeys;

Font ArialFont(float size, bool bold) {
    return Font{"Arial", size, bold};
}

Control* Panel(Control* parent, const std::string& name, int left, int top, int width, int height,
               Colour back) {
    Control* panel =
        AddControl(StoreForm, parent, ControlKind::Panel, name, left, top, width, height);
    panel->BackColor = back;
    return panel;
}

Control* Label(Control* parent, const std::string& name, int index, const std::string& caption,
               int left, int top, int width, int height, const Font& font, Colour colour,
               Alignment align = Alignment::Left) {
    Control* label =
        AddLabel(StoreForm, parent, name, caption, left, top, width, height, font, colour, align);
    label->Index = index;
    return label;
}

// Lettering and bars that only decorate: the pointer passes through them to the panel.
void Decoration(Control* control) {
    control->Enabled = false;
}

HoverGroup Group(Colour normal, Colour lit, std::initializer_list<Control*> items) {
    HoverGroup group;
    group.Normal = normal;
    group.Lit = lit;
    for (Control* item : items) group.Items.push_back({item, [] { PlayRoll(0, True16); }, "", {}});
    return group;
}

void HideRepairCosts() {
    for (Control* cost : Store.RepairCost) cost->Visible = false;
}

void ShowPartInfo(int item) {
    const SaleLine& line = SaleLines[item];
    Store.PartInfo->Caption = PartEffects(line.Part, line.Level);
}

// ---------------------------------------------------------------------------------
// Hovering
// ---------------------------------------------------------------------------------

// One item of the shop is lit at a time, whichever group it is in.
void HoverSaleItem(int item) {
    if (!LightItem(SaleItems, item)) return;
    DimItems(RepairItems);
    DimItems(LeaveItem);
    ShowPartInfo(item);
}

void HoverLeave() {
    if (!LightItem(LeaveItem, 0)) return;
    DimItems(SaleItems);
    DimItems(RepairItems);
    Store.PartInfo->Caption = BuyHint;
}

// The repair price shows beside the part under the pointer only.
void HoverRepairItem(int part) {
    if (!LightItem(RepairItems, part)) return;
    DimItems(SaleItems);
    DimItems(LeaveItem);
    Store.PartInfo->Caption = BuyHint;
    for (int i = 0; i < 3; ++i) {
        Control* cost = Store.RepairCost[i];
        cost->Left = Store.CarItem[i]->Left + Store.CarItem[i]->Width;
        cost->Visible = i == part;
    }
}

void HoverPanelBackground() {
    DimItems(SaleItems);
    DimItems(RepairItems);
    DimItems(LeaveItem);
    HideRepairCosts();
    Store.PartInfo->Caption = BuyHint;
}

// The window's own background only puts the colours back; a shown price stays.
void HoverWindowBackground() {
    DimItems(SaleItems);
    DimItems(RepairItems);
    DimItems(LeaveItem);
    Store.PartInfo->Caption = BuyHint;
}

void HoverShopName() {
    DimItems(RepairItems);
    DimItems(SaleItems);
    HideRepairCosts();
    Store.PartInfo->Caption = BuyHint;
}

MouseHandler Moves(void (*handler)()) {
    return [handler](int, int, int) { handler(); };
}

// ---------------------------------------------------------------------------------
// Building the windows
// ---------------------------------------------------------------------------------

void BuildSalePanel() {
    // The sale panel ends above the repair panel, both with the same edges, so that they
    // read as two boxes rather than one ragged one; the repair panel stops short of the
    // player's name.
    Store.Picture2 = Panel(Store.StoreBox, "Picture2", 10, 16, 610, 128, InsetBack);
    Store.Label2 = Label(Store.Picture2, "Label2", -1, "MABEL AND KENJI EASTSIDE INDY SHOP", 0, 4,
                         610, 30, ArialFont(18, false), Yellow, Alignment::Centre);
    // Decorative bars: a rule under the shop's name, a band behind each row of parts and
    // a divider between the two columns.
    auto row = [](int index, int left, int top, int width, int height, Colour colour) {
        Control* bar = AddControl(StoreForm, Store.Picture2, ControlKind::Shape, "Row", left, top,
                                  width, height);
        bar->Index = index;
        bar->BackColor = colour;
        Decoration(bar);
        Store.Row[index] = bar;
    };
    row(8, 16, 33, 578, 1, RuleColour);
    for (int r = 0; r < 3; ++r) row(10 + r, 10, SaleRowTop[r] - 1, 590, 22, RowBack);
    row(13, 302, SaleRowTop[0] - 1, 2, 70, RuleColour);

    Store.SalesHeading = Label(Store.Picture2, "SalesHeading", -1, "Sales", 16, 36, 80, 20,
                               ArialFont(11.25f, true), Heading);
    Decoration(Store.SalesHeading);
    Store.PartInfo = Label(Store.Picture2, "PartInfo", -1, BuyHint, 96, 38, 498, 18,
                           ArialFont(9, false), Heading);
    Decoration(Store.PartInfo);

    for (int i = 0; i < 6; ++i) {
        bool left = i < 3;
        int top = SaleRowTop[i % 3];
        Store.Item[i] = Label(Store.Picture2, "Item", i, "", left ? 16 : 312, top, left ? 204 : 196,
                              20, ArialFont(11.25f, true), ItemNormal);
        Store.Price[i] = Label(Store.Picture2, "Price", i, "", left ? 224 : 512, top, 72, 20,
                               ArialFont(11.25f, true), Yellow);
        Store.Item[i]->MouseMove = [i](int, int, int) { HoverSaleItem(i); };
        Store.Item[i]->MouseDown = [i](int, int, int) { BuyPartClick(i); };
    }
    Store.Picture2->MouseMove = Moves(HoverPanelBackground);
    Store.Label2->MouseMove = Moves(HoverShopName);
}

void BuildRepairPanel() {
    Store.BigMapBox = Panel(Store.StoreBox, "BigMapBox", 10, 152, 610, 203, InsetBack);
    Store.Label3 = Label(Store.BigMapBox, "Label3", -1, "Repairs", 16, 8, 120, 20,
                         ArialFont(11.25f, true), Heading);
    Decoration(Store.Label3);
    for (int k = 0; k < 3; ++k) {
        int top = RepairRowTop[k];
        Store.KindLabel[k] = Label(Store.BigMapBox, "KindLabel", k, KindNames[k], 200, top, 72, 20,
                                   ArialFont(11.25f, true), Heading);
        Decoration(Store.KindLabel[k]);
        Store.CarItem[k] = Label(Store.BigMapBox, "CarItem", k, "", 280, top, 10, 20,
                                 ArialFont(11.25f, true), ItemNormal);
        // The bars are moved beside the name whenever the page is filled.
        Store.BarBack[k] = AddControl(StoreForm, Store.BigMapBox, ControlKind::Shape, "BarBack",
                                      280, top + 5, 100, 10);
        Store.BarBack[k]->Index = k;
        Store.BarBack[k]->BackColor = BarEmpty;
        Decoration(Store.BarBack[k]);
        Store.BarFill[k] = AddControl(StoreForm, Store.BigMapBox, ControlKind::Shape, "BarFill",
                                      280, top + 5, 100, 10);
        Store.BarFill[k]->Index = k;
        Store.BarFill[k]->BackColor = BarFull;
        Decoration(Store.BarFill[k]);
        Store.RepairCost[k] = Label(Store.BigMapBox, "RepairCost", k, "Fine", 280, top + 20, 80, 18,
                                    ArialFont(9.75f, true), Yellow);
        Store.RepairCost[k]->Visible = false;
        Decoration(Store.RepairCost[k]);
        Store.CarItem[k]->MouseMove = [k](int, int, int) { HoverRepairItem(k); };
        Store.CarItem[k]->Click = [k] { RepairClick(k); };
    }
    Store.AccessoryLabel = Label(Store.BigMapBox, "AccessoryLabel", -1, "No Accessories", 280, 184,
                                 150, 18, ArialFont(9.75f, false), Quiet);
    Store.AccessoryLabel->MouseMove = [](int, int, int) { DimItems(RepairItems); };
    Store.RepairHint = Label(Store.BigMapBox, "RepairHint", -1,
                             "Click a part to repair it: each repair restores half its strength.",
                             16, 48, 160, 72, ArialFont(9, false), Quiet);
    Decoration(Store.RepairHint);
    Store.BigMapBox->MouseMove = Moves(HoverPanelBackground);
}

void BuildFoot() {
    Store.Store_PlayerNameField = Label(Store.StoreBox, "Store_PlayerNameField", -1, "", 24, 357,
                                        300, 18, ArialFont(9.75f, true), RGB(255, 255, 255));
    Store.Label1 = Label(Store.StoreBox, "Label1", -1, "Cash:", 23, 376, 40, 18,
                         ArialFont(9.75f, true), ItemNormal);
    Store.Label1->MouseMove = [](int, int, int) { DimItems(RepairItems); };
    Store.CashField = Label(Store.StoreBox, "CashField", -1, "$0", 64, 376, 120, 18,
                            ArialFont(9.75f, true), Yellow);
    Store.LeaveLabel = Label(Store.StoreBox, "LeaveLabel", -1, "Leave Shop", 509, 407, 124, 26,
                             ArialFont(15.75f, true), LeaveNormal);
    Store.LeaveLabel->MouseMove = Moves(HoverLeave);
    Store.LeaveLabel->Click = LeaveShopClick;
}

void BuildStore() {
    StoreForm =
        CreateForm("StoreForm", StoreBoxLeft * 2 + StoreBoxWidth, StoreBoxTop * 2 + StoreBoxHeight);
    StoreForm->BackColor = WindowBack;
    // Centred as the pre-race panel is, so that the shop stands in its place and the
    // window's black margin hides the panel's edges.
    StoreForm->Left = CInt(CanvasWidth / 2.0 - StoreBoxWidth / 2.0) - StoreBoxLeft;
    StoreForm->Top = CInt(CanvasHeight / 2.0 - StoreBoxHeight / 1.8) - StoreBoxTop;
    Store = StoreControls{};
    Store.StoreBox = Panel(nullptr, "StoreBox", StoreBoxLeft, StoreBoxTop, StoreBoxWidth,
                           StoreBoxHeight, PanelBack);
    BuildSalePanel();
    BuildRepairPanel();
    BuildFoot();
    StoreForm->MouseMove = Moves(HoverWindowBackground);
    Store.StoreBox->MouseMove = Moves(HoverWindowBackground);

    SaleItems = Group(
        ItemNormal, ItemLit,
        {Store.Item[0], Store.Item[1], Store.Item[2], Store.Item[3], Store.Item[4], Store.Item[5]});
    RepairItems =
        Group(ItemNormal, ItemLit, {Store.CarItem[0], Store.CarItem[1], Store.CarItem[2]});
    LeaveItem = Group(LeaveNormal, LeaveLit, {Store.LeaveLabel});

    ShopKeys = FocusList{};
    for (Control* item : Store.Item) ShopKeys.Items.push_back({item, ItemNormal, ItemLit, nullptr});
    for (Control* item : Store.CarItem) ShopKeys.Items.push_back({item, ItemNormal, ItemLit, nullptr});
    ShopKeys.Items.push_back({Store.LeaveLabel, LeaveNormal, LeaveLit, nullptr});
    ShopKeys.Back = LeaveShopClick;
    StoreForm->KeyDown = [](int keyCode) { FocusKey(ShopKeys, keyCode); };
}

void BuildPopBox() {
    PopBoxForm = CreateForm("PopBox", PopWidth + 2 * PopBorder, PopHeight + 2 * PopBorder);
    PopBoxForm->BackColor = PopFrame;
    PopBoxForm->Left = (CanvasWidth - PopBoxForm->Width) / 2;
    PopBoxForm->Top = (CanvasHeight - PopBoxForm->Height) / 2;
    PopUp = PopBoxControls{};
    PopUp.MessageBox = AddControl(PopBoxForm, nullptr, ControlKind::Panel, "MessageBox", PopBorder,
                                  PopBorder, PopWidth, PopHeight);
    PopUp.MessageBox->BackColor = MessageBack;
    PopUp.MessageBox->Visible = false;
    const Font font{"Times New Roman", 14.25f, true};
    PopUp.Label3 = AddLabel(PopBoxForm, PopUp.MessageBox, "Label3", NotEnoughCashText, 8, 8, 265,
                            49, font, RGB(0, 0, 0), Alignment::Centre);
    PopUp.Label3->WordWrap = true;
    PopUp.Label4 = AddLabel(PopBoxForm, PopUp.MessageBox, "Label4", "OK", 64, 64, 153, 25, font,
                            OkNormal, Alignment::Centre);
    // A dark face under the pale caption makes OK read as a button.
    PopUp.Label4->Transparent = false;
    PopUp.Label4->BackColor = OkBack;
    OkItem = Group(OkNormal, OkLit, {PopUp.Label4});
    PopUp.Label4->MouseMove = [](int, int, int) { LightItem(OkItem, 0); };
    PopUp.Label3->MouseMove = [](int, int, int) { DimItems(OkItem); };
    PopUp.Label4->Click = OkClick;
    PopKeys = FocusList{{{PopUp.Label4, OkNormal, OkLit, nullptr}}, OkClick};
    PopBoxForm->KeyDown = [](int keyCode) { FocusKey(PopKeys, keyCode); };
}

// A new form may reuse an old one's memory after the window system was reset, so the
// name must match as well.
bool Alive(const Form* form, const char* name) {
    std::vector<Form*> forms = FormsInZOrder();
    return form && std::find(forms.begin(), forms.end(), form) != forms.end() &&
           form->Name == name;
}

}  // namespace

void LoadShop() {
    if (Alive(StoreForm, "StoreForm") && Alive(PopBoxForm, "PopBox")) return;
    BuildStore();
    BuildPopBox();
    // The shop's load: palette-relative colours for the window and the sale panel's bars.
    StoreForm->BackColor = PaletteColour(StoreForm->BackColor);
    for (int r : {8, 10, 11, 12, 13})
        Store.Row[r]->BackColor = PaletteColour(Store.Row[r]->BackColor);
}

void BuyPartClick(int item) {
    PlayClick(0);
    if (!BuyPart(item)) ShowNotEnoughCash();
    ShowShopStatistics();
}

// The price comes from the caption, not from the car: a second repair before the page is
// filled again costs what the first did.
void RepairClick(int part) {
    PlayClick(0);
    if (!RepairPart(part, RepairCostNum(part))) {
        ShowNotEnoughCash();
        return;
    }
    const CarRecord& car = Cars[0];
    Store.CashField->Caption = "$" + std::to_string(car.Cash);
    Store.BarFill[part]->Width = std::max(
        0, static_cast<int>(CInt(PartCondition(car, part) / PartMaximum(car, part) * 100)));
    Refresh();
}

void LeaveShopClick() {
    PlayClick(0);
    HideForm(StoreForm);
}

void OkClick() {
    PlayClick(0);
    StoreForm->Enabled = true;
    if (!StoreForm->Visible) ShowForm(StoreForm);
    HideForm(PopBoxForm);
    Refresh();
}
