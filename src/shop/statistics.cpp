// The shop's statistics page (the player's car, the parts for sale, the cash) and the
// pop-up that refuses what the cash does not reach.
#include <algorithm>

#include "career/career.h"
#include "cars/cars.h"
#include "shop/shop.h"

i32 ShopCash = 0;

namespace {

// 100 pixels is a part in full condition; Easy's tyres start longer than that.
int BarWidth(f32 condition, i16 maximum) {
    if (maximum <= 0) return 0;
    return std::max(0, static_cast<int>(CInt(100.0 * condition / maximum)));
}

std::string RepairCaption(const CarRecord& car, int part) {
    if (!PartWorn(car, part)) return "Fine";
    return "$" + std::to_string(RepairPrice(car, part));
}

}  // namespace

void ShowShopStatistics() {
    LoadShop();
    const CarRecord& car = Cars[0];
    ShopCash = car.Cash;
    Store.CashField->Caption = "$" + std::to_string(ShopCash);
    for (int part = 0; part < 3; ++part) {
        Store.BarFill[part]->Width = BarWidth(PartCondition(car, part), PartMaximum(car, part));
        Store.RepairCost[part]->Caption = RepairCaption(car, part);
    }
    for (int i = 0; i < 6; ++i) {
        const PartInfo& part = CataloguePart(SaleLines[i].Part, SaleLines[i].Level);
        Store.Item[i]->Caption = part.Name;
        Store.Price[i]->Caption = std::to_string(part.Price);
    }
    // The bars start just right of the fitted part's name, whose length varies.
    for (int part = 0; part < 3; ++part) {
        Control* name = Store.CarItem[part];
        name->Caption = FittedPart(car, part).Name;
        AutoSize(name);
        Store.BarFill[part]->Left = name->Left + name->Width + 5;
        Store.BarBack[part]->Left = name->Left + name->Width + 5;
    }
    // A window that is already up keeps its place, so the pop-up stays in front of it.
    if (!StoreForm->Visible) {
        ShowForm(StoreForm);
        // Opened by a key, the keys start on the way out: on a part, the Enter after the
        // one that opened the shop would buy it unasked.
        if (HandlingKey()) Store.LeaveLabel->MouseMove(0, 0, 0);
    }
    Refresh();
}

void ShowNotEnoughCash() {
    LoadShop();
    ShowForm(PopBoxForm);
    PopUp.MessageBox->Visible = true;
    StoreForm->Enabled = false;
    Refresh();
}

double RepairCostNum(int index) {
    const std::string& caption = Store.RepairCost[index]->Caption;
    return caption.size() > 1 ? Val(std::string_view(caption).substr(1)) : 0.0;
}
