// The front end as a player meets it: the pointer and keys go in through the window
// system, and the tests look at colours, panels, pointers, sounds and the settings.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app.h"
#include "frontend/frontend.h"
#include "platform/window_system.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

using T = InputEvent::Type;

int NewCareers = 0;
int SavedCareers = 0;

class FrontEndMenus : public ::testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;

    void SetUp() override {
        Backend = &FreshHeadless();
        ReleaseSound();
        SoundEnabled = true;
        Randomize(1);
        DriverNames[10].clear();
        NewCareers = SavedCareers = 0;
        StartNewCareer = [] { ++NewCareers; };
        StartSavedCareer = [] { ++SavedCareers; };
    }
    void TearDown() override {
        StartNewCareer = StartSavedCareer = nullptr;
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
    Control* Item(const char* name) { return FindControl(FrontEnd, name); }
    void Hover(const char* name) {
        Control* c = Item(name);
        Send(T::MouseMove, c->CanvasLeft() + c->Width / 2, c->CanvasTop() + c->Height / 2);
    }
    // Somewhere on a panel's own background, clear of its controls.
    void HoverBackground(Control* panel) {
        Send(T::MouseMove, panel->CanvasLeft() + 3, panel->CanvasTop() + panel->Height - 3);
    }
    void Press(const char* name) {
        Hover(name);
        Control* c = Item(name);
        int x = c->CanvasLeft() + c->Width / 2, y = c->CanvasTop() + c->Height / 2;
        Send(T::MouseDown, x, y);
        Send(T::MouseUp, x, y);
    }
    void Type(const std::string& text) { Send(T::Text, 0, 0, 0, text); }
    void Key(int code) { Send(T::KeyDown, 0, 0, code); }

    // The interface sounds are re-created each time they play, so a new buffer is a new
    // sound.
    struct Heard {
        bool Roll, Click;
    };
    template <typename F>
    Heard Listen(F&& action) {
        SoundBuffer* roll = RollSound.get();
        SoundBuffer* click = ClickSound.get();
        action();
        return {RollSound.get() != roll, ClickSound.get() != click};
    }
    SilentSoundBuffer& Skid() { return static_cast<SilentSoundBuffer&>(*SkidSounds[0]); }
};

// The pointer picture an icon file gives, for comparing with the window's.
Surface IconPicture(const std::string& file) {
    Form* scratch = CreateForm("Scratch");
    EXPECT_TRUE(SetMouseIcon(scratch, GameDir() + "/resources/" + file));
    Surface picture = scratch->PointerImage;
    DestroyForm(scratch);
    return picture;
}

TEST_F(FrontEndMenus, OpensOnTheCentredMainMenuWithDefaultSettings) {
    Settings.Difficulty = DifficultyEasy;
    Settings.ViewSizeMode = 0;
    Load();
    EXPECT_EQ(Settings.Difficulty, DifficultyNormal);
    EXPECT_EQ(Settings.ViewSizeMode, 2);
    // 1024 / 2 - 640 / 2 = 192; 768 / 2 - 480 / 1.8 = 117.3.
    EXPECT_EQ(FrontEndBox->Left, 192);
    EXPECT_EQ(FrontEndBox->Top, 117);
    for (Control* panel : {OptionBox, ControlsBox, CareerModeBox, NewDriverBox, LoadGameBox})
        EXPECT_FALSE(panel->ShownOnScreen()) << panel->Name;

    const Surface& canvas = ComposeCanvas();
    EXPECT_EQ(canvas.Pixel(100, 100), 0x000000u);  // the window around the panel
    EXPECT_EQ(canvas.Pixel(FrontEndBox->Left + 5, FrontEndBox->Top + 470), 0x404040u);
    auto countPixels = [&](const char* name, std::uint32_t pixel) {
        Control* c = Item(name);
        int n = 0;
        for (int y = c->CanvasTop(); y < c->CanvasTop() + c->Height; ++y)
            for (int x = c->CanvasLeft(); x < c->CanvasLeft() + c->Width; ++x)
                n += canvas.Pixel(x, y) == pixel;
        return n;
    };
    if (CurrentTextRenderer()) {
        EXPECT_GT(countPixels("TitleLabel", 0xFFFF00), 100);
        EXPECT_GT(countPixels("Label1", 0x008000), 30);
        EXPECT_GT(countPixels("Label14", 0xC0C000), 30);
    }
}

// Every group of items follows one rule; each row hovers one item and names what it
// lights, the pointer it brings and the sound it makes.
struct HoverCase {
    const char* Panel;  // the sub-panel to open first, or "" for the main menu
    const char* Over;
    const char* Lit;
    std::vector<const char*> Dimmed;
    std::vector<const char*> Untouched;
    const char* Icon;  // "" leaves the pointer as it was
    enum { Roll, Skid, Silent } Sound;
};

class HoverRules : public FrontEndMenus, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(HoverRules, LightsTheItemDimsItsGroupAndSoundsOncePerEntry) {
    const HoverCase& c = GetParam();
    Load();
    if (*c.Panel) OpenPanel(Item(c.Panel), 207, 112);
    const Colour marker = RGB(1, 2, 3);
    Item(c.Lit)->ForeColor = marker;
    for (const char* name : c.Dimmed) Item(name)->ForeColor = marker;
    for (const char* name : c.Untouched) Item(name)->ForeColor = marker;
    int skidPlays = Skid().PlayCount;

    Heard heard = Listen([&] { Hover(c.Over); });
    EXPECT_EQ(Item(c.Lit)->ForeColor, MenuLit);
    for (const char* name : c.Dimmed) EXPECT_EQ(Item(name)->ForeColor, MenuNormal) << name;
    for (const char* name : c.Untouched) EXPECT_EQ(Item(name)->ForeColor, marker) << name;
    if (*c.Icon) {
        EXPECT_EQ(FrontEnd->Pointer, PointerKind::Custom);
        EXPECT_EQ(FrontEnd->PointerImage.Pixels, IconPicture(c.Icon).Pixels);
    } else {
        EXPECT_EQ(FrontEnd->Pointer, PointerKind::Default);
    }
    EXPECT_EQ(heard.Roll, c.Sound == HoverCase::Roll);
    EXPECT_EQ(Skid().PlayCount - skidPlays, c.Sound == HoverCase::Skid ? 1 : 0);
    if (c.Sound == HoverCase::Skid) {
        EXPECT_EQ(Skid().LastPlayFlags, DSBPLAY_LOOPING);
        EXPECT_EQ(Skid().Volume, -500);
    }

    // Moving about on the lit item changes nothing and plays nothing.
    for (const char* name : c.Dimmed) Item(name)->ForeColor = marker;
    Control* over = Item(c.Over);
    heard = Listen([&] {
        Send(T::MouseMove, over->CanvasLeft() + 2, over->CanvasTop() + over->Height / 2);
    });
    EXPECT_FALSE(heard.Roll);
    EXPECT_EQ(Skid().PlayCount - skidPlays, c.Sound == HoverCase::Skid ? 1 : 0);
    for (const char* name : c.Dimmed) EXPECT_EQ(Item(name)->ForeColor, marker) << name;
}

INSTANTIATE_TEST_SUITE_P(
    EveryGroup, HoverRules,
    ::testing::Values(
        HoverCase{"", "Label1", "Label1", {"Label2", "Label3"}, {}, "Trffc10a.ico", HoverCase::Roll},
        HoverCase{"", "Label2", "Label2", {"Label1", "Label3"}, {}, "Trffc10b.ico", HoverCase::Roll},
        HoverCase{"", "Label3", "Label3", {"Label1", "Label2"}, {}, "Trffc10c.ico", HoverCase::Skid},
        // "Controls" leaves the blank beside it lit; "Difficulty" lights its value.
        HoverCase{"OptionBox", "Label7", "Label7", {"DifLabel", "Label13"}, {"Label8"}, "",
                  HoverCase::Roll},
        HoverCase{"OptionBox", "Label8", "Label8", {"Label7", "DifLabel", "Label13"}, {}, "",
                  HoverCase::Roll},
        HoverCase{"OptionBox", "Label4", "DifLabel", {"Label7", "Label8", "Label13"}, {"Label4"},
                  "", HoverCase::Roll},
        HoverCase{"OptionBox", "Label13", "Label13", {"Label7", "Label8", "DifLabel"}, {}, "",
                  HoverCase::Roll},
        HoverCase{"ControlsBox", "Label39", "Label39", {}, {}, "", HoverCase::Silent},
        HoverCase{"CareerModeBox", "Label21", "Label21", {"Label18", "Label20"}, {},
                  "Trffc10a.ico", HoverCase::Roll},
        HoverCase{"CareerModeBox", "Label18", "Label18", {"Label21", "Label20"}, {},
                  "Trffc10a.ico", HoverCase::Roll},
        HoverCase{"CareerModeBox", "Label20", "Label20", {"Label21", "Label18"}, {},
                  "Trffc10c.ico", HoverCase::Roll},
        HoverCase{"NewDriverBox", "Label27", "Label27", {"Label24"}, {}, "Trffc10a.ico",
                  HoverCase::Roll},
        HoverCase{"NewDriverBox", "Label24", "Label24", {"Label27"}, {}, "Trffc10c.ico",
                  HoverCase::Roll},
        HoverCase{"LoadGameBox", "Label29", "Label29", {"Label28"}, {}, "", HoverCase::Roll},
        HoverCase{"LoadGameBox", "Label28", "Label28", {"Label29"}, {}, "", HoverCase::Roll}));

TEST_F(FrontEndMenus, ExitSkidLoopsUntilAPanelBackgroundOrTheNextRollOrClick) {
    Load();
    Hover("Label3");
    EXPECT_EQ(Skid().PlayCount, 1);
    int stops = Skid().StopCount;
    HoverBackground(FrontEndBox);
    EXPECT_EQ(Skid().StopCount, stops + 1);
    // Still lit, so going back starts nothing; the window's background puts it out.
    Hover("Label3");
    EXPECT_EQ(Skid().PlayCount, 1);
    Send(T::MouseMove, 20, 20);
    EXPECT_EQ(Item("Label3")->ForeColor, MenuNormal);
    Hover("Label3");
    EXPECT_EQ(Skid().PlayCount, 2);

    stops = Skid().StopCount;
    Hover("Label1");
    EXPECT_EQ(Skid().StopCount, stops + 1);  // the roll
    Hover("Label3");
    stops = Skid().StopCount;
    Press("Label2");  // options: a click
    EXPECT_GT(Skid().StopCount, stops);
    OptionsDoneClick();
    Press("Label1");  // the Career Mode panel now covers the menu
    Hover("Label21");
    stops = Skid().StopCount;
    HoverBackground(CareerModeBox);
    EXPECT_EQ(Skid().StopCount, stops + 1);
}

TEST_F(FrontEndMenus, MissingIconLeavesThePointerAsItWas) {
    std::string folder = TempFolder("FrontEndNoIcons");
    Load(folder);
    Hover("Label1");
    EXPECT_EQ(Item("Label1")->ForeColor, MenuLit);
    EXPECT_EQ(FrontEnd->Pointer, PointerKind::Default);
}

TEST_F(FrontEndMenus, PanelsOpenAtTheirPlacesAndCloseWithoutTouchingOthers) {
    Load();
    struct Step {
        const char* Press;
        Control** Panel;
        int Left, Top;
        bool Opens;
    };
    const Step steps[] = {
        {"Label2", &OptionBox, 205, 120, true},       {"Label7", &ControlsBox, 205, 120, true},
        {"Label39", &ControlsBox, 205, 120, false},   {"Label13", &OptionBox, 205, 120, false},
        {"Label1", &CareerModeBox, 207, 112, true},   {"Label21", &NewDriverBox, 207, 112, true},
        {"Label24", &NewDriverBox, 207, 112, false},  {"Label18", &LoadGameBox, 207, 112, true},
        {"Label28", &LoadGameBox, 207, 112, false},   {"Label20", &CareerModeBox, 207, 112, false},
    };
    for (const Step& step : steps) {
        std::vector<bool> before;
        for (Control* p : {OptionBox, ControlsBox, CareerModeBox, NewDriverBox, LoadGameBox})
            before.push_back(p->Visible);
        Heard heard = Listen([&] { Press(step.Press); });
        EXPECT_TRUE(heard.Click) << step.Press;
        Control* panel = *step.Panel;
        EXPECT_EQ(panel->Visible, step.Opens) << step.Press;
        EXPECT_EQ(panel->Left, step.Left);
        EXPECT_EQ(panel->Top, step.Top);
        int i = 0;
        for (Control* p : {OptionBox, ControlsBox, CareerModeBox, NewDriverBox, LoadGameBox})
            if (p != panel) EXPECT_EQ(p->Visible, before[i++]) << step.Press << " " << p->Name;
            else ++i;
    }
    EXPECT_FALSE(QuitRequested());
    Press("Label3");
    EXPECT_TRUE(QuitRequested());
}

TEST_F(FrontEndMenus, DifficultyFollowsItsCaption) {
    Load();
    Press("Label2");
    Press("Label4");
    EXPECT_EQ(DifLabel->Caption, "Easy");
    EXPECT_EQ(Settings.Difficulty, DifficultyEasy);
    Press("Label4");
    EXPECT_EQ(DifLabel->Caption, "Normal");
    EXPECT_EQ(Settings.Difficulty, DifficultyNormal);
    // The value beside it is only a caption: clicking it changes nothing.
    Press("DifLabel");
    EXPECT_EQ(DifLabel->Caption, "Normal");
    Settings.Difficulty = DifficultyEasy;  // out of step with the caption
    Press("Label4");
    EXPECT_EQ(Settings.Difficulty, DifficultyEasy);
    EXPECT_EQ(DifLabel->Caption, "Easy");
}

// What the name box keeps of what is typed into it, a letter at a time.
TEST_F(FrontEndMenus, NameBoxTakesOnlySafeLettersUpToFourteen) {
    Load();
    Press("Label1");
    const std::pair<const char*, const char*> cases[] = {
        {"Ann-Marie O'Neil", "Ann-Marie O'Ne"},       // 14 at most
        {"  Bob", "Bob"},                             // never a leading blank
        {"../../etc/passwd", "....etcpasswd"},        // no folders
        {"a\\b:c*d?e\"f<g>h|i", "abcdefghi"},         // nor what other systems refuse
        {"J\xC3\xBCrgen \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "J\xC3\xBCrgen \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"},
        {"\xE6\x9D\x8E_2.0", "\xE6\x9D\x8E_2.0"},      // any alphabet, digits, _ and .
        {"tab\there\n", "tabhere"},
        {"\xC3\x97\xE2\x82\xAC$%", ""},               // symbols are not letters
    };
    for (const auto& [typed, kept] : cases) {
        Press("Label21");
        Key(vbKeyDelete);  // the old name, selected as the panel opens
        Type(typed);
        EXPECT_EQ(Text1->Text, kept) << typed;
        EXPECT_TRUE(DriverNameAccepted(Text1->Text));
        EXPECT_EQ(SafeDriverName(typed), kept);
        NewDriverExitClick();
    }
    // Deleting the first letter may not leave a blank in front.
    Press("Label21");
    Type("A B");
    Key(vbKeyHome);
    Key(vbKeyDelete);
    EXPECT_EQ(Text1->Text, "A B");
    Key(vbKeyEnd);
    Key(vbKeyBack);
    EXPECT_EQ(Text1->Text, "A ");
}

TEST_F(FrontEndMenus, NewDriverSelectsTheOldNameAndEnterStartsWithItAsTyped) {
    Load();
    Press("Label1");
    Press("Label21");
    EXPECT_EQ(FrontEnd->Focus, Text1);
    Type("Ann");
    Press("Label24");
    Press("Label21");
    EXPECT_EQ(Text1->SelStart, 0);
    EXPECT_EQ(Text1->SelLength, 3);
    Type("Bo");
    Key(vbKeyReturn);
    EXPECT_EQ(NewCareers, 1);
    EXPECT_EQ(DriverNames[10], "Bo");
    EXPECT_FALSE(NewDriverBox->Visible);
    EXPECT_TRUE(CareerModeBox->Visible);
    // Enter means nothing while the panel is closed.
    Key(vbKeyReturn);
    EXPECT_EQ(NewCareers, 1);

    // An empty name: Enter keeps it empty, Start Career draws one.
    Press("Label21");
    Key(vbKeyDelete);
    Key(vbKeyReturn);
    EXPECT_EQ(NewCareers, 2);
    EXPECT_EQ(DriverNames[10], "");
    for (int n = 0; n < 8; ++n) {
        Press("Label21");
        Press("Label27");
        EXPECT_TRUE(DriverNames[10] == "Gustav" || DriverNames[10] == "Nadine") << DriverNames[10];
    }
    EXPECT_EQ(NewCareers, 10);
}

class LoadGame : public FrontEndMenus {
protected:
    std::string Folder;
    void WithList(const std::string& list) {
        Folder = TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directory_symlink(GameDir() + "/soundfx", Folder + "/soundfx");
        MakeFolder(Folder + "/saves");
        WriteFileText(Folder + "/saves/saves.lst", list);
        Load(Folder);
        Press("Label1");
        Press("Label18");
    }
    void Choose(int entry) {
        int row = LineHeight(SaveGameList->TextFont);
        Send(T::MouseMove, SaveGameList->CanvasLeft() + 20, SaveGameList->CanvasTop() + row * entry + 2);
        Send(T::MouseDown, SaveGameList->CanvasLeft() + 20, SaveGameList->CanvasTop() + row * entry + 2);
        Send(T::MouseUp, SaveGameList->CanvasLeft() + 20, SaveGameList->CanvasTop() + row * entry + 2);
    }
};

TEST_F(LoadGame, ShowsTheSixSlotsWithTheirBlanksAndLoadsOnlyAName) {
    const std::string bob = " Bob           ", free(15, ' ');
    const std::string zoe = " Zo\xC3\xAB           ";  // 15 letters, 16 bytes
    WithList(bob + free + zoe + free + free + free);
    EXPECT_EQ(SaveGameList->List, (std::vector<std::string>{bob, free, zoe, free, free, free}));
    Press("Label29");  // nothing chosen yet
    EXPECT_EQ(SavedCareers, 0);

    Choose(0);
    EXPECT_EQ(DriverNames[10], "Bob            ");  // Bob and twelve blanks
    EXPECT_EQ(PlayerNameField->Caption, DriverNames[10]);
    Press("Label29");
    EXPECT_EQ(SavedCareers, 1);
    Choose(1);
    EXPECT_EQ(DriverNames[10], free);
    Press("Label29");
    EXPECT_EQ(SavedCareers, 1);

    // Reopened, the panel reads the list again and takes the chosen name back.
    Choose(2);
    Press("Label28");
    DriverNames[10] = "someone else";
    Press("Label18");
    EXPECT_EQ(SaveGameList->List[2], zoe);
    EXPECT_EQ(DriverNames[10], "Zo\xC3\xAB            ");
}

TEST_F(LoadGame, ShortOrMissingListGivesFreeSlotsNeverThePlaceholders) {
    const std::string free(15, ' ');
    WithList(" Ann           " + std::string(" Ben"));
    EXPECT_EQ(SaveGameList->List,
              (std::vector<std::string>{" Ann           ", " Ben           ", free, free, free, free}));
    std::filesystem::remove(Folder + "/saves/saves.lst");
    Press("Label28");
    Press("Label18");
    EXPECT_EQ(SaveGameList->List, std::vector<std::string>(6, free));
}

}  // namespace
