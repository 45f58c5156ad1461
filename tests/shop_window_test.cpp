// The shop as a player meets it on the headless window system: the pointer moves, presses
// and clicks arrive through the platform's input delivery, and the sounds are counted by
// the file each buffer came from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/app.h"
#include "career/career.h"
#include "frontend/frontend.h"
#include "platform/text/ttf_text.h"
#include "race/race_internal.h"
#include "race_test_folder.h"
#include "shop/shop.h"
#include "sound/sound.h"

namespace {

namespace fs = std::filesystem;
using T = InputEvent::Type;

struct CountingBackend : HeadlessBackend {
    std::vector<std::string> Files;
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        Files.push_back(fs::path(path).filename().string());
        return HeadlessBackend::CreateSoundBuffer(path);
    }
    long Count(const char* file) const { return std::count(Files.begin(), Files.end(), file); }
};

std::function<void()> EachFrame;

class Shop : public ::testing::Test {
protected:
    CountingBackend Backend;

    void SetUp() override {
        ReleaseSound();
        ResetPlatform();
        InstallBackend(&Backend);
        static std::unique_ptr<TextRenderer> text = MakeTtfTextRenderer();
        InstallTextRenderer(text.get());
        std::string folder =
            RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder + "/soundfx");
        for (const char* file : {"click01.wav", "click1.wav", "click2.wav", "click02.wav"})
            std::ofstream(folder + "/soundfx/" + file) << "RIFF";
        SoundEnabled = true;
        StartSound();
        Backend.Files.clear();
        Settings = GameSettings{};
        AutopilotEnabled = false;
        DriverNames[PlayerNameEntry] = "Ann";
        LoadRaceScreen();
        NewCareer();
    }
    void TearDown() override {
        EachFrame = nullptr;
        ReleaseSound();
        InstallBackend(nullptr);
    }

    void Send(std::initializer_list<InputEvent> events) {
        for (const auto& e : events) Backend.Push(e);
        DoEvents();
    }
    static InputEvent At(T kind, int x, int y, int key = 0) {
        InputEvent e;
        e.Kind = kind, e.X = x, e.Y = y, e.Key = key;
        return e;
    }
    static std::pair<int, int> Middle(const Control* c) {
        return {c->CanvasLeft() + c->Width / 2, c->CanvasTop() + c->Height / 2};
    }
    void MoveTo(const Control* c) { MoveTo(Middle(c)); }
    void MoveTo(std::pair<int, int> p) { Send({At(T::MouseMove, p.first, p.second)}); }
    void ClickOn(const Control* c) {
        auto [x, y] = Middle(c);
        Send({At(T::MouseMove, x, y), At(T::MouseDown, x, y), At(T::MouseUp, x, y)});
    }
    long Rolls() const { return Backend.Count("click02.wav"); }
    long Clicks() const { return Backend.Count("click01.wav"); }
    Control* Shown(int part) {
        return Store.RepairCost[part]->Visible ? Store.RepairCost[part] : nullptr;
    }
    template <std::size_t N>
    static std::vector<Colour> Colours(Control* const (&items)[N]) {
        std::vector<Colour> colours;
        for (Control* c : items) colours.push_back(c->ForeColor);
        return colours;
    }
    static std::vector<Colour> SaleColours() { return Colours(Store.Item); }
    static std::vector<Colour> RepairColours() { return Colours(Store.CarItem); }
    static std::pair<int, int> Inside(const Control* c, int dx, int dy) {
        return {c->CanvasLeft() + dx, c->CanvasTop() + dy};
    }
    bool PopUpShowing() const {
        return PopBoxForm->Visible && PopUp.MessageBox->Visible && !StoreForm->Enabled;
    }
};

const std::vector<Colour> AllGrey(6, ItemNormal);
const std::vector<Colour> GreyRepairs(3, ItemNormal);

TEST_F(Shop, NewPlayerSeesFullBarsFineEverywhereTheStartingPartsAndAHundredDollars) {
    ClickOn(Panel.Shop);
    ASSERT_TRUE(StoreForm->Visible);
    EXPECT_EQ(FormsInZOrder().back(), StoreForm);  // in front of the race window
    EXPECT_EQ(Panel.Status->Caption, "");
    EXPECT_EQ(Store.Store_PlayerNameField->Caption, "Ann");
    EXPECT_EQ(std::pair(Store.StoreBox->Left, Store.StoreBox->Top), std::pair(75, 50));
    EXPECT_EQ(Store.CashField->Caption, "$100");
    EXPECT_EQ(ShopCash, 100);
    const char* fitted[] = {"Fiberglass Soapbox Body", "Modified Ford Engine",
                            "Standard Radial Tires"};
    for (int part = 0; part < 3; ++part) {
        Control* name = Store.CarItem[part];
        EXPECT_EQ(name->Caption, fitted[part]);
        EXPECT_EQ(Store.RepairCost[part]->Caption, "Fine");
        EXPECT_EQ(Store.BarFill[part]->Width, 100);
        // Each bar starts just right of its part's name, however long the name is.
        EXPECT_GT(name->Width, 100);
        EXPECT_EQ(Store.BarFill[part]->Left, name->Left + name->Width + 5);
        EXPECT_EQ(Store.BarBack[part]->Left, Store.BarFill[part]->Left);
    }
    EXPECT_EQ(std::pair(Store.Item[1]->Caption, Store.Price[1]->Caption),
              std::pair(std::string("LittleRipper HotRod Tires"), std::string("1700")));
    EXPECT_EQ(std::pair(Store.Item[3]->Caption, Store.Price[3]->Caption),
              std::pair(std::string("MoRockit Thermal Engine"), std::string("5200")));
    EXPECT_EQ(Clicks(), 1);

    // Easy: tyres at 90 of 70 draw a longer bar than full and need no repair.
    Settings.Difficulty = DifficultyEasy;
    NewCareer();
    ShopClick();
    EXPECT_EQ(Store.BarFill[PartTyres]->Width, 129);
    EXPECT_EQ(Store.RepairCost[PartTyres]->Caption, "Fine");
    EXPECT_EQ(Store.CashField->Caption, "$1000");
}

TEST_F(Shop, ItemsLightOncePerVisitAndThePriceOfARepairShowsBesideItsPart) {
    Cars[0].Engine = 80;
    ShopClick();
    MoveTo(Store.Item[2]);
    MoveTo(Inside(Store.Item[2], 3, 3));
    std::vector<Colour> lit = AllGrey;
    lit[2] = ItemLit;
    EXPECT_EQ(SaleColours(), lit);
    EXPECT_EQ(Rolls(), 1);
    EXPECT_EQ(Store.PartInfo->Caption, "top speed +20, acceleration +1, engine strength +50");

    // A fitted part: lit alone, its price beside its name; the sale line goes out with
    // what it said.
    MoveTo(Store.CarItem[1]);
    EXPECT_EQ(RepairColours(), (std::vector<Colour>{ItemNormal, ItemLit, ItemNormal}));
    EXPECT_EQ(SaleColours(), AllGrey);
    EXPECT_EQ(Store.PartInfo->Caption, "Click a part to buy it.");
    ASSERT_EQ(Shown(1), Store.RepairCost[1]);
    EXPECT_EQ(Store.RepairCost[1]->Caption, "$220");
    EXPECT_EQ(Store.RepairCost[1]->Left, Store.CarItem[1]->Left + Store.CarItem[1]->Width);
    EXPECT_EQ(Shown(0), nullptr);
    EXPECT_EQ(Shown(2), nullptr);
    MoveTo(Store.CarItem[0]);
    EXPECT_EQ(Shown(0), Store.RepairCost[0]);
    EXPECT_EQ(Shown(1), nullptr);
    EXPECT_EQ(Rolls(), 3);

    // Another sale line dims the fitted parts but leaves the price where it was.
    MoveTo(Store.Item[5]);
    EXPECT_EQ(RepairColours(), GreyRepairs);
    EXPECT_EQ(Shown(0), Store.RepairCost[0]);

    MoveTo(Store.LeaveLabel);
    MoveTo(Store.LeaveLabel);
    EXPECT_EQ(Store.LeaveLabel->ForeColor, LeaveLit);
    EXPECT_EQ(SaleColours(), AllGrey);
    EXPECT_EQ(Rolls(), 5);

    // The window's margin puts every colour back but keeps the price showing...
    MoveTo(Store.CarItem[2]);
    MoveTo(Inside(Store.StoreBox, -20, 100));
    EXPECT_EQ(SaleColours(), AllGrey);
    EXPECT_EQ(RepairColours(), GreyRepairs);
    EXPECT_EQ(Store.LeaveLabel->ForeColor, LeaveNormal);
    EXPECT_EQ(Shown(2), Store.RepairCost[2]);
    // ...the panels' own backgrounds hide it as well, and all of it plays no sound.
    long rolls = Rolls();
    MoveTo(Inside(Store.BigMapBox, 3, 3));
    EXPECT_EQ(Shown(2), nullptr);
    MoveTo(Store.Item[0]);
    MoveTo(Store.LeaveLabel);
    MoveTo(Inside(Store.Picture2, 3, 3));
    EXPECT_EQ(SaleColours(), AllGrey);
    EXPECT_EQ(Store.LeaveLabel->ForeColor, LeaveNormal);
    EXPECT_EQ(Rolls(), rolls + 2);

    // "Cash:" dims the fitted parts; the shop's name dims everything and hides the price.
    MoveTo(Store.CarItem[1]);
    MoveTo(Store.Label1);
    EXPECT_EQ(RepairColours(), GreyRepairs);
    EXPECT_EQ(Shown(1), Store.RepairCost[1]);
    MoveTo(Store.Item[1]);
    MoveTo(Store.Label2);
    EXPECT_EQ(SaleColours(), AllGrey);
    EXPECT_EQ(Shown(1), nullptr);

    // From any item to any other, one item is lit: the last one the pointer reached.
    std::vector<Control*> items(std::begin(Store.Item), std::end(Store.Item));
    items.insert(items.end(), std::begin(Store.CarItem), std::end(Store.CarItem));
    items.push_back(Store.LeaveLabel);
    for (Control* from : items) {
        for (Control* to : items) {
            MoveTo(from);
            MoveTo(to);
            std::vector<Control*> litNow;
            for (Control* item : items)
                if (item->ForeColor == ItemLit || item->ForeColor == LeaveLit) litNow.push_back(item);
            EXPECT_EQ(litNow, std::vector<Control*>{to}) << from->Name << " to " << to->Name;
        }
    }
}

TEST_F(Shop, ARefusedPurchaseShowsThePopUpAndOnlyOKBringsTheShopBack) {
    ShopClick();
    Cars[0].Cash = 1750;  // exactly the MoJet's price
    ClickOn(Store.Item[2]);
    ASSERT_TRUE(PopUpShowing());
    EXPECT_EQ(FormsInZOrder().back(), PopBoxForm);
    EXPECT_EQ(PopUp.Label3->Caption, "You don't have enough cash for that.");
    EXPECT_EQ(PopUp.Label4->Caption, "OK");
    EXPECT_EQ(Cars[0].EngineLevel, 0);
    EXPECT_EQ(Store.CashField->Caption, "$1750");  // the page was filled again all the same

    // The disabled shop hears nothing: no purchase, no repair, no way out.
    long clicks = Clicks(), rolls = Rolls();
    Cars[0].Cash = 99999;
    for (Control* c : {Store.Item[0], Store.CarItem[0], Store.LeaveLabel}) ClickOn(c);
    EXPECT_EQ(std::tuple(Cars[0].TyresLevel, Cars[0].Cash, Clicks(), Rolls()),
              std::tuple(i16(0), 99999, clicks, rolls));
    EXPECT_TRUE(StoreForm->Visible);
    EXPECT_EQ(Store.Item[0]->ForeColor, ItemNormal);

    MoveTo(PopUp.Label4);
    MoveTo(PopUp.Label4);
    EXPECT_EQ(std::pair(PopUp.Label4->ForeColor, Rolls()), std::pair(OkLit, rolls + 1));
    MoveTo(PopUp.Label3);
    EXPECT_EQ(std::pair(PopUp.Label4->ForeColor, Rolls()), std::pair(OkNormal, rolls + 1));

    ClickOn(PopUp.Label4);
    EXPECT_FALSE(PopBoxForm->Visible);
    EXPECT_TRUE(StoreForm->Visible && StoreForm->Enabled);
    EXPECT_EQ(Clicks(), clicks + 1);
    ClickOn(Store.Item[0]);  // the shop listens again
    EXPECT_EQ(Cars[0].TyresLevel, 1);
}

TEST_F(Shop, RepairsChargeTheShownPriceUntilThePageIsFilledAgain) {
    CarRecord& car = Cars[0];
    car.Body = 37.5f, car.BodyLevel = 1;
    car.Cash = 1000;
    ShopClick();
    ASSERT_EQ(Store.RepairCost[PartBody]->Caption, "$387");
    EXPECT_EQ(RepairCostNum(PartBody), 387);
    EXPECT_EQ(Store.BarFill[PartBody]->Width, 38);  // 37.5 to the even 38

    ClickOn(Store.CarItem[PartBody]);
    EXPECT_EQ(
        std::tuple(car.Cash, car.Body, Store.CashField->Caption, Store.BarFill[PartBody]->Width),
        std::tuple(613, 87.5f, std::string("$613"), 88));
    // Nearly mended, but the caption still says $387 and that is what the second one costs.
    EXPECT_EQ(Store.RepairCost[PartBody]->Caption, "$387");
    ClickOn(Store.CarItem[PartBody]);
    EXPECT_EQ(std::tuple(car.Cash, car.Body, Store.BarFill[PartBody]->Width),
              std::tuple(226, 100.0f, 100));
    EXPECT_FALSE(PopUpShowing());

    // Filled again the page says "Fine", and a fine part costs nothing...
    ShopClick();
    EXPECT_EQ(Store.RepairCost[PartBody]->Caption, "Fine");
    ClickOn(Store.CarItem[PartBody]);
    EXPECT_EQ(std::pair(car.Cash, PopUpShowing()), std::pair(226, false));
    // ...but with no cash at all even that is refused.
    car.Cash = 0;
    ClickOn(Store.CarItem[PartBody]);
    EXPECT_TRUE(PopUpShowing());
}

TEST_F(Shop, TheShopCoversThePreRacePanelAndLeavingUncoversIt) {
    auto pixel = [](std::pair<int, int> p) { return ComposeCanvas().Pixel(p.first, p.second); };
    Cars[0].Engine = 50;
    ShopClick();
    // Grey main panel, black sale and repair panels, none of the pre-race panel's grey
    // at its corner, and a half-full bar green to its middle and dark beyond.
    EXPECT_EQ(pixel(Inside(Store.StoreBox, 4, 4)), 0x404040u);
    EXPECT_EQ(pixel(Inside(Store.Picture2, 4, 4)), 0x000000u);
    EXPECT_EQ(pixel(Inside(Store.BigMapBox, 4, 200)), 0x000000u);
    EXPECT_EQ(pixel(Inside(FlashBox, 2, FlashBox->Height - 2)), 0x000000u);
    EXPECT_EQ(pixel(Inside(Store.BarFill[PartEngine], 45, 5)), 0x00B000u);
    EXPECT_EQ(pixel(Inside(Store.BarBack[PartEngine], 55, 5)), 0x303030u);

    ClickOn(Store.Item[3]);
    EXPECT_EQ(pixel(Inside(PopUp.MessageBox, 4, 4)), 0x00C0C0u);
    const Surface& canvas = ComposeCanvas();
    int letters = 0;
    for (int y = PopUp.Label3->CanvasTop(); y < PopUp.Label3->CanvasTop() + PopUp.Label3->Height;
         ++y)
        for (int x = PopUp.Label3->CanvasLeft();
             x < PopUp.Label3->CanvasLeft() + PopUp.Label3->Width; ++x)
            letters += canvas.Pixel(x, y) == 0;
    EXPECT_GT(letters, 200);
    ClickOn(PopUp.Label4);
    EXPECT_NE(pixel(Inside(PopUp.MessageBox, 4, 4)), 0x00C0C0u);

    ClickOn(Store.LeaveLabel);
    EXPECT_FALSE(StoreForm->Visible);
    EXPECT_EQ(pixel(Inside(FlashBox, 4, 200)), 0x404040u);
}

// The whole visit: a player with prize money buys the MoJet, mends the body, is refused
// the titanium body, dismisses the pop-up, leaves and is quicker off the line than before.
TEST_F(Shop, ANewcomerBuysAnEngineMendsTheBodyIsRefusedAndRacesFaster) {
    RaceWatch watch([] { if (EachFrame) EachFrame(); });
    auto speedAtFrame60 = [this] {
        f32 speed = 0;
        EachFrame = [&speed, this] {
            if (Race.Frame == 1) Backend.Push(At(T::KeyDown, 0, 0, vbKeyUp));
            if (Race.Frame == 60) speed = Cars[0].Speed, Race.Outcome = Outcome::NotPlaced;
        };
        // Alone on the course, where no rival can bump him.
        RaceSetup alone{0};
        RunRace(alone);
        SetUpRepeatRace();
        return speed;
    };
    Cars[0].Cash = 2500;
    Cars[0].Body = 50;
    const f32 before = speedAtFrame60();
    ASSERT_GT(before, 0);
    ASSERT_TRUE(FlashBox->Visible);

    ClickOn(Panel.Shop);
    ClickOn(Store.Item[2]);
    EXPECT_EQ(Store.CarItem[PartEngine]->Caption, "MoJet Turbo Engine");
    EXPECT_EQ(Store.CashField->Caption, "$750");
    MoveTo(Store.CarItem[PartBody]);
    EXPECT_EQ(Store.RepairCost[PartBody]->Caption, "$250");
    ClickOn(Store.CarItem[PartBody]);
    EXPECT_EQ(Store.CashField->Caption, "$500");
    ClickOn(Store.Item[5]);
    EXPECT_TRUE(PopUpShowing());
    ClickOn(PopUp.Label4);
    ClickOn(Store.LeaveLabel);
    EXPECT_FALSE(StoreForm->Visible);
    EXPECT_EQ(std::tuple(Cars[0].Cash, Cars[0].Body, Cars[0].BodyLevel, Cars[0].TopSpeed),
              std::tuple(500, 100.0f, i16(0), i16(270)));

    const f32 after = speedAtFrame60();
    EXPECT_GT(after, before + 5);
}

}  // namespace
