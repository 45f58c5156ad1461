// The front end's menus, the pre-race panel and the shop as a player meets them on the
// headless window system: the pointer and keys go in through the platform's input
// delivery, and the tests look at what lights, the pointer, the sounds (counted by the
// file each buffer came from) and what is kept. How the screens look is the screens
// test's; here are the rules a picture cannot show.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app.h"
#include "frontend/frontend.h"
#include "platform/text/ttf_text.h"
#include "race_test_folder.h"
#include "shop/shop.h"
#include "sound/sound.h"

namespace {

namespace fs = std::filesystem;
using T = InputEvent::Type;
using Point = std::pair<int, int>;
int SavedCareers = 0;

struct CountingBackend : HeadlessBackend {
    std::vector<std::string> Files;
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        Files.push_back(fs::path(path).filename().string());
        return HeadlessBackend::CreateSoundBuffer(path);
    }
};

class Screen : public ::testing::Test {
protected:
    CountingBackend Backend;
    void SetUp() override {
        ReleaseSound();
        ResetPlatform();
        InstallBackend(&Backend);
        static std::unique_ptr<TextRenderer> text = MakeTtfTextRenderer();
        InstallTextRenderer(text.get());
        SoundEnabled = true;
    }
    void TearDown() override {
        ReleaseSound();
        InstallBackend(nullptr);
    }
    void Send(T kind, Point at = {}, int key = 0, const std::string& text = "") {
        InputEvent e;
        e.Kind = kind, e.X = at.first, e.Y = at.second, e.Key = key, e.Text = text;
        Backend.Push(e);
        DoEvents();
    }
    static Point Inside(const Control* c, int dx, int dy) {
        return {c->CanvasLeft() + dx, c->CanvasTop() + dy};
    }
    static Point Middle(const Control* c) { return Inside(c, c->Width / 2, c->Height / 2); }
    void MoveTo(Point p) { Send(T::MouseMove, p); }
    void MoveTo(const Control* c) { MoveTo(Middle(c)); }
    void ClickOn(const Control* c) {
        for (T kind : {T::MouseMove, T::MouseDown, T::MouseUp}) Send(kind, Middle(c));
    }
    long Sounds(const char* file) const {
        return std::count(Backend.Files.begin(), Backend.Files.end(), file);
    }
    // The roll sound is loaded afresh each time it plays, from one of three files.
    long Rolls() const {
        return Sounds("click02.wav") + Sounds("click1.wav") + Sounds("click2.wav");
    }
};

class FrontEndMenus : public Screen {
protected:
    void SetUp() override {
        Screen::SetUp();
        StartSavedCareer = [] { return ++SavedCareers < 3; };
    }
    void TearDown() override {
        StartSavedCareer = nullptr;
        DestroyFrontEnd();
        Screen::TearDown();
    }
    void Load(const std::string& folder = GameDir()) {
        SetAppPath(folder);
        LoadFrontEnd();
    }
    Control* Item(const char* name) { return NamedControl(FrontEnd, name); }
    void Press(const char* name) { ClickOn(Item(name)); }
    SilentSoundBuffer& Skid() { return static_cast<SilentSoundBuffer&>(*SkidSounds[0]); }
};

// Every group follows one rule; each row hovers one item and says what it lights, what it
// dims, what it leaves alone, the pointer it brings and the sound it makes.
struct HoverCase {
    const char* Panel;  // opened first; "" for the main menu
    const char *Over, *Lit;
    std::vector<const char*> Dimmed, Untouched;
    const char* Icon;  // "" leaves the pointer as it was
    enum { Roll, Skid, Silent } Sound;
};
class HoverRules : public FrontEndMenus, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(HoverRules, LightTheItemDimItsGroupAndSoundOncePerEntry) {
    const HoverCase& c = GetParam();
    Load();
    if (*c.Panel) OpenPanel(Item(c.Panel), 207, 112);
    for (const auto* names : {&c.Dimmed, &c.Untouched})
        for (const char* name : *names) Item(name)->ForeColor = RGB(1, 2, 3);
    const long rolls = Rolls();
    MoveTo(Item(c.Over));
    EXPECT_EQ(std::tuple(Rolls() - rolls, Skid().PlayCount, Item(c.Lit)->ForeColor),
              std::tuple(long(c.Sound == HoverCase::Roll), int(c.Sound == HoverCase::Skid), MenuLit));
    for (const char* name : c.Dimmed) EXPECT_EQ(Item(name)->ForeColor, MenuNormal) << name;
    for (const char* name : c.Untouched) EXPECT_EQ(Item(name)->ForeColor, RGB(1, 2, 3)) << name;
    Form* scratch = CreateForm("Scratch");
    if (*c.Icon) SetMouseIcon(scratch, GameDir() + "/resources/" + c.Icon);
    EXPECT_EQ(std::pair(FrontEnd->Pointer, FrontEnd->PointerImage.Pixels),
              std::pair(scratch->Pointer, scratch->PointerImage.Pixels));
}

INSTANTIATE_TEST_SUITE_P(
    EveryGroup, HoverRules,
    ::testing::Values(
        HoverCase{"", "Label1", "Label1", {"Label2", "Label3"}, {}, "Trffc10a.ico", HoverCase::Roll},
        HoverCase{"", "Label2", "Label2", {"Label1", "Label3"}, {}, "Trffc10b.ico", HoverCase::Roll},
        HoverCase{"", "Label3", "Label3", {"Label1", "Label2"}, {}, "Trffc10c.ico", HoverCase::Skid},
        // "Controls" leaves the blank beside it lit; "Difficulty" lights its value.
        HoverCase{"OptionBox", "Label7", "Label7", {"DifLabel", "Label13"}, {"Label8"}, "", HoverCase::Roll},
        HoverCase{"OptionBox", "Label8", "Label8", {"Label7", "DifLabel", "Label13"}, {}, "", HoverCase::Roll},
        HoverCase{"OptionBox", "Label4", "DifLabel", {"Label7", "Label8", "Label13"}, {"Label4"}, "", HoverCase::Roll},
        HoverCase{"ControlsBox", "Label39", "Label39", {}, {}, "", HoverCase::Silent},
        HoverCase{"CareerModeBox", "Label18", "Label18", {"Label21", "Label20"}, {}, "Trffc10a.ico", HoverCase::Roll},
        HoverCase{"CareerModeBox", "Label20", "Label20", {"Label21", "Label18"}, {}, "Trffc10c.ico", HoverCase::Roll},
        HoverCase{"NewDriverBox", "Label27", "Label27", {"Label24"}, {}, "Trffc10a.ico", HoverCase::Roll},
        HoverCase{"NewDriverBox", "Label24", "Label24", {"Label27"}, {}, "Trffc10c.ico", HoverCase::Roll},
        HoverCase{"LoadGameBox", "Label29", "Label29", {"Label28"}, {}, "", HoverCase::Roll}));

// Exit's skid stops once the pointer reaches the menu's panel. What the name box keeps of
// what is typed into it, up to fourteen bytes; a name given at start goes through the
// same filter.
TEST_F(FrontEndMenus, ExitSkidStopsOnThePanelAndTheNameBoxTakesOnlySafeLetters) {
    Load();
    MoveTo(Item("Label3"));
    MoveTo(Inside(FrontEndBox, 3, 470));
    EXPECT_EQ(std::pair(Skid().PlayCount, Skid().StopCount), std::pair(1, 1));
    Press("Label1");
    const std::pair<std::string, std::string> cases[] = {
        {"Ann-Marie O'Neil", "Ann-Marie O'Ne"},
        {"  Bob", "Bob"},
        {"../../etc/passwd", "....etcpasswd"},
        {"a\\b:c*d?e\"f<g>h|i\tj", "abcdefghij"},
        {"\xE6\x9D\x8E J\xC3\xBCrgen_2", "\xE6\x9D\x8E J\xC3\xBCrgen_2"},  // any alphabet
        // The list's field counts bytes, and a Cyrillic letter takes two.
        {"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xD0\x9F\xD0\xB5\xD1\x82\xD1\x80",
         "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xD0\x9F\xD0\xB5"},
        {"\xC3\x97\xE2\x82\xAC$%", ""},  // symbols are not letters
    };
    for (const auto& [typed, kept] : cases) {
        Press("Label21");
        Send(T::KeyDown, {}, vbKeyDelete);  // the old name, selected as the panel opens
        Send(T::Text, {}, 0, typed);
        EXPECT_EQ(std::pair(DriverNameBox->Text, SafeDriverName(typed)), std::pair(kept, kept))
            << typed;
        Press("Label24");
    }
}

// A list cut short still names its last driver. Load Career wants a driver chosen; one
// that will not load says so until the next choice.
TEST_F(FrontEndMenus, LoadGameShowsTheSlotsAsWrittenAndLoadsOnlyAName) {
    const std::string bob = " Bob           ", free(15, ' ');
    std::string folder = TempFolder("FrontEndLoadGame");
    MakeFolder(folder + "/saves");
    WriteFileText(folder + "/saves/saves.lst", bob + free + free + " Al");
    Load(folder);
    Press("Label1");
    Press("Label18");
    EXPECT_EQ(SaveGameList->List,
              std::vector<std::string>({bob, free, free, " Al" + free.substr(3), free, free}));
    auto choose = [&](int row) {
        for (T kind : {T::MouseDown, T::MouseUp})
            Send(kind, Inside(SaveGameList, 20, row * SaveGameList->Height / CareerSlots + 2));
    };
    Control* problem = Item("LoadProblemLabel");
    Press("Label29");  // nothing chosen
    choose(1);
    Press("Label29");  // a free slot
    EXPECT_EQ(SavedCareers, 0);
    choose(0);
    EXPECT_EQ(PlayerNameField->Caption, "Bob            ");  // and twelve blanks
    Press("Label29");
    Press("Label29");
    EXPECT_EQ(std::pair(SavedCareers, problem->Caption), std::pair(2, std::string()));
    Press("Label29");  // the third will not load
    EXPECT_NE(problem->Caption, "");
    choose(0);
    EXPECT_EQ(problem->Caption, "");
}

class Shop : public Screen {
protected:
    void SetUp() override {
        Screen::SetUp();
        const std::string folder = RaceFolder("Shop");
        fs::create_directory_symlink(GameDir() + "/soundfx", folder + "/soundfx");
        StartSound();
        Backend.Files.clear();
        DriverNames[PlayerNameEntry] = "Ann";
        LoadRaceScreen();
        NewCareer();
    }
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
};

// "Saved..." stands for half a second, until the shop clears it.
TEST_F(Shop, SaveCareerShowsSavedForHalfASecond) {
    const std::uint32_t before = GetTickCount();
    SaveCareerClick();
    EXPECT_GE(GetTickCount() - before, 500u);
    ShopClick();
    EXPECT_EQ(Panel.Status->Caption, "");
}

// One item at most is lit, the last the pointer reached, with one roll per entry. A
// fitted part shows its repair price beside its name until the shop's name or a panel's
// background hides it; "Cash:" and the window's margin only put the colours back.
TEST_F(Shop, ItemsLightOncePerEntryAndARepairPriceShowsBesideItsPart) {
    Cars[0].Engine = 80;
    ClickOn(Panel.Shop);
    EXPECT_EQ(std::pair(FormsInZOrder().back(), Sounds("click01.wav")), std::pair(StoreForm, 1L));
    MoveTo(Store.CarItem[1]);
    EXPECT_EQ(std::pair(PriceShown(), Store.RepairCost[1]->Caption),
              std::pair(1, std::string("$220")));
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
    for (std::size_t i = 0; i < items.size() * 2; ++i) {  // each from the one before
        const long before = Rolls();
        MoveTo(items[i / 2]);
        std::string lit(items.size(), '.');
        lit[i / 2] = '*';
        EXPECT_EQ(std::pair(Lit(), Rolls()), std::pair(lit, before + (i % 2 == 0)))
            << items[i / 2]->Name;
    }
}

// A part dearer than the cash brings the pop-up over a shop that hears nothing, not even
// Leave Shop, until OK; then the shop listens again.
TEST_F(Shop, ARefusedPurchaseShowsThePopUpAndOnlyOKBringsTheShopBack) {
    ShopClick();
    Cars[0].Cash = 1750;  // exactly the MoJet's price is not enough
    ClickOn(Store.Item[2]);
    ASSERT_TRUE(PopBoxForm->Visible && !StoreForm->Enabled);
    Cars[0].Cash = 99999;
    for (Control* c : {Store.Item[0], Store.LeaveLabel}) ClickOn(c);
    EXPECT_EQ(std::tuple(Cars[0].TyresLevel, StoreForm->Visible), std::tuple(i16(0), true));
    ClickOn(PopUp.Label4);
    ClickOn(Store.Item[0]);
    EXPECT_EQ(std::tuple(PopBoxForm->Visible, Cars[0].TyresLevel), std::tuple(false, i16(1)));
}

// A repair costs the price the page showed when it was filled, $387 for a body at 37.5
// (shown as a bar of 38, to the even), however mended the part is since; filled again
// the page says "Fine".
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
}

}  // namespace
