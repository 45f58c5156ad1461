// The front end as a player meets it: the pointer and keys go in through the window
// system, and the tests look at what lights, the pointer, the sounds and what is kept.
// How the menus look is the screens test's.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "app/app.h"
#include "frontend/frontend.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

using T = InputEvent::Type;
int NewCareers = 0, SavedCareers = 0;

class FrontEndMenus : public ::testing::Test {
protected:
    HeadlessBackend* Backend = &FreshHeadless();
    void SetUp() override {
        ReleaseSound();
        SoundEnabled = true;
        Randomize(1);
        DriverNames[PlayerNameEntry].clear();
        StartNewCareer = [] { ++NewCareers; };
        StartSavedCareer = [] { return ++SavedCareers < 3; };
    }
    void TearDown() override {
        StartNewCareer = nullptr;
        StartSavedCareer = nullptr;
        ReleaseSound();
        DestroyFrontEnd();
    }
    void Load(const std::string& folder = GameDir()) {
        SetAppPath(folder);
        LoadFrontEnd();
    }
    void Send(T kind, int x = 0, int y = 0, int key = 0, const std::string& text = "") {
        InputEvent e;
        e.Kind = kind, e.X = x, e.Y = y, e.Key = key, e.Text = text;
        Backend->Push(e);
        DoEvents();
    }
    Control* Item(const char* name) { return NamedControl(FrontEnd, name); }
    void At(Control* c, int dx, int dy, std::initializer_list<T> kinds = {T::MouseMove}) {
        for (T kind : kinds) Send(kind, c->CanvasLeft() + dx, c->CanvasTop() + dy);
    }
    void Hover(const char* name) { At(Item(name), Item(name)->Width / 2, Item(name)->Height / 2); }
    void Press(const char* name) {
        At(Item(name), Item(name)->Width / 2, Item(name)->Height / 2,
           {T::MouseMove, T::MouseDown, T::MouseUp});
    }
    void Type(const std::string& text) { Send(T::Text, 0, 0, 0, text); }
    void Key(int code) { Send(T::KeyDown, 0, 0, code); }
    // The roll sound is re-created each time it plays: a new buffer is a new roll.
    bool Rolls(const std::function<void()>& action) {
        SoundBuffer* before = RollSound.get();
        action();
        return RollSound.get() != before;
    }
    SilentSoundBuffer& Skid() { return static_cast<SilentSoundBuffer&>(*SkidSounds[0]); }
};

// The menu opens on Normal, whatever the last run chose; without its pointer pictures it
// lights items all the same and leaves the pointer as it was. A name the window has no
// control under stops there, saying which.
TEST_F(FrontEndMenus, OpensOnNormalAndLightsItemsWithoutItsPointerPictures) {
    Settings.Difficulty = DifficultyEasy;
    Load(TempFolder("FrontEndNoIcons"));
    EXPECT_EQ(Settings.Difficulty, DifficultyNormal);
    try {
        NamedControl(FrontEnd, "Label99", 2);
        ADD_FAILURE() << "no error for a missing control";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "no control named Label99(2) on FrontEnd");
    }
    Hover("Label1");
    EXPECT_EQ(std::pair(Item("Label1")->ForeColor, FrontEnd->Pointer),
              std::pair(MenuLit, PointerKind::Default));
}

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
    const Colour marker = RGB(1, 2, 3);
    auto mark = [&] {
        for (const auto* names : {&c.Dimmed, &c.Untouched})
            for (const char* name : *names) Item(name)->ForeColor = marker;
    };
    mark();
    const int skids = Skid().PlayCount;
    EXPECT_EQ(Rolls([&] { Hover(c.Over); }), c.Sound == HoverCase::Roll);
    EXPECT_EQ(Skid().PlayCount - skids, c.Sound == HoverCase::Skid);
    EXPECT_EQ(Item(c.Lit)->ForeColor, MenuLit);
    for (const char* name : c.Dimmed) EXPECT_EQ(Item(name)->ForeColor, MenuNormal) << name;
    for (const char* name : c.Untouched) EXPECT_EQ(Item(name)->ForeColor, marker) << name;
    if (*c.Icon) {
        Form* scratch = CreateForm("Scratch");
        ASSERT_TRUE(SetMouseIcon(scratch, GameDir() + "/resources/" + c.Icon));
        EXPECT_EQ(FrontEnd->PointerImage.Pixels, scratch->PointerImage.Pixels);
    }
    EXPECT_EQ(FrontEnd->Pointer, *c.Icon ? PointerKind::Custom : PointerKind::Default);

    // Moving on over the lit item does nothing at all.
    mark();
    EXPECT_FALSE(Rolls([&] { At(Item(c.Over), 2, Item(c.Over)->Height / 2); }));
    EXPECT_EQ(Skid().PlayCount - skids, c.Sound == HoverCase::Skid);
    for (const char* name : c.Dimmed) EXPECT_EQ(Item(name)->ForeColor, marker) << name;
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

// Exit's skid stops on the menu's panel, on a click and on a panel's background; it
// starts again only after the pointer has left Exit, which the window's background does.
TEST_F(FrontEndMenus, ExitSkidStopsOnThePanelsOrAClickAndStartsAgainOnlyAfterLeaving) {
    Load();
    const auto stops = [&](const std::function<void()>& action) {
        const int before = Skid().StopCount;
        action();
        return Skid().StopCount - before;
    };
    Hover("Label3");
    EXPECT_EQ(stops([&] { At(FrontEndBox, 3, 470); }), 1);
    Hover("Label3");  // still lit
    EXPECT_EQ(Skid().PlayCount, 1);
    Send(T::MouseMove, 20, 20);
    Hover("Label3");
    EXPECT_EQ(Skid().PlayCount, 2);
    EXPECT_GT(stops([&] { Press("Label1"); }), 0);
    EXPECT_EQ(stops([&] { At(CareerModeBox, 3, 300); }), 1);
}

// What the name box keeps of what is typed into it, a letter at a time; a name given at
// start goes through the same filter.
TEST_F(FrontEndMenus, NameBoxTakesOnlySafeLettersUpToFourteen) {
    Load();
    Press("Label1");
    const std::pair<const char*, const char*> cases[] = {
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
        Key(vbKeyDelete);  // the old name, selected as the panel opens
        Type(typed);
        EXPECT_EQ(std::pair(DriverNameBox->Text, SafeDriverName(typed)), std::pair(std::string(kept), std::string(kept))) << typed;
        Press("Label24");
    }
    // Deleting the first letter may not leave a blank in front.
    Press("Label21");
    Type("A B");
    Key(vbKeyHome);
    Key(vbKeyDelete);
    EXPECT_EQ(DriverNameBox->Text, "A B");
}

// Typing replaces the name selected as the panel opens. With the panel closed Enter
// starts nothing: it chooses the item lit on Career Mode. An empty name draws one on
// Start Career as on Enter.
TEST_F(FrontEndMenus, NewDriverTypesOverTheOldNameAndAnEmptyOneDrawsOne) {
    NewCareers = 0;
    Load();
    Press("Label1");
    Press("Label21");
    Type("Ann");
    Press("Label24");
    Press("Label21");
    Type("Bo");
    Key(vbKeyReturn);
    EXPECT_EQ(std::tuple(NewCareers, DriverNames[PlayerNameEntry], NewDriverBox->Visible),
              std::tuple(1, std::string("Bo"), false));
    Key(vbKeyReturn);
    EXPECT_EQ(std::pair(NewCareers, NewDriverBox->Visible), std::pair(1, true));
    Key(vbKeyDelete);
    Press("Label27");
    EXPECT_TRUE(DriverNames[PlayerNameEntry] == "Gustav" ||
                DriverNames[PlayerNameEntry] == "Nadine")
        << DriverNames[PlayerNameEntry];
    EXPECT_EQ(NewCareers, 2);
}

// A list cut short still names its last driver. Load Career wants a driver chosen; one
// that will not load says so until the next choice. Reopened without the list: free
// slots, never the placeholders, and the chosen name comes back.
TEST_F(FrontEndMenus, LoadGameShowsTheSlotsAsWrittenAndLoadsOnlyAName) {
    SavedCareers = 0;
    const std::string bob = " Bob           ", free(15, ' ');
    std::string folder = TempFolder("FrontEndLoadGame");
    std::filesystem::create_directory_symlink(GameDir() + "/soundfx", folder + "/soundfx");
    MakeFolder(folder + "/saves");
    WriteFileText(folder + "/saves/saves.lst", bob + free + free + " Al");
    Load(folder);
    Press("Label1");
    Press("Label18");
    EXPECT_EQ(SaveGameList->List,
              (std::vector<std::string>{bob, free, free, " Al" + std::string(12, ' '), free, free}));
    auto choose = [&](int row) {
        At(SaveGameList, 20, row * SaveGameList->Height / CareerSlots + 2,
           {T::MouseDown, T::MouseUp});
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

    std::filesystem::remove(folder + "/saves/saves.lst");
    Press("Label28");
    DriverNames[PlayerNameEntry] = "someone else";
    Press("Label18");
    EXPECT_EQ(std::pair(SaveGameList->List, DriverNames[PlayerNameEntry]),
              std::pair(std::vector<std::string>(6, free), std::string("Bob            ")));
}

}  // namespace
