// Scripted sessions as a tester writes them: a script in, one JSON line per dump and an
// exit status out, with the whole game running on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>

#include "app/app.h"
#include "race/race_internal.h"
#include "test_support.h"

namespace {

struct SessionRun {
    int Status = 0;
    std::vector<std::string> Dumps;
    std::string Err;
};

SessionRun Play(const std::string& script, std::vector<std::string> extra = {}) {
    std::string folder = TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    WriteFileText(folder + "/script.txt", script);
    std::vector<std::string> args = {"gravel-ghosts", "--headless", "--session",
                                     folder + "/script.txt", "--data-dir", GameDir()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    SessionRun run;
    run.Status = RunSession(static_cast<int>(argv.size()), argv.data());
    std::string out = ::testing::internal::GetCapturedStdout();
    run.Err = ::testing::internal::GetCapturedStderr();
    for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
        run.Dumps.push_back(out.substr(at, end - at));
    return run;
}

// The JSON value that follows "key": in a dump, as written (strings keep their quotes).
std::string Value(const std::string& json, const std::string& key) {
    std::size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return "(absent)";
    at += key.size() + 3;
    int depth = 0;
    bool inString = false;
    for (std::size_t i = at; i < json.size(); ++i) {
        char c = json[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']' || c == ',') {
            if (depth == 0) return json.substr(at, i - at);
            if (c != ',') --depth;
        }
    }
    return json.substr(at);
}

// A control's entry in a dump's controls, e.g. Shown(dump, "RaceWindow.Label16").
std::string Shown(const std::string& dump, const std::string& key) {
    return Value(Value(dump, "controls"), key);
}

// From start-up to the pre-race panel of a new career.
const std::string ToThePanel = "click Label1\nclick Label21\ntype Ann\nkey Enter\n";

// A game folder with the built pictures and sounds and a career list of its own.
std::string FolderWithCareerList(const std::string& slots) {
    std::string folder = TempFolder("career-list");
    for (const char* sub : {"graphics", "resources", "soundfx"})
        std::filesystem::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    MakeFolder(folder + "/saves");
    WriteFileText(folder + "/saves/saves.lst", slots + "\r\n");
    return folder;
}

std::string Sound(const char* file, bool loop = false) {
    return std::string("{\"file\":\"") + file + "\",\"volume\":0,\"loop\":" +
           (loop ? "true" : "false") + "}";
}

}  // namespace

// The roll sound plays once per entry into a button, and a dump reports only the sounds
// started since the one before.
TEST(Session, HoverLightsAButtonWithOneRollPerEntry) {
    SessionRun run = Play(ToThePanel +
        "dump\n"
        "hover Label17\n"
        "hover RaceWindow.Label17\n"
        "dump\n"
        "# the second dump's sounds are gone from the third\n"
        "dump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 3u);
    EXPECT_EQ(Value(run.Dumps[0], "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(run.Dumps[0], "enabled"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(Shown(run.Dumps[0], "RaceWindow.Label17"), "fore"), "\"#008000\"");
    EXPECT_EQ(Value(run.Dumps[1], "sounds"), "[" + Sound("click02.wav") + "]");
    EXPECT_EQ(Value(Shown(run.Dumps[1], "RaceWindow.Label17"), "fore"), "\"#00C000\"");
    EXPECT_EQ(Value(Shown(run.Dumps[1], "RaceWindow.Label17"), "caption"), "\"Shop\"");
    EXPECT_EQ(Value(run.Dumps[2], "sounds"), "[]");
    // The panel is 641 x 465, centred across and a little above the middle.
    std::string panel = Shown(run.Dumps[0], "RaceWindow.FlashBox");
    EXPECT_EQ(Value(panel, "left") + "," + Value(panel, "top") + "," + Value(panel, "width") +
                  "," + Value(panel, "height"),
              "192,126,641,465");
    EXPECT_EQ(Value(panel, "back"), "\"#404040\"");
    EXPECT_EQ(Value(run.Dumps[0], "difficulty"), "1.2");
    EXPECT_EQ(Value(run.Dumps[0], "message"), "(absent)");
    EXPECT_EQ(Value(Value(run.Dumps[0], "cars"), "Cash"), "100");
}

// Start hides the pointer and runs the race inside the click; the script's wait lets it
// run, and "race autopilot" drives it home to the results board. A key there at once is
// taken for one held from the race; a key half a second later brings the panel of what
// follows.
TEST(Session, WaitsRunTheRaceAndRaceEndsItOnTheResultsBoardThenThePanel) {
    const std::string script = ToThePanel +
        "click Label16\n"
        "wait 1500\n"
        "dump\n"
        "race autopilot\n"
        "dump\n"
        "key Enter\n"
        "dump\n"
        "wait 500\n"
        "key Enter\n"
        "dump\n";
    SessionRun run = Play(script, {"--seed", "5"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 4u);
    const std::string& racing = run.Dumps[0];
    EXPECT_EQ(Value(racing, "pointer"), "\"none\"");
    EXPECT_EQ(Shown(racing, "RaceWindow.FlashBox"), "(absent)");
    // The lights take a second each and the first turn of the race comes after them.
    EXPECT_EQ(Value(Shown(racing, "RaceWindow.Light(2)"), "back"), "\"#00FF00\"");
    // Every car's engine starts looping on the grid.
    std::string sounds = Value(racing, "sounds");
    std::size_t engines = 0;
    for (std::size_t at = 0; (at = sounds.find("revup2.wav\",", at)) != std::string::npos; ++at)
        ++engines;
    EXPECT_EQ(engines, 9u) << sounds;

    // Nine rows in place order, each car once, as the board on screen shows them (the
    // order itself is the report's, tested with the simulation).
    const std::string& board = run.Dumps[1];
    EXPECT_EQ(Value(board, "forms"), "[\"ResultsBoard\",\"RaceWindow\"]");
    EXPECT_EQ(Value(board, "results"), Value(run.Dumps[2], "results"));
    std::string rows = Value(Value(board, "results"), "rows");
    std::regex row(R"re(\{"place":(\d),"car":(\d),"driver":"([^"]*)","time":"([^"]*)"\})re");
    std::vector<int> cars;
    for (std::sregex_iterator it(rows.begin(), rows.end(), row), end; it != end; ++it) {
        std::string index = std::to_string(cars.size());
        EXPECT_EQ((*it)[1], std::to_string(cars.size() + 1));
        cars.push_back(std::stoi((*it)[2]));
        if (cars.back() == 0) {
            EXPECT_EQ((*it)[3], "Ann");
        }
        EXPECT_EQ(Value(Shown(board, "ResultsBoard.Driver(" + index + ")"), "caption"),
                  "\"" + (*it)[3].str() + "\"");
        EXPECT_EQ(Value(Shown(board, "ResultsBoard.Time(" + index + ")"), "caption"),
                  "\"" + (*it)[4].str() + "\"");
    }
    std::sort(cars.begin(), cars.end());
    EXPECT_EQ(cars, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8})) << rows;

    const std::string& after = run.Dumps[3];
    EXPECT_EQ(Value(after, "results"), "(absent)");
    EXPECT_EQ(Value(after, "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(after, "pointer"), "\"\"");
    EXPECT_EQ(Value(after, "outcome"), "0");  // the next set-up has cleared it
    EXPECT_EQ(Value(Shown(after, "RaceWindow.Label16"), "caption"), "\"Start\"");
    // A placed finish moves the career on and pays at least 300; otherwise the course is
    // raced again.
    std::string course = Value(after, "course");
    int cash = std::stoi(Value(Value(after, "cars"), "Cash"));
    EXPECT_TRUE(course == "1" || (course == "2" && cash >= 400)) << course << " " << cash;
    std::string prize = Value(Value(board, "results"), "prize");
    EXPECT_TRUE(course == "2" ? prize == "1200" || prize == "750" || prize == "300" : prize == "0")
        << prize;
    EXPECT_EQ(Play(script, {"--seed", "5"}).Dumps, run.Dumps) << "same seed, same session";
}

// The heads-up panel shows this race's figures only and names its bar for what it shows; T writes one picture a press, named by the time, with a note
// beside the view for a few seconds; the board after a course skip names the course raced.
TEST(Session, TheHudShowsThisRaceOnlyAndTShootsOncePerPress) {
    const std::string folder = FolderWithCareerList(std::string(90, ' '));
    SessionRun run = Play(ToThePanel +
        "click Label16\nwait 300\n"
        "keydown T\nkeydown T\nkeydown T\nkeyup T\n"  // held: the repeats take no picture
        "key L\ndump\n"
        "wait 4100\ndump\n"
        "key T\nkey T\n"
        "race autopilot\ndump\nwait 500\nkey Enter\n"
        "click Label16\nwait 300\ndump\n",
        {"--seed", "5", "--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 4u);
    const std::string &shot = run.Dumps[0], &later = run.Dumps[1], &board = run.Dumps[2],
                      &next = run.Dumps[3];
    EXPECT_EQ(Value(Shown(shot, "RaceWindow.Label3"), "caption"), "\"Body:\"");
    EXPECT_EQ(Value(Shown(shot, "RaceWindow.LastLapField"), "caption"), "\"--.--\"");
    const std::string note = Value(Shown(shot, "RaceWindow.ShotNote"), "caption");
    const std::regex stamp(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(-\d+)?\.bmp)");
    std::smatch named;
    ASSERT_TRUE(std::regex_search(note, named, stamp)) << note;
    EXPECT_TRUE(FileExists(folder + "/screenshots/" + named.str()));
    // Left of the course view, and gone four seconds on.
    EXPECT_LT(std::stoi(Value(Shown(shot, "RaceWindow.ShotNote"), "left")) + 216,
              std::stoi(Value(Shown(shot, "RaceWindow.PlayArea(0)"), "left")));
    EXPECT_EQ(Shown(later, "RaceWindow.ShotNote"), "(absent)");
    std::vector<std::string> shots;
    for (const auto& file : std::filesystem::directory_iterator(folder + "/screenshots"))
        shots.push_back(file.path().filename().string());
    EXPECT_EQ(shots.size(), 3u);
    for (const std::string& name : shots) EXPECT_TRUE(std::regex_match(name, stamp)) << name;

    EXPECT_EQ(Value(Shown(board, "ResultsBoard.ResultsCourse"), "caption").rfind("\"Course 1 ", 0), 0u)
        << Value(Shown(board, "ResultsBoard.ResultsCourse"), "caption");
    // The next race's lights are out: the last race's lap is not shown as this one's.
    EXPECT_NE(Value(Shown(board, "RaceWindow.LastLapField"), "caption"), "\"--.--\"");
    EXPECT_EQ(Value(Shown(next, "RaceWindow.LastLapField"), "caption"), "\"--.--\"");
}

// The end of the script ends the program wherever it is, in the middle of a race too.
TEST(Session, EndOfScriptInsideARaceLeavesItCleanly) {
    SessionRun run = Play(ToThePanel + "click Label16\nwait 4000\nkeydown Up\nwait 300\n");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_FALSE(RaceInProgress);
    EXPECT_FALSE(AutopilotEnabled);
}

// A message box stays on screen, shutting out the window beneath, until Enter closes it.
TEST(Session, AMessageBoxWaitsForEnter) {
    std::string used = " Driver        ", fiveUsed;
    for (int slot = 0; slot < 5; ++slot) fiveUsed += used;
    std::string folder = FolderWithCareerList(fiveUsed + std::string(15, ' '));
    SessionRun run = Play(ToThePanel + "click RaceWindow.Label19\ndump\nkey Enter\ndump\n",
                          {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 2u);
    EXPECT_EQ(Value(run.Dumps[0], "message"), "\"No slots available\"");
    EXPECT_EQ(Value(run.Dumps[0], "enabled"), "[\"MsgBox\"]");
    EXPECT_EQ(Value(run.Dumps[1], "message"), "(absent)");
    EXPECT_EQ(Value(run.Dumps[1], "forms"), "[\"RaceWindow\"]");
}

struct BadScript {
    const char* Script;
    const char* Says;  // the line and the reason the message must give
    std::size_t DumpsBefore;
};

// A line that cannot be carried out stops the run with status 2, naming the line; lines
// before it have been acted out, unless the script could not even be read.
TEST(Session, ALineThatCannotBeCarriedOutStopsTheRunNamingIt) {
    const BadScript cases[] = {
        {"dump\ndance\n", "line 2: unknown command 'dance'", 0},
        {"\n# the F keys are no game's\nkey F13\n", "line 3: unknown key 'F13'", 0},
        {"wait soon\n", "line 1: 'soon' is not a number of milliseconds", 0},
        {"click Label16(\n", "line 1: 'Label16(' is not a control name", 0},
        {"select Label16\n", "line 1: expected 'select NAME N'", 0},
        {"race fast\n", "line 1: expected 'race', 'race autopilot' or 'race keys FILE'", 0},
        {"dump\nclick Nothing\n", "line 2: no window on screen has a control Nothing", 1},
        {"dump\nhover Label27\n", "line 2: Label27 is hidden", 1},
        {"click StoreForm.Item(3)\n", "line 1: the window StoreForm is not on screen", 0},
        {"dump\nrace\n", "line 2: no race is in progress", 1},
        {"dump\nrace keys nowhere.keys\n", "line 2: ", 0},  // read before anything is acted
        {"select Label16 0\n", "line 1: FrontEnd.Label16 is not a list box", 0},
        {"snapshot /nonexistent/folder/shot.bmp\n", "line 1: ", 0},
    };
    for (const BadScript& bad : cases) {
        SessionRun run = Play(bad.Script);
        EXPECT_EQ(run.Status, 2) << bad.Script;
        EXPECT_NE(run.Err.find(bad.Says), std::string::npos) << bad.Script << run.Err;
        EXPECT_EQ(run.Dumps.size(), bad.DumpsBefore) << bad.Script;
    }
}

TEST(Session, OptionsOfTheOneRaceSimulationAreRefused) {
    SessionRun run = Play("dump\n", {"--course", "3"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--course"), std::string::npos) << run.Err;
    // Without its data the session stops at start-up, before any line is acted out.
    run = Play("dump\n", {"--data-dir", TempFolder("empty-data")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("has no graphics/ folder"), std::string::npos) << run.Err;
    EXPECT_TRUE(run.Dumps.empty());
    // A 900 KB key name comes back as 80 characters, its escape sequence made harmless.
    run = Play("key \x1b[2J" + std::string(900000, 'K') + "\n");
    EXPECT_EQ(run.Status, 2);
    EXPECT_LT(run.Err.size(), 1000u);
    EXPECT_NE(run.Err.find("line 1: unknown key '\\x1b[2JKKK"), std::string::npos)
        << run.Err.substr(0, 1000);
    EXPECT_EQ(run.Err.find('\x1b'), std::string::npos);
}

TEST(Session, ControlNamesTakeAWindowAndAnArrayIndex) {
    struct Case {
        const char* Text;
        bool Valid;
        const char* Window;
        const char* Name;
        int Index;
    };
    const Case cases[] = {
        {"Label21", true, "", "Label21", -1},
        {"Item(3)", true, "", "Item", 3},
        {"StoreForm.Item(10)", true, "StoreForm", "Item", 10},
        {"PopBox.Label4", true, "PopBox", "Label4", -1},
        {"msg_FlashScreen", true, "", "msg_FlashScreen", -1},
        {"Item()", false, "", "", -1},
        {"Item(x)", false, "", "", -1},
        {"Item(3", false, "", "", -1},
        {".Label4", false, "", "", -1},
        {"A.B.C", false, "", "", -1},
        {"FrontEnd.", false, "", "", -1},
    };
    for (const Case& c : cases) {
        ControlName name;
        ASSERT_EQ(ParseControlName(c.Text, name), c.Valid) << c.Text;
        if (!c.Valid) continue;
        EXPECT_EQ(name.Window, c.Window) << c.Text;
        EXPECT_EQ(name.Name, c.Name) << c.Text;
        EXPECT_EQ(name.Index, c.Index) << c.Text;
    }
}

// The log counts what a listener hears start: a loop played again goes on, a one-shot
// wound back and played again is heard again, a stopped loop starts afresh.
TEST(SoundLog, CountsStartsNotRepeatedPlays) {
    FreshHeadless();
    KeepSoundLog(true);
    auto engine = CreateSoundBufferFromFile(GameDir() + "/soundfx/revup2.wav");
    auto click = CreateSoundBufferFromFile(GameDir() + "/soundfx/click1.wav");
    SetVolume(engine.get(), -300);
    Play(engine.get(), DSBPLAY_LOOPING);
    SetCurrentPosition(engine.get(), 2000);
    Play(engine.get(), DSBPLAY_LOOPING);
    Play(click.get(), 0);
    Play(click.get(), 0);
    SetCurrentPosition(click.get(), 0);
    Play(click.get(), 0);
    Stop(engine.get());
    Play(engine.get(), DSBPLAY_LOOPING);
    std::vector<SoundStart> log = TakeSoundLog();
    KeepSoundLog(false);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].File, "revup2.wav");
    EXPECT_EQ(log[0].Volume, -300);
    EXPECT_TRUE(log[0].Loop);
    EXPECT_EQ(log[1].File, "click1.wav");
    EXPECT_FALSE(log[1].Loop);
    EXPECT_EQ(log[2].File, "click1.wav");
    EXPECT_EQ(log[3].File, "revup2.wav");
    EXPECT_TRUE(TakeSoundLog().empty());
    Play(click.get(), 0);
    EXPECT_TRUE(TakeSoundLog().empty()) << "nothing is kept while the log is off";
}

// The menu rules, acted out as a player would. They wait for start-up to open on the
// front end's main menu: until then the game opens on the pre-race panel.

// A highlight sounds once per entry; Exit's skid loops until a roll stops it, and then
// starts afresh on the next entry.
TEST(MenuSession, HighlightsSoundOncePerEntryAndTheExitSkidLoops) {
    SessionRun run = Play(
        "hover Label1\nhover Label1\ndump\n"
        "hover Label3\nhover Label3\ndump\n"
        "hover Label1\nhover Label3\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 3u);
    EXPECT_EQ(Value(run.Dumps[0], "forms"), "[\"FrontEnd\"]");
    EXPECT_EQ(Value(run.Dumps[0], "sounds"), "[" + Sound("click02.wav") + "]");
    EXPECT_EQ(Value(run.Dumps[0], "pointer"), "\"Trffc10a.ico\"");
    const std::string skid = "{\"file\":\"bigskid.wav\",\"volume\":-500,\"loop\":true}";
    EXPECT_EQ(Value(run.Dumps[1], "sounds"), "[" + skid + "]");
    EXPECT_EQ(Value(run.Dumps[1], "pointer"), "\"Trffc10c.ico\"");
    EXPECT_EQ(Value(run.Dumps[2], "sounds"), "[" + Sound("click02.wav") + "," + skid + "]");
}

TEST(MenuSession, DifficultyToggledTwiceIsNormalAgain) {
    SessionRun run = Play("click Label2\nclick Label4\ndump\nclick Label4\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 2u);
    EXPECT_EQ(Value(run.Dumps[0], "difficulty"), "0.2");
    EXPECT_EQ(Value(Shown(run.Dumps[0], "FrontEnd.DifLabel"), "caption"), "\"Easy\"");
    EXPECT_EQ(Value(run.Dumps[1], "difficulty"), "1.2");
    EXPECT_EQ(Value(Shown(run.Dumps[1], "FrontEnd.DifLabel"), "caption"), "\"Normal\"");
}

// The list shows the six slots as written, blanks kept; choosing one takes the name
// without its leading blank, plus one blank.
TEST(MenuSession, LoadGameListsTheSlotsAndChoosingOneNamesTheDriver) {
    std::string blank(15, ' ');
    std::string folder = FolderWithCareerList(" Ann           " + blank + " Bo            " +
                                              blank + blank + blank);
    SessionRun run =
        Play("click Label1\nclick Label18\ndump\nselect SaveGameList 2\ndump\n",
             {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 2u);
    EXPECT_EQ(Value(Shown(run.Dumps[0], "FrontEnd.SaveGameList"), "caption"),
              "[\" Ann           \",\"" + blank + "\",\" Bo            \",\"" + blank + "\",\"" +
                  blank + "\",\"" + blank + "\"]");
    EXPECT_EQ(Value(run.Dumps[1], "driver"), "\"Bo             \"");
}

// New Driver: the box has the focus; Enter starts the career under the name as typed,
// Quit comes back to a fresh front end on its main menu.
TEST(MenuSession, TypedNameAndEnterStartACareerThatQuitLeaves) {
    SessionRun run = Play(
        "click Label1\nclick Label21\ndump\n"
        "type Ann-Marie O'Neil!\nkey Enter\ndump\n"
        "click Label18\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 3u);
    EXPECT_EQ(Value(run.Dumps[0], "focus"), "\"FrontEnd.Text1\"");
    EXPECT_EQ(Value(run.Dumps[1], "forms"), "[\"RaceWindow\"]");
    // Fourteen letters at most, and no "!".
    EXPECT_EQ(Value(run.Dumps[1], "driver"), "\"Ann-Marie O'Ne\"");
    EXPECT_NE(Shown(run.Dumps[1], "RaceWindow.FlashBox"), "(absent)");
    EXPECT_EQ(Value(run.Dumps[2], "forms"), "[\"FrontEnd\"]");
    EXPECT_EQ(Shown(run.Dumps[2], "FrontEnd.OptionBox"), "(absent)");
    EXPECT_NE(Shown(run.Dumps[2], "FrontEnd.Label1"), "(absent)");
}

// A new player's Load Game says there is nobody to load; Enter on an empty name box draws
// a name as Start Career does, since a career under no name could never be saved.
TEST(MenuSession, NoCareersSavedYetAndEnterWithAnEmptyNameDrawsOne) {
    SessionRun run = Play("click Label1\nclick Label18\ndump\nclick Label28\n"
                          "click Label21\nkey Delete\nkey Enter\ndump\n",
                          {"--data-dir", FolderWithCareerList(std::string(90, ' '))});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 2u);
    EXPECT_EQ(Value(Shown(run.Dumps[0], "FrontEnd.NoCareersLabel"), "caption"),
              "\"No careers saved yet\"");
    EXPECT_EQ(Shown(run.Dumps[0], "FrontEnd.SaveGameList"), "(absent)");
    EXPECT_EQ(Value(run.Dumps[1], "forms"), "[\"RaceWindow\"]");
    std::string driver = Value(run.Dumps[1], "driver");
    EXPECT_TRUE(driver == "\"Gustav\"" || driver == "\"Nadine\"") << driver;
}

// A new driver under a saved driver's name is asked first. Enter takes the lit answer,
// going back to the name box with nothing replaced; only "Replace it" starts the career.
TEST(MenuSession, ASavedNameAsksBeforeItsCareerCanBeReplaced) {
    std::string folder = FolderWithCareerList(" Ria" + std::string(86, ' '));
    SessionRun run = Play("click Label1\nclick Label21\ntype Ria\nkey Enter\ndump\n"
                          "key Enter\ndump\nclick Label27\nclick Yes\ndump\n",
                          {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 3u);
    const std::string& asked = run.Dumps[0];
    EXPECT_EQ(Value(asked, "message"),
              "\"Ria already has a saved career. A new one under that name replaces it when "
              "it is saved.\"");
    EXPECT_EQ(Value(asked, "enabled"), "[\"MsgBox\"]");
    EXPECT_EQ(Value(Shown(asked, "MsgBox.Yes"), "caption"), "\"Replace it\"");
    EXPECT_EQ(Value(Shown(asked, "MsgBox.No"), "caption"), "\"Choose another name\"");
    const std::string& back = run.Dumps[1];
    EXPECT_EQ(Value(back, "forms"), "[\"FrontEnd\"]");
    EXPECT_NE(Shown(back, "FrontEnd.NewDriverBox"), "(absent)");
    EXPECT_EQ(Value(back, "focus"), "\"FrontEnd.Text1\"");
    EXPECT_NE(Value(back, "driver"), "\"Ria\"");
    EXPECT_EQ(Value(run.Dumps[2], "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(run.Dumps[2], "driver"), "\"Ria\"");
}

// Escape on the pre-race panel leaves the next race alone. In the race it asks first:
// the pause box says how to go on; P races on; two Escapes leave, and a message box
// says what becomes of the career before the title menu comes back.
TEST(Session, EscapeLeavesTheNextRaceAloneAndInARaceAsksBeforeLeaving) {
    SessionRun run = Play(ToThePanel +
        "key Escape\nclick Label16\nwait 3500\nkey Escape\nwait 300\ndump\n"
        "key P\nwait 300\ndump\n"
        "key Escape\nkey Escape\nwait 100\ndump\nkey Enter\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 4u);
    const std::string& asked = run.Dumps[0];
    EXPECT_EQ(Value(asked, "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(asked, "outcome"), "0");
    EXPECT_NE(Shown(asked, "RaceWindow.PauseBox"), "(absent)");
    EXPECT_EQ(Value(Shown(asked, "RaceWindow.PauseHint"), "caption"),
              "\"Esc again to leave \u00B7 P to race on\"");
    EXPECT_EQ(Shown(run.Dumps[1], "RaceWindow.PauseBox"), "(absent)");
    EXPECT_EQ(Value(run.Dumps[1], "outcome"), "0");
    EXPECT_EQ(Value(run.Dumps[2], "message"),
              "\"You left the race. Ann's career was never saved, so it ends here.\"");
    EXPECT_EQ(Value(run.Dumps[3], "forms"), "[\"FrontEnd\"]");
}

// A career saved after a race comes back after a restart: Load Game lists the driver,
// choosing him and Load Career put him on the panel of the same course with the same cash.
TEST(CareerSession, SavedAfterARaceAndLoadedAfterARestart) {
    std::string folder = FolderWithCareerList(std::string(90, ' '));
    SessionRun first = Play(ToThePanel +
                                "click Label16\nrace autopilot\nwait 500\nkey Enter\n"
                                "click RaceWindow.Label19\ndump\n"
                                "click RaceWindow.Label18\nclick Label3\n",
                            {"--data-dir", folder, "--seed", "3"});
    ASSERT_EQ(first.Status, 0) << first.Err;
    ASSERT_EQ(first.Dumps.size(), 1u);
    EXPECT_EQ(Value(Shown(first.Dumps[0], "RaceWindow.msg_FlashScreen"), "caption"),
              "\"Saved...\"");
    EXPECT_EQ(ReadFileText(folder + "/saves/saves.lst").substr(0, 15), " Ann           ");

    SessionRun second = Play("click Label1\nclick Label18\nselect SaveGameList 0\n"
                             "click Label29\ndump\n",
                             {"--data-dir", folder, "--seed", "4"});
    ASSERT_EQ(second.Status, 0) << second.Err;
    ASSERT_EQ(second.Dumps.size(), 1u);
    const std::string &saved = first.Dumps[0], &loaded = second.Dumps[0];
    EXPECT_EQ(Value(loaded, "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(loaded, "driver"), "\"Ann            \"");
    EXPECT_EQ(Value(loaded, "course"), Value(saved, "course"));
    // Every field comes back, the floats as the whole numbers the file holds (Tyres 61.5
    // becomes 62, halves to even).
    std::regex number(R"(-?\d+\.\d+)");
    std::string savedCars = Value(saved, "cars"), whole;
    auto last = savedCars.cbegin();
    for (std::sregex_iterator it(savedCars.begin(), savedCars.end(), number), end; it != end;
         ++it) {
        whole.append(last, (*it)[0].first);
        whole += std::to_string(static_cast<long>(std::nearbyint(std::stod(it->str()))));
        last = (*it)[0].second;
    }
    whole.append(last, savedCars.cend());
    EXPECT_EQ(Value(loaded, "cars"), whole);
}

// Ann's saved career, listed in the first slot: $5000 in the bank and a body at 40 to mend;
// the rivals at full health with $100 each.
std::string FolderWithAnnsShoppingCareer(int playerTyres = 70) {
    std::string folder = FolderWithCareerList(" Ann" + std::string(86, ' '));
    auto record = [](int topSpeed, int body, int cash, int tyres = 70) {
        const int fields[17] = {1,    100, topSpeed, 3,   tyres, 70, 100, 100, 100,
                                100, body, 0,        0,   0,  200, 0,  cash};
        std::string text;
        for (int f : fields) {
            std::string digits = std::to_string(f);
            text += std::string(5 - digits.size(), '0') + digits;
        }
        return text;
    };
    std::string career = record(250, 40, 5000, playerTyres);
    for (int car = 1; car <= 8; ++car) career += record(250, 100, 100);
    WriteFileText(folder + "/saves/Ann            .sav", career);
    return folder;
}

// A career with prize money in the bank goes shopping: the MoJet engine ($1750), the body
// mended from 40 to 90 ($260 = 60 x 1 + 200), the titanium body ($4850) refused with the
// pop-up, OK, Leave Shop; what was bought stands in the player's car.
TEST(ShopSession, BuysAnEngineMendsTheBodyIsRefusedAndLeaves) {
    std::string folder = FolderWithAnnsShoppingCareer();

    SessionRun run = Play("click Label1\nclick Label18\nselect SaveGameList 0\nclick Label29\n"
                          "click RaceWindow.Label17\n"
                          "click StoreForm.Item(2)\nclick StoreForm.CarItem(0)\n"
                          "click StoreForm.Item(5)\ndump\n"
                          "click PopBox.Label4\nclick StoreForm.LeaveLabel\ndump\n",
                          {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 2u);
    const std::string &refused = run.Dumps[0], &left = run.Dumps[1];
    EXPECT_EQ(Value(refused, "enabled"), "[\"PopBox\",\"RaceWindow\"]");
    EXPECT_EQ(Value(Shown(refused, "PopBox.Label3"), "caption"),
              "\"You don't have enough cash for that.\"");
    EXPECT_EQ(Value(Shown(refused, "StoreForm.CashField"), "caption"), "\"$2990\"");
    EXPECT_EQ(Value(left, "forms"), "[\"RaceWindow\"]");
    const std::string player = Value(left, "cars");
    EXPECT_EQ(Value(player, "TopSpeed"), "270");
    EXPECT_EQ(Value(player, "EngineMax"), "150");
    EXPECT_EQ(Value(player, "EngineLevel"), "1");
    EXPECT_EQ(Value(player, "Body"), "90");
    EXPECT_EQ(Value(player, "Cash"), "2990");
    // The panel beneath shows what the shop changed.
    EXPECT_EQ(Value(Shown(left, "RaceWindow.PanelCashField"), "caption"), "\"$2990\"");
    EXPECT_EQ(Value(Shown(left, "RaceWindow.PanelBodyField"), "caption"), "\"Body 90%\"");
}

// A loaded career's panel names the driver, his cash and his car's condition. Its tyres
// nearly bald, the car burns out in the race, and the message box sends the career back
// to where it was saved.
TEST(CareerSession, ABurntOutCarSendsTheCareerBackToItsLastSave) {
    SessionRun run = Play("click Label1\nclick Label18\nselect SaveGameList 0\nclick Label29\n"
                          "dump\nclick Label16\nrace autopilot\ndump\nkey Enter\ndump\n",
                          {"--data-dir", FolderWithAnnsShoppingCareer(26)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 3u);
    const std::string& panel = run.Dumps[0];
    const auto caption = [&](const char* field) {
        return Value(Shown(panel, std::string("RaceWindow.") + field), "caption");
    };
    EXPECT_EQ(caption("PanelDriverField"), "\"Ann\"");
    EXPECT_EQ(caption("PanelCashField"), "\"$5000\"");
    EXPECT_EQ(caption("PanelBodyField"), "\"Body 40%\"");
    EXPECT_EQ(caption("PanelEngineField"), "\"Engine 100%\"");
    EXPECT_EQ(caption("PanelTyresField"), "\"Tyres 37%\"");  // 26 of 70
    std::string course = caption("CourseNameField");
    EXPECT_EQ(Value(run.Dumps[1], "message"),
              "\"Your car burnt out. Ann's career goes back to its last save, on Course 1, " +
                  course.substr(1, course.size() - 2) + ": Load Game takes it up from there.\"");
    EXPECT_EQ(Value(run.Dumps[2], "forms"), "[\"FrontEnd\"]");
}

// Without a mouse: the keys light an item as the pointer would (colour, pointer, sound),
// Enter chooses it, and a panel opened by a key shows where the keys are.
TEST(KeysSession, FromTheTitleToTheStartLightsByKeysAlone) {
    SessionRun run = Play(
        "key Down\ndump\n"                   // nothing lit yet: the first item lights
        "key Enter\ndump\n"                  // Career Mode, its first item lit
        "key Enter\ntype Ann\nkey Enter\n"   // New Driver: the name, Enter
        "dump\nkey Tab\nkey Enter\nwait 1500\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 4u);
    EXPECT_EQ(Value(Shown(run.Dumps[0], "FrontEnd.Label1"), "fore"), "\"#00C000\"");
    EXPECT_EQ(Value(run.Dumps[0], "sounds"), "[" + Sound("click02.wav") + "]");
    EXPECT_NE(Shown(run.Dumps[1], "FrontEnd.CareerModeBox"), "(absent)");
    EXPECT_EQ(Value(Shown(run.Dumps[1], "FrontEnd.Label21"), "fore"), "\"#00C000\"");
    EXPECT_EQ(Value(run.Dumps[2], "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(run.Dumps[2], "driver"), "\"Ann\"");
    EXPECT_EQ(Value(Shown(run.Dumps[2], "RaceWindow.Label16"), "fore"), "\"#008000\"");
    EXPECT_EQ(Shown(run.Dumps[3], "RaceWindow.FlashBox"), "(absent)");
    EXPECT_EQ(Value(Shown(run.Dumps[3], "RaceWindow.Light(2)"), "back"), "\"#00FF00\"");
}

// The same way with a pad: the d-pad moves, the south button chooses. A pad cannot type,
// so on the name box it starts the career as Start Career does, under a drawn name.
TEST(KeysSession, FromTheTitleToTheStartLightsByPad) {
    SessionRun run = Play(
        "key PadDpadDown\nkey PadA\nkey PadA\nkey PadA\ndump\n"
        "key PadA\nkey PadA\nwait 1500\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 2u);
    EXPECT_EQ(Value(run.Dumps[0], "forms"), "[\"RaceWindow\"]");
    std::string driver = Value(run.Dumps[0], "driver");
    EXPECT_TRUE(driver == "\"Gustav\"" || driver == "\"Nadine\"") << driver;
    EXPECT_EQ(Shown(run.Dumps[1], "RaceWindow.FlashBox"), "(absent)");
    EXPECT_EQ(Value(Shown(run.Dumps[1], "RaceWindow.Light(2)"), "back"), "\"#00FF00\"");
}

// Escape (or the pad's east button) is a panel's own way out; on the main menu it does
// nothing. Tab and Shift+Tab go round the items; the pointer moves the focus too.
TEST(KeysSession, EscapeClosesPanelsTabGoesRoundAndThePointerMovesTheFocus) {
    SessionRun run = Play(
        "key Tab\nkey Tab\nkey Tab\nkey Tab\nkey Enter\ndump\n"  // Options, "Controls" lit
        "key Down\nkey Enter\nkey PadB\ndump\n"                // Difficulty toggled; closed
        "key Escape\ndump\n"                                    // the main menu stays
        "keydown Shift\nkey Tab\nkeyup Shift\ndump\n"          // back from Options to Time Trial
        "hover Label3\nkey Up\ndump\n");                        // from Exit, where the pointer is
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 5u);
    const auto lit = [&](int dump, const char* item) {
        return Value(Shown(run.Dumps[dump], std::string("FrontEnd.") + item), "fore") == "\"#00C000\"";
    };
    EXPECT_NE(Shown(run.Dumps[0], "FrontEnd.OptionBox"), "(absent)");
    EXPECT_TRUE(lit(0, "Label7"));
    EXPECT_EQ(Value(run.Dumps[1], "difficulty"), "0.2");
    EXPECT_EQ(Shown(run.Dumps[1], "FrontEnd.OptionBox"), "(absent)");
    EXPECT_EQ(Value(run.Dumps[2], "forms"), "[\"FrontEnd\"]");
    EXPECT_TRUE(lit(2, "Label2"));
    EXPECT_TRUE(lit(3, "TimeTrialItem"));
    EXPECT_FALSE(lit(3, "Label2"));
    EXPECT_TRUE(lit(4, "Label2"));
    EXPECT_FALSE(lit(4, "Label3"));
    // Leaving Exit ends its skid, as the pointer crossing the panel does.
    EXPECT_NE(Value(run.Dumps[4], "sounds").find("click02.wav"), std::string::npos);
}

// Time Trial by keys: the picker shows course 1 with no record, the run sets both records
// (the board says so, the panel shows them), and Quick Race keeps records of its own. The
// player's course files follow the fourteen: one that cannot be raced says why and stays,
// one that can keeps its records and ghost under its file name, and is raced only then.
TEST(CourseRaceSession, TimeTrialSetsTheRecordsThePickerAndThePanelShow) {
    std::string folder = TempFolder("player-records");
    for (const char* sub : {"graphics", "resources", "soundfx", "runs"})
        std::filesystem::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    std::filesystem::create_directory(folder + "/courses");
    SetAppPath(GameDir());
    CourseFile.clear();
    CurrentCourse = 1;
    LoadCourse();
    const std::string course1 = Course.CourseName;
    Course.CourseName = "Ghost Loop";
    WriteFileText(folder + "/courses/my loop.tmx", TiledCourseText(MapFormat::Tmx, "x.bmp", 4400, 210));
    WriteFileText(folder + "/courses/bad.tmj", "[]");
    SessionRun run = Play(
        "key Down\nkey Down\nkey Down\nkey Enter\ndump\n"     // Time Trial's picker, "< Course" lit
        "key Right\nkey Right\nkey Enter\n"                     // Race
        "click Label16\nrace keys " + std::string(GG_SOURCE_DIR) + "/data/runs/normal01.keys\n"
        "dump\nwait 600\nkey Enter\ndump\n"                     // the board, then the panel
        "click Label18\nclick QuickRaceItem\ndump\n"
        "click PickerExit\nclick TimeTrialItem\nclick NextCourse\nclick PreviousCourse\ndump\n"
        "click PreviousCourse\nclick PreviousCourse\nclick RaceCourse\ndump\n"  // bad.tmj
        "click NextCourse\nclick RaceCourse\nclick Label16\n"
        "race keys " + std::string(GG_SOURCE_DIR) + "/data/runs/normal01.keys\n"
        "dump\nwait 600\nkey Enter\nclick Label18\nclick QuickRaceItem\ndump\n"
        "click NextCourse\ndump\n",
        {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 9u);
    const auto caption = [&](int dump, const std::string& control) {
        return Value(Shown(run.Dumps[dump], control), "caption");
    };
    EXPECT_EQ(caption(0, "FrontEnd.PickerHeading"), "\"Time Trial\"");
    EXPECT_EQ(caption(0, "FrontEnd.PickerLaps"), "\"2 Laps\"");
    EXPECT_EQ(caption(0, "FrontEnd.PickerRaceRecord"), "\"none yet\"");
    EXPECT_EQ(Value(Shown(run.Dumps[0], "FrontEnd.PreviousCourse"), "fore"), "\"#00C000\"");
    EXPECT_EQ(Value(Value(run.Dumps[1], "results"), "note"),
              "\"New course record \u00B7 New lap record\"");
    EXPECT_EQ(Value(Value(Value(Value(run.Dumps[1], "records"), "trial"), "race"), "time"),
              "\"27.27\"");
    EXPECT_EQ(caption(2, "RaceWindow.msg_FlashScreen"),
              "\"Lap record 12.60 You \u00B7 Race record 27.27 You\"");
    // Nothing to buy or save outside a career.
    EXPECT_EQ(Shown(run.Dumps[2], "RaceWindow.Label17"), "(absent)");
    EXPECT_EQ(caption(3, "FrontEnd.PickerHeading"), "\"Quick Race\"");
    EXPECT_EQ(caption(3, "FrontEnd.PickerRaceRecord"), "\"none yet\"");
    EXPECT_EQ(caption(4, "FrontEnd.PickerCourse").substr(0, 12), "\"Course 1  -");
    EXPECT_EQ(caption(4, "FrontEnd.PickerRaceRecord"), "\"27.27  You\"");

    EXPECT_EQ(caption(5, "FrontEnd.PickerCourse"), "\"bad.tmj  -  cannot be raced\"");
    EXPECT_NE(caption(5, "FrontEnd.PickerProblem").find("bad.tmj"), std::string::npos);
    EXPECT_EQ(Value(run.Dumps[5], "forms"), "[\"FrontEnd\"]");
    EXPECT_EQ(Value(Value(Value(Value(run.Dumps[6], "records"), "trial"), "race"), "time"),
              "\"27.27\"");
    for (const char* ending : {".txt", ".ghost"})
        EXPECT_TRUE(FileExists(folder + "/records/custom-my_20loop.tmx-normal-trial" + ending)) << ending;
    EXPECT_EQ(caption(7, "FrontEnd.PickerCourse"), "\"Ghost Loop  (my loop.tmx)\"");
    EXPECT_EQ(caption(7, "FrontEnd.PickerRaceRecord"), "\"none yet\"");  // Quick Race's own
    EXPECT_EQ(caption(8, "FrontEnd.PickerCourse"), "\"Course 1  -  " + course1 + "\"");
}

// A course file's name keys its records: names that would meet once written, or be too
// long for the disk, stay apart.
TEST(CourseRaceSession, CourseFileNamesKeepTheirRecordsApart) {
    std::string folder = TempFolder("odd-course-names");
    SetAppPath(folder);
    const std::string names[] = {"my loop.tmx", "my_20loop.tmx", "a\\b.tmj", "b.tmj", ".tmx",
                                 std::string(240, 'x') + "1.tmx", std::string(240, 'x') + "2.tmx"};
    i32 time = 3000;
    for (const std::string& name : names)
        NoteRecords({0, "/courses/" + name}, false, RaceMode::Trial, {0, time++}, "Ann", "# seed 1\n");
    time = 3000;
    for (const std::string& name : names)
        EXPECT_EQ(ReadRecords({0, "/courses/" + name}, false, RaceMode::Trial).Race.Hundredths, time++) << name;
    EXPECT_EQ(FileNamesIn(folder + "/records").size(), 2 * std::size(names));
    SetAppPath(GameDir());
}

// The shop by keys: a saved career loaded from the list, the MoJet engine bought, the
// body mended, the titanium body refused; Enter dismisses the pop-up and Escape leaves.
TEST(KeysSession, LoadAndShopByKeys) {
    std::string folder = FolderWithAnnsShoppingCareer();

    SessionRun run = Play(
        "key Down\nkey Enter\nkey Down\nkey Enter\ndump\n"  // Load Game: the first slot chosen
        "key Enter\nkey Enter\n"                            // on to Load Career, and load
        "key Right\nkey Right\nkey Enter\ndump\n"           // Shop, on Leave Shop
        "key Down\nkey Down\nkey Down\nkey Enter\n"         // the third part: the MoJet
        "key Down\nkey Enter\n"                             // below it, the body's repair
        "key Up\nkey Enter\ndump\n"                         // above, the titanium body
        "key Enter\nkey Escape\ndump\n",
        {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 4u);
    EXPECT_EQ(Value(run.Dumps[0], "driver"), "\"Ann            \"");
    // Opened by a key, the shop lights its way out and no part, which another Enter would buy.
    const std::string& opened = run.Dumps[1];
    EXPECT_EQ(Value(Shown(opened, "StoreForm.LeaveLabel"), "fore"), "\"#80FFFF\"");
    EXPECT_EQ(Value(Shown(opened, "StoreForm.Item(0)"), "fore"), "\"#C0C0C0\"");
    const std::string &refused = run.Dumps[2], &left = run.Dumps[3];
    EXPECT_EQ(Value(refused, "enabled"), "[\"PopBox\",\"RaceWindow\"]");
    EXPECT_EQ(Value(Shown(refused, "StoreForm.CashField"), "caption"), "\"$2990\"");
    EXPECT_EQ(Value(left, "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(left, "outcome"), "0");  // Escape left the shop, not the next race
    const std::string player = Value(left, "cars");
    EXPECT_EQ(Value(player, "EngineLevel"), "1");
    EXPECT_EQ(Value(player, "Body"), "90");
    EXPECT_EQ(Value(player, "BodyLevel"), "0");
    EXPECT_EQ(Value(player, "Cash"), "2990");
    EXPECT_EQ(Value(Shown(left, "RaceWindow.PanelCashField"), "caption"), "\"$2990\"");
}

TEST(KeysSession, TheSouthButtonClosesAMessageBox) {
    std::string used = " Driver        ", fiveUsed;
    for (int slot = 0; slot < 5; ++slot) fiveUsed += used;
    std::string folder = FolderWithCareerList(fiveUsed + std::string(15, ' '));
    SessionRun run = Play(ToThePanel + "click RaceWindow.Label19\nkey PadA\ndump\n",
                          {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 1u);
    EXPECT_EQ(Value(run.Dumps[0], "message"), "(absent)");
}
