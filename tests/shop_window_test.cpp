// The pre-race panel and the shop as a player meets them on the headless window system:
// the pointer moves, presses and clicks arrive through the platform's input delivery, and
// the sounds are counted by the file each buffer came from. How the shop looks is the
// screens test's; here are the rules a picture cannot show.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/text/ttf_text.h"
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
};

class Shop : public ::testing::Test {
protected:
    CountingBackend Backend;

    void SetUp() override {
        ReleaseSound();
        ResetPlatform();
        InstallBackend(&Backend);
        static std::unique_ptr<TextRenderer> text = MakeTtfTextRenderer();
        InstallTextRenderer(text.get());
        const std::string folder =
            RaceFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
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
        ReleaseSound();
        InstallBackend(nullptr);
    }

    void MoveTo(std::pair<int, int> p, std::initializer_list<T> kinds = {T::MouseMove}) {
        for (T kind : kinds) {
            InputEvent e;
            e.Kind = kind, e.X = p.first, e.Y = p.second;
            Backend.Push(e);
        }
        DoEvents();
    }
    static std::pair<int, int> Inside(const Control* c, int dx, int dy) {
        return {c->CanvasLeft() + dx, c->CanvasTop() + dy};
    }
    static std::pair<int, int> Middle(const Control* c) {
        return Inside(c, c->Width / 2, c->Height / 2);
    }
    void MoveTo(const Control* c) { MoveTo(Middle(c)); }
    void ClickOn(const Control* c) { MoveTo(Middle(c), {T::MouseMove, T::MouseDown, T::MouseUp}); }
    long Sounds(const char* file) const {
        return std::count(Backend.Files.begin(), Backend.Files.end(), file);
    }
    long Rolls() const { return Sounds("click02.wav"); }
    // The fitted part whose repair price shows, or -1.
    static int PriceShown() {
        for (int part = 0; part < 3; ++part)
            if (Store.RepairCost[part]->Visible) return part;
        return -1;
    }
    // Which of the six sale lines, three fitted parts and Leave Shop are lit.
    static std::string Lit() {
        std::string lit;
        for (Control* c : Store.Item) lit += c->ForeColor == ItemLit ? '*' : '.';
        for (Control* c : Store.CarItem) lit += c->ForeColor == ItemLit ? '*' : '.';
        return lit + (Store.LeaveLabel->ForeColor == LeaveLit ? '*' : '.');
    }
    bool PopUpShowing() const {
        return PopBoxForm->Visible && PopUp.MessageBox->Visible && !StoreForm->Enabled;
    }
};

using RacePanel = Shop;

// Hovering a button lights it and dims the other three; the panel's own background dims
// only Start; a lit button ignores further moves.
TEST_F(RacePanel, HoverLightsTheButtonAndDimsTheOthers) {
    Control* buttons[4] = {Panel.Start, Panel.Shop, Panel.Quit, Panel.SaveCareer};
    const auto untouched = RGB(1, 2, 3);
    for (int over = -1; over < 4; ++over) {
        for (Control* b : buttons) b->ForeColor = untouched;
        (over < 0 ? FlashBox : buttons[over])->MouseMove(0, 5, 5);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(buttons[k]->ForeColor, k == over             ? ButtonLit
                                             : over >= 0 || k == 0 ? ButtonNormal
                                                                   : untouched)
                << "over " << over << ", button " << k;
    }
    Panel.Start->ForeColor = ButtonLit;
    Panel.SaveCareer->MouseMove(0, 2, 2);  // lit last in the loop
    EXPECT_EQ(Panel.Start->ForeColor, ButtonLit);
}

// "Saved..." stands for half a second, until the shop clears it; closing the game during
// that half second ends the wait at once, the career saved.
TEST_F(RacePanel, SaveCareerWaitsHalfASecondUnlessTheGameCloses) {
    std::uint32_t before = GetTickCount();
    SaveCareerClick();
    EXPECT_GE(GetTickCount() - before, 500u);
    EXPECT_EQ(std::tuple(Panel.Status->Caption, RaceWindow->Pointer),
              std::tuple(std::string("Saved..."), PointerKind::Default));
    ShopClick();
    EXPECT_EQ(Panel.Status->Caption, "");

    int turns = 0;
    Backend.BeforeTurn = [&] {
        if (++turns == 2) RequestQuit();
    };
    const std::string saved = AppPath() + "/saves/Ann" + std::string(12, ' ') + ".sav";
    ASSERT_EQ(std::remove(saved.c_str()), 0);
    before = GetTickCount();
    SaveCareerClick();
    EXPECT_LT(GetTickCount() - before, 50u);
    EXPECT_EQ(turns, 2);
    EXPECT_TRUE(FileExists(saved));
}

// One item at most is lit, the last the pointer reached, with one roll per entry. A
// fitted part shows its repair price beside its name until the shop's name or a panel's
// background hides it; "Cash:" and the window's margin only put the colours back.
TEST_F(Shop, ItemsLightOncePerEntryAndARepairPriceShowsBesideItsPart) {
    Cars[0].Engine = 80;
    ClickOn(Panel.Shop);
    ASSERT_TRUE(StoreForm->Visible);
    EXPECT_EQ(std::pair(FormsInZOrder().back(), Sounds("click01.wav")), std::pair(StoreForm, 1L));
    MoveTo(Store.Item[2]);
    EXPECT_EQ(Store.PartInfo->Caption, "top speed +20, acceleration +1, engine strength +50");
    MoveTo(Store.CarItem[1]);  // the sale line goes out with what it said
    EXPECT_EQ(std::tuple(PriceShown(), Store.RepairCost[1]->Caption, Store.PartInfo->Caption),
              std::tuple(1, std::string("$220"), std::string("Click a part to buy it.")));
    MoveTo(Store.Item[5]);  // another sale line leaves the price where it was
    EXPECT_EQ(PriceShown(), 1);

    const struct {
        Control* Lit;
        std::pair<int, int> Then;
        int Price;  // whose price shows after
    } rows[] = {
        {Store.CarItem[2], Inside(Store.StoreBox, -20, 100), 2},  // the window's margin
        {Store.CarItem[2], Inside(Store.BigMapBox, 3, 3), -1},
        {Store.LeaveLabel, Inside(Store.Picture2, 3, 3), -1},
        {Store.CarItem[0], Middle(Store.Label1), 0},  // "Cash:"
        {Store.CarItem[0], Middle(Store.Label2), -1},  // the shop's name
        // Lettering and bars only decorate: the pointer passes through to their panel.
        {Store.CarItem[2], Middle(Store.SalesHeading), -1},
        {Store.CarItem[2], Middle(Store.BarFill[PartTyres]), -1},
    };
    for (const auto& row : rows) {
        MoveTo(row.Lit);
        const long before = Rolls();
        MoveTo(row.Then);
        EXPECT_EQ(std::tuple(Lit(), PriceShown(), Rolls()),
                  std::tuple(std::string(10, '.'), row.Price, before))
            << row.Lit->Name;
    }

    std::vector<Control*> items(std::begin(Store.Item), std::end(Store.Item));
    items.insert(items.end(), std::begin(Store.CarItem), std::end(Store.CarItem));
    items.push_back(Store.LeaveLabel);
    for (std::size_t from = 0; from < items.size(); ++from)
        for (std::size_t to = 0; to < items.size(); ++to) {
            MoveTo(items[from]);
            const long before = Rolls();
            MoveTo(items[to]);
            std::string lit(items.size(), '.');
            lit[to] = '*';
            EXPECT_EQ(std::pair(Lit(), Rolls()), std::pair(lit, before + (from != to)))
                << items[from]->Name << " to " << items[to]->Name;
        }
}

// A part dearer than the cash brings the pop-up over a shop that hears nothing, not even
// Leave Shop, until OK; then the shop listens again.
TEST_F(Shop, ARefusedPurchaseShowsThePopUpAndOnlyOKBringsTheShopBack) {
    ShopClick();
    Cars[0].Cash = 1750;  // exactly the MoJet's price is not enough
    ClickOn(Store.Item[2]);
    ASSERT_TRUE(PopUpShowing());
    EXPECT_EQ(std::pair(Cars[0].EngineLevel, FormsInZOrder().back()), std::pair(i16(0), PopBoxForm));

    const long clicks = Sounds("click01.wav"), rolls = Rolls();
    Cars[0].Cash = 99999;
    for (Control* c : {Store.Item[0], Store.CarItem[0], Store.LeaveLabel}) ClickOn(c);
    EXPECT_EQ(std::tuple(Cars[0].TyresLevel, Cars[0].Cash, Sounds("click01.wav"), Rolls(), Lit()),
              std::tuple(i16(0), 99999, clicks, rolls,
                         std::string("..*.......")));  // the MoJet, pressed last
    EXPECT_TRUE(StoreForm->Visible);

    MoveTo(PopUp.Label4);
    MoveTo(PopUp.Label4);
    EXPECT_EQ(std::pair(PopUp.Label4->ForeColor, Rolls()), std::pair(OkLit, rolls + 1));
    MoveTo(PopUp.Label3);
    EXPECT_EQ(PopUp.Label4->ForeColor, OkNormal);
    ClickOn(PopUp.Label4);
    EXPECT_EQ(std::tuple(PopBoxForm->Visible, StoreForm->Visible && StoreForm->Enabled,
                         Sounds("click01.wav")),
              std::tuple(false, true, clicks + 1));
    ClickOn(Store.Item[0]);
    EXPECT_EQ(Cars[0].TyresLevel, 1);
}

// A repair costs the price the page showed when it was filled, $387 for a body at 37.5
// (shown as a bar of 38, to the even), however mended the part is since; filled again
// the page says "Fine". On Easy, tyres at
// 90 of 70 draw a bar longer than full.
TEST_F(Shop, RepairsChargeTheShownPriceUntilThePageIsFilledAgain) {
    CarRecord& car = Cars[0];
    car.Body = 37.5f, car.BodyLevel = 1;
    car.Cash = 1000;
    ShopClick();
    ASSERT_EQ(Store.RepairCost[PartBody]->Caption, "$387");
    EXPECT_EQ(Store.BarFill[PartBody]->Width, 38);
    ClickOn(Store.CarItem[PartBody]);
    EXPECT_EQ(std::tuple(car.Cash, car.Body, Store.CashField->Caption,
                         Store.BarFill[PartBody]->Width, Store.RepairCost[PartBody]->Caption),
              std::tuple(613, 87.5f, std::string("$613"), 88, std::string("$387")));
    ClickOn(Store.CarItem[PartBody]);
    EXPECT_EQ(std::tuple(car.Cash, car.Body, Store.BarFill[PartBody]->Width),
              std::tuple(226, 100.0f, 100));

    ShopClick();
    EXPECT_EQ(Store.RepairCost[PartBody]->Caption, "Fine");

    Settings.Difficulty = DifficultyEasy;
    NewCareer();
    ShopClick();
    EXPECT_EQ(std::pair(Store.BarFill[PartTyres]->Width, Store.CashField->Caption),
              std::pair(129, std::string("$1000")));
}

}  // namespace
