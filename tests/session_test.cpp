// Scripted sessions as a tester writes them: a script in, one JSON line per dump and an
// exit status out, with the whole game running on the virtual clock. Each script walks a
// player's path through several screens and checks what he would see on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>

#include <nlohmann/json.hpp>

#include "app/app.h"
#include "race/race_internal.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

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
    DriverNames[PlayerNameEntry].clear();  // a name left by an earlier session is no player's
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

// The JSON value of "key" in a dump, as written (strings keep their quotes).
std::string Value(const std::string& text, const std::string& key) {
    const auto json = nlohmann::ordered_json::parse(text, nullptr, false);
    return json.is_object() && json.contains(key) ? json[key].dump() : "(absent)";
}

// A control's entry in a dump's controls, e.g. Shown(dump, "RaceWindow.Label16"), and its
// caption and colour.
std::string Shown(const std::string& dump, const std::string& key) {
    return Value(Value(dump, "controls"), key);
}
std::string Caption(const std::string& dump, const std::string& key) {
    return Value(Shown(dump, key), "caption");
}
std::string Fore(const std::string& dump, const std::string& key) {
    return Value(Shown(dump, key), "fore");
}
// The controls drawn in the lit colour, as "Window.Name", blank between.
std::string LitControls(const std::string& dump) {
    static const std::regex lit(R"re("([^"]+)":\{[^}]*"fore":"#00C000")re");
    std::string controls = Value(dump, "controls"), names;
    for (std::sregex_iterator it(controls.begin(), controls.end(), lit), end; it != end; ++it)
        names += (names.empty() ? "" : " ") + (*it)[1].str();
    return names;
}
std::string Player(const std::string& dump, const std::string& field) {
    return nlohmann::ordered_json::parse(dump)["cars"][0][field].dump();
}
const std::string Green = "\"#00FF00\"";
const std::string Roll = "[{\"file\":\"click02.wav\",\"volume\":0,\"loop\":false}]";
const std::string Drawn = R"re("(Gustav|Nadine)")re";

// From start-up to the pre-race panel of a new career.
const std::string ToThePanel = "click Label1\nclick Label21\ntype Ann\nkey Enter\n";

// A game folder with the built pictures and sounds and a career list of its own.
std::string FolderWithCareerList(const std::string& slots = std::string(90, ' ')) {
    std::string folder = TempFolder("career-list");
    for (const char* sub : {"graphics", "resources", "soundfx"})
        fs::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    MakeFolder(folder + "/saves");
    WriteFileText(folder + "/saves/saves.lst", slots + "\r\n");
    return folder;
}

// Ann's saved career, listed in the first slot: $5000 in the bank, a body at 40 to mend
// and the tyres given; the rivals at full health with $100 each.
std::string FolderWithAnnsCareer(int playerTyres = 70) {
    std::string folder = FolderWithCareerList(" Ann" + std::string(86, ' '));
    auto record = [](int body, int cash, int tyres) {
        const int fields[17] = {1, 100, 250, 3, tyres, 70, 100, 100, 100, 100, body, 0, 0, 0, 200, 0, cash};
        std::string text;
        for (int f : fields) text += std::string(5 - std::to_string(f).size(), '0') + std::to_string(f);
        return text;
    };
    std::string career = record(40, 5000, playerTyres);
    for (int car = 1; car <= 8; ++car) career += record(100, 100, 70);
    WriteFileText(folder + "/saves/Ann            .sav", career);
    return folder;
}

}  // namespace

// The mouse's way: a highlight rolls once per entry and a dump reports only the sounds
// since the last; Easy toggled on and off; Load Game with nobody saved; a typed name cut
// to fourteen letters of the allowed ones; Easy's $1000 purse; Quit back to a fresh menu
// on Normal, where Enter on an empty name box draws a name.
TEST(MenuSession, MouseFromOptionsThroughANewCareerAndBack) {
    SessionRun run = Play(
        "hover Label1\nhover Label1\ndump\ndump\n"
        "click Label2\nclick Label4\ndump\nclick Label4\ndump\nclick Label4\nclick Label13\n"
        "click Label1\nclick Label18\ndump\nclick Label28\nclick Label21\n"
        "type Ann-Marie O'Neil!\nkey Enter\ndump\nhover Label17\nhover RaceWindow.Label17\ndump\n"
        "click Label18\ndump\nclick Label1\nclick Label21\nkey Delete\nkey Enter\ndump\n",
        {"--data-dir", FolderWithCareerList()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 9u);
    const std::vector<std::string>& d = run.Dumps;
    EXPECT_EQ(Value(d[0], "sounds"), Roll);
    EXPECT_EQ(Value(d[1], "sounds"), "[]");
    EXPECT_EQ(Value(d[2], "difficulty") + Caption(d[2], "FrontEnd.DifLabel"), "0.2\"Easy\"");
    EXPECT_EQ(Value(d[3], "difficulty") + Caption(d[3], "FrontEnd.DifLabel"), "1.2\"Normal\"");
    EXPECT_EQ(Caption(d[4], "FrontEnd.NoCareersLabel"), "\"No careers saved yet\"");
    EXPECT_EQ(Value(d[5], "forms") + Value(d[5], "driver"), "[\"RaceWindow\"]\"Ann-Marie O'Ne\"");
    EXPECT_EQ(Player(d[5], "Cash"), "1000");
    EXPECT_EQ(LitControls(d[5]), "");
    EXPECT_EQ(Value(d[6], "sounds"), Roll);
    EXPECT_EQ(LitControls(d[6]), "RaceWindow.Label17");
    EXPECT_EQ(Value(d[7], "forms") + Value(d[7], "difficulty"), "[\"FrontEnd\"]1.2");
    EXPECT_EQ(Value(d[8], "forms"), "[\"RaceWindow\"]");
    EXPECT_TRUE(std::regex_match(Value(d[8], "driver"), std::regex(Drawn))) << d[8];
}

// The list shows the six slots as written, blanks kept; choosing one names the driver as
// the slot has it. A new driver under a saved name is asked first: Enter takes the lit
// "Choose another name", back to the name box; only "Replace it" starts the career.
TEST(MenuSession, LoadGameListsTheSlotsAndASavedNameAsksBeforeItIsReplaced) {
    const std::string blank(15, ' ');
    SessionRun run = Play("click Label1\nclick Label18\ndump\nselect SaveGameList 2\ndump\n"
                          "click Label28\nclick Label21\ntype Ria\nkey Enter\ndump\n"
                          "key Enter\ndump\nclick Label27\nclick Yes\ndump\n",
                          {"--data-dir", FolderWithCareerList(" Ann           " + blank +
                                                              " Ria           " + blank + blank + blank)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 5u);
    const std::vector<std::string>& d = run.Dumps;
    EXPECT_EQ(Caption(d[0], "FrontEnd.SaveGameList"),
              "[\" Ann           \",\"" + blank + "\",\" Ria           \",\"" + blank + "\",\"" +
                  blank + "\",\"" + blank + "\"]");
    EXPECT_EQ(Value(d[1], "driver"), "\"Ria            \"");
    EXPECT_EQ(Value(d[2], "message"),
              "\"Ria already has a saved career. A new one under that name replaces it when "
              "it is saved.\"");
    EXPECT_EQ(Value(d[2], "enabled"), "[\"MsgBox\"]");
    EXPECT_EQ(Caption(d[2], "MsgBox.Yes") + Caption(d[2], "MsgBox.No"),
              "\"Replace it\"\"Choose another name\"");
    EXPECT_EQ(Value(d[3], "forms"), "[\"FrontEnd\"]");
    EXPECT_EQ(Value(d[3], "focus"), "\"FrontEnd.Text1\"");
    EXPECT_NE(Value(d[3], "driver"), "\"Ria\"");
    EXPECT_EQ(Value(d[4], "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(d[4], "driver"), "\"Ria\"");
}

// Without a mouse: the keys light an item as the pointer would (colour, sound), Tab and
// Shift+Tab go round, Escape or the pad's east button close a panel and do nothing on the
// main menu, the pointer moves the focus too, and Enter chooses. A pad cannot type, so on
// the name box its south button starts the career under a drawn name.
TEST(KeysSession, FromTheTitleToTheStartLightsByKeysOrPad) {
    SessionRun run = Play(
        "key Down\ndump\n"                                   // nothing lit yet: the first item
        "key Tab\nkey Tab\nkey Tab\nkey Enter\ndump\n"       // Options, "Controls" lit
        "key Down\nkey Enter\nkey PadB\ndump\n"              // Difficulty toggled; closed
        "key Escape\ndump\n"                                 // the main menu stays
        "keydown Shift\nkey Tab\nkeyup Shift\ndump\n"        // back from Options to Time Trial
        "hover Label3\nkey Up\ndump\n"                       // from Exit, where the pointer is
        "key Up\nkey Up\nkey Up\nkey Enter\ndump\n"          // Career Mode, New Driver lit
        "key Enter\ntype Ann\nkey Enter\ndump\n"
        "key Tab\nkey Enter\nwait 1500\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 9u);
    const std::vector<std::string>& d = run.Dumps;
    // What is lit after each step: a menu's item stays lit while its panel is open.
    const char* lit[] = {"Label1", "Label2 FrontEnd.Label7", "Label2", "Label2", "TimeTrialItem",
                         "Label2", "Label1 FrontEnd.Label21"};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(LitControls(d[i]), i < 7 ? "FrontEnd." + std::string(lit[i]) : "") << i;
    EXPECT_EQ(Value(d[0], "sounds"), Roll);
    EXPECT_NE(Shown(d[1], "FrontEnd.OptionBox"), "(absent)");
    EXPECT_EQ(Value(d[2], "difficulty"), "0.2");
    EXPECT_EQ(Shown(d[2], "FrontEnd.OptionBox"), "(absent)");
    EXPECT_EQ(Value(d[3], "forms"), "[\"FrontEnd\"]");
    // Leaving Exit ends its skid, as the pointer crossing the panel does.
    EXPECT_NE(Value(d[5], "sounds").find("click02.wav"), std::string::npos);
    EXPECT_NE(Shown(d[6], "FrontEnd.CareerModeBox"), "(absent)");
    EXPECT_EQ(Value(d[7], "forms") + Value(d[7], "driver"), "[\"RaceWindow\"]\"Ann\"");
    EXPECT_EQ(Shown(d[8], "RaceWindow.FlashBox"), "(absent)");
    EXPECT_EQ(Value(Shown(d[8], "RaceWindow.Light(2)"), "back"), Green);

    SessionRun pad = Play("key PadDpadDown\nkey PadA\nkey PadA\nkey PadA\ndump\n"
                          "key PadA\nkey PadA\nwait 1500\ndump\n");
    ASSERT_EQ(pad.Status, 0) << pad.Err;
    ASSERT_EQ(pad.Dumps.size(), 2u);
    EXPECT_EQ(Value(pad.Dumps[0], "forms"), "[\"RaceWindow\"]");
    EXPECT_TRUE(std::regex_match(Value(pad.Dumps[0], "driver"), std::regex(Drawn))) << pad.Dumps[0];
    EXPECT_EQ(Value(Shown(pad.Dumps[1], "RaceWindow.Light(2)"), "back"), Green);
}

// Start hides the pointer and runs the race inside the click; the lights take a second
// each and every car's engine starts looping on the grid. T writes one picture a press
// (held, the repeats take none), named by the time, with a note left of the view for four
// seconds. "race autopilot" drives home to the results board: nine rows in place order,
// each car once, as the board shows them. A key at once is taken for one held from the
// race; half a second later it brings the next panel, where the last race's lap is gone.
TEST(RaceSession, TheRaceTheHudScreenshotsAndTheResultsBoard) {
    const std::string folder = FolderWithCareerList();
    const std::string script = ToThePanel +
        "click Label16\nwait 300\nkeydown T\nkeydown T\nkeydown T\nkeyup T\nkey L\ndump\n"
        "wait 1200\ndump\nwait 2900\ndump\nkey T\nkey T\n"
        "race autopilot\ndump\nkey Enter\ndump\nwait 500\nkey Enter\ndump\n"
        "click Label16\nwait 300\ndump\n";
    SessionRun run = Play(script, {"--seed", "5", "--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 7u);
    const std::string &shot = run.Dumps[0], &racing = run.Dumps[1], &later = run.Dumps[2],
                      &board = run.Dumps[3], &after = run.Dumps[5], &next = run.Dumps[6];
    EXPECT_EQ(Value(shot, "pointer"), "\"none\"");
    std::string sounds = Value(shot, "sounds");
    std::size_t engines = 0;
    for (std::size_t at = 0; (at = sounds.find("revup2.wav\",", at)) != std::string::npos; ++at) ++engines;
    EXPECT_EQ(engines, 9u) << sounds;
    EXPECT_EQ(Caption(shot, "RaceWindow.LastLapField"), "\"--.--\"");
    const std::string note = Caption(shot, "RaceWindow.ShotNote");
    const std::regex stamp(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(-\d+)?\.bmp)");
    std::smatch named;
    ASSERT_TRUE(std::regex_search(note, named, stamp)) << note;
    EXPECT_TRUE(FileExists(folder + "/screenshots/" + named.str()));
    EXPECT_LT(std::stoi(Value(Shown(shot, "RaceWindow.ShotNote"), "left")) + 216,
              std::stoi(Value(Shown(shot, "RaceWindow.PlayArea(0)"), "left")));
    EXPECT_EQ(Value(Shown(racing, "RaceWindow.Light(2)"), "back"), Green);
    EXPECT_EQ(Shown(later, "RaceWindow.ShotNote"), "(absent)");
    EXPECT_EQ(FileNamesIn(folder + "/screenshots").size(), 3u);

    EXPECT_EQ(Value(board, "forms"), "[\"ResultsBoard\",\"RaceWindow\"]");
    EXPECT_EQ(Value(board, "results"), Value(run.Dumps[4], "results"));
    EXPECT_EQ(Caption(board, "ResultsBoard.ResultsCourse").rfind("\"Course 1 ", 0), 0u);
    std::vector<int> cars;
    const auto results = nlohmann::ordered_json::parse(board)["results"];
    for (const auto& row : results["rows"]) {
        const std::string index = std::to_string(cars.size());
        EXPECT_EQ(row["place"], cars.size() + 1);
        cars.push_back(row["car"]);
        EXPECT_EQ(row["driver"] == "Ann", cars.back() == 0);
        EXPECT_EQ(Caption(board, "ResultsBoard.Driver(" + index + ")"), row["driver"].dump());
        EXPECT_EQ(Caption(board, "ResultsBoard.Time(" + index + ")"), row["time"].dump());
    }
    std::sort(cars.begin(), cars.end());
    EXPECT_EQ(cars, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_NE(Caption(board, "RaceWindow.LastLapField"), "\"--.--\"");

    EXPECT_EQ(Value(after, "forms"), "[\"RaceWindow\"]");
    EXPECT_EQ(Value(after, "pointer"), "\"\"");
    EXPECT_EQ(Value(after, "outcome"), "0");  // the next set-up has cleared it
    // A placing pays 1200, 750 or 300 into the purse, the rest nothing; L skipped the
    // career to course 2 during the race, yet the board names the course raced.
    const std::string prize = Value(Value(board, "results"), "prize");
    EXPECT_TRUE(prize == "1200" || prize == "750" || prize == "300" || prize == "0") << prize;
    EXPECT_EQ(Player(after, "Cash"), std::to_string(100 + std::stoi(prize)));
    EXPECT_TRUE(prize != "0" || Value(after, "course") == "2");
    EXPECT_EQ(Caption(next, "RaceWindow.LastLapField"), "\"--.--\"");

    SessionRun again = Play(script, {"--seed", "5", "--data-dir", FolderWithCareerList()});
    ASSERT_EQ(again.Dumps.size(), 7u);
    EXPECT_EQ(Value(again.Dumps[3], "results"), Value(board, "results")) << "same seed, same race";
}

// Escape on the pre-race panel leaves the next race alone. In the race it asks first: the
// pause box says how to go on; P races on; two Escapes leave, and a message box, shutting
// out the window beneath until the pad's south button closes it, says what becomes of the
// career. A second career then starts as the first did, and the end of the script ends
// the program in the middle of its race too.
TEST(RaceSession, EscapeAsksBeforeLeavingARaceAndTheMessageSaysWhatBecomesOfTheCareer) {
    SessionRun run = Play(ToThePanel +
        "key Escape\nclick Label16\nwait 3500\nkey Escape\nwait 300\ndump\n"
        "key P\nwait 300\ndump\n"
        "key Escape\nkey Escape\nwait 100\ndump\nkey PadA\ndump\n"
        "click Label1\nclick Label21\ntype Bea\nkey Enter\ndump\n"
        "click Label16\nwait 4000\nkeydown Up\nwait 300\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 5u);
    const std::string& asked = run.Dumps[0];
    EXPECT_EQ(Value(asked, "forms") + Value(asked, "outcome"), "[\"RaceWindow\"]0");
    EXPECT_NE(Shown(asked, "RaceWindow.PauseBox"), "(absent)");
    EXPECT_EQ(Shown(run.Dumps[1], "RaceWindow.PauseBox") + Value(run.Dumps[1], "outcome"), "(absent)0");
    EXPECT_EQ(Value(run.Dumps[2], "message"),
              "\"You left the race. Ann's career was never saved, so it ends here.\"");
    EXPECT_EQ(Value(run.Dumps[2], "enabled"), "[\"MsgBox\"]");
    EXPECT_EQ(Value(run.Dumps[3], "forms"), "[\"FrontEnd\"]");
    EXPECT_EQ(Value(run.Dumps[4], "forms") + Value(run.Dumps[4], "driver"), "[\"RaceWindow\"]\"Bea\"");
    EXPECT_EQ(Value(run.Dumps[4], "pointer"), "\"\"");
    EXPECT_FALSE(RaceInProgress);
    EXPECT_FALSE(AutopilotEnabled);
}

// A career saved after a race comes back after a restart: Load Game lists the driver,
// choosing him and Load Career put him on the panel of the same course with the same
// car, every field as the whole number the file holds (Tyres 61.5 becomes 62, halves to
// even).
TEST(CareerSession, SavedAfterARaceAndLoadedAfterARestart) {
    std::string folder = FolderWithCareerList();
    SessionRun first = Play(ToThePanel +
                                "click Label16\nrace autopilot\nwait 500\nkey Enter\n"
                                "click RaceWindow.Label19\ndump\nclick RaceWindow.Label18\nclick Label3\n",
                            {"--data-dir", folder, "--seed", "3"});
    ASSERT_EQ(first.Status, 0) << first.Err;
    ASSERT_EQ(first.Dumps.size(), 1u);
    const std::string& saved = first.Dumps[0];
    EXPECT_EQ(Caption(saved, "RaceWindow.msg_FlashScreen"), "\"Saved...\"");

    SessionRun second = Play("click Label1\nclick Label18\nselect SaveGameList 0\nclick Label29\ndump\n",
                             {"--data-dir", folder, "--seed", "4"});
    ASSERT_EQ(second.Status, 0) << second.Err;
    ASSERT_EQ(second.Dumps.size(), 1u);
    const std::string& loaded = second.Dumps[0];
    EXPECT_EQ(Value(loaded, "forms") + Value(loaded, "driver"), "[\"RaceWindow\"]\"Ann            \"");
    EXPECT_EQ(Value(loaded, "course"), Value(saved, "course"));
    const auto savedCars = nlohmann::ordered_json::parse(saved)["cars"];
    const auto loadedCars = nlohmann::ordered_json::parse(loaded)["cars"];
    ASSERT_EQ(loadedCars.size(), savedCars.size());
    for (std::size_t car = 0; car < savedCars.size(); ++car)
        for (const auto& [field, value] : savedCars[car].items())
            EXPECT_EQ(loadedCars[car][field], std::nearbyint(value.get<double>())) << car << " " << field;
}

// A loaded career's panel names the driver, his cash and his car's condition. The shop by
// keys: opened by a key it lights its way out and no part, which another Enter would buy.
// The MoJet engine ($1750) bought, the body mended from 40 to 90 ($260 = 60 x 1 + 200),
// the titanium body ($4850) refused with the pop-up; Enter closes it, Escape leaves; the
// car and the panel show what was bought. Its tyres nearly bald, the car burns out in the
// race, and the message box sends the career back to where it was saved.
TEST(CareerSession, LoadShopByKeysAndBurnOut) {
    SessionRun run = Play(
        "key Down\nkey Enter\nkey Down\nkey Enter\ndump\n"  // Load Game: the first slot chosen
        "key Enter\nkey Enter\ndump\n"                      // on to Load Career, and load
        "key Right\nkey Right\nkey Enter\ndump\n"           // Shop, on Leave Shop
        "key Down\nkey Down\nkey Down\nkey Enter\n"         // the third part: the MoJet
        "key Down\nkey Enter\n"                             // below it, the body's repair
        "key Up\nkey Enter\ndump\n"                         // above, the titanium body
        "key Enter\nkey Escape\ndump\n"
        "click Label16\nrace autopilot\ndump\nkey Enter\ndump\n",
        {"--data-dir", FolderWithAnnsCareer(26)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 7u);
    const std::vector<std::string>& d = run.Dumps;
    EXPECT_EQ(Value(d[0], "driver"), "\"Ann            \"");
    const auto panel = [&](int dump, const char* field) { return Caption(d[dump], std::string("RaceWindow.") + field); };
    EXPECT_EQ(panel(1, "PanelDriverField"), "\"Ann\"");
    EXPECT_EQ(panel(1, "PanelCashField"), "\"$5000\"");
    EXPECT_EQ(panel(1, "PanelBodyField"), "\"Body 40%\"");
    EXPECT_EQ(panel(1, "PanelEngineField"), "\"Engine 100%\"");
    EXPECT_EQ(panel(1, "PanelTyresField"), "\"Tyres 37%\"");  // 26 of 70
    EXPECT_EQ(Fore(d[2], "StoreForm.LeaveLabel"), "\"#80FFFF\"");
    EXPECT_EQ(Fore(d[2], "StoreForm.Item(0)"), "\"#C0C0C0\"");
    EXPECT_EQ(Value(d[3], "enabled"), "[\"PopBox\",\"RaceWindow\"]");
    EXPECT_EQ(Caption(d[3], "StoreForm.CashField"), "\"$2990\"");
    // Escape left the shop, not the next race.
    EXPECT_EQ(Value(d[4], "forms") + Value(d[4], "outcome"), "[\"RaceWindow\"]0");
    for (auto [field, value] : {std::pair{"EngineLevel", "1"}, {"Body", "90"}, {"BodyLevel", "0"}})
        EXPECT_EQ(Player(d[4], field), value) << field;
    EXPECT_EQ(panel(4, "PanelCashField"), "\"$2990\"");
    EXPECT_EQ(panel(4, "PanelBodyField"), "\"Body 90%\"");
    const std::string course = panel(4, "CourseNameField");
    EXPECT_EQ(Value(d[5], "message"),
              "\"Your car burnt out. Ann's career goes back to its last save, on Course 1, " +
                  course.substr(1, course.size() - 2) + ": Load Game takes it up from there.\"");
    EXPECT_EQ(Value(d[6], "forms"), "[\"FrontEnd\"]");
}

// Time Trial by keys: the picker shows course 1 with no record, the run sets both records
// (the board says so, the panel shows them), and Quick Race keeps records of its own. The
// player's course files follow the fourteen: one that cannot be raced says why and stays,
// one that can keeps its records and ghost under its file name, and is raced only then.
TEST(CourseRaceSession, TimeTrialSetsTheRecordsThePickerAndThePanelShow) {
    std::string folder = TempFolder("player-records");
    for (const char* sub : {"graphics", "resources", "soundfx", "runs"})
        fs::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    fs::create_directory(folder + "/courses");
    SetAppPath(GameDir());
    CourseFile.clear();
    CurrentCourse = 1;
    LoadCourse();
    const std::string course1 = Course.CourseName;
    Course.CourseName = "Ghost Loop";
    WriteFileText(folder + "/courses/my loop.tmx", TiledCourseText(MapFormat::Tmx, "x.bmp", 4400, 210));
    WriteFileText(folder + "/courses/bad.tmj", "[]");
    const std::string keys = "race keys " + std::string(GG_SOURCE_DIR) + "/data/runs/normal01.keys\n";
    SessionRun run = Play(
        "key Down\nkey Down\nkey Down\nkey Enter\ndump\n"     // Time Trial's picker, "< Course" lit
        "key Right\nkey Right\nkey Enter\n"                     // Race
        "click Label16\n" + keys + "dump\nwait 600\nkey Enter\ndump\n"  // the board, then the panel
        "click Label18\nclick QuickRaceItem\ndump\n"
        "click PickerExit\nclick TimeTrialItem\nclick NextCourse\nclick PreviousCourse\ndump\n"
        "click PreviousCourse\nclick PreviousCourse\nclick RaceCourse\ndump\n"  // bad.tmj
        "click NextCourse\nclick RaceCourse\nclick Label16\n" + keys +
        "dump\nwait 600\nkey Enter\nclick Label18\nclick QuickRaceItem\ndump\n"
        "click NextCourse\ndump\n",
        {"--data-dir", folder});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(run.Dumps.size(), 9u);
    const std::vector<std::string>& d = run.Dumps;
    const auto trialRace = [&](int dump) { return Value(Value(Value(Value(d[dump], "records"), "trial"), "race"), "time"); };
    EXPECT_EQ(Caption(d[0], "FrontEnd.PickerHeading") + Caption(d[0], "FrontEnd.PickerLaps"),
              "\"Time Trial\"\"2 Laps\"");
    EXPECT_EQ(Caption(d[0], "FrontEnd.PickerRaceRecord"), "\"none yet\"");
    EXPECT_EQ(LitControls(d[0]), "FrontEnd.TimeTrialItem FrontEnd.PreviousCourse");
    EXPECT_EQ(Value(Value(d[1], "results"), "note"), "\"New course record \u00B7 New lap record\"");
    EXPECT_EQ(trialRace(1), "\"27.27\"");
    EXPECT_EQ(Caption(d[2], "RaceWindow.msg_FlashScreen"),
              "\"Lap record 12.60 You \u00B7 Race record 27.27 You\"");
    EXPECT_EQ(Shown(d[2], "RaceWindow.Label17"), "(absent)");  // nothing to buy outside a career
    EXPECT_EQ(Caption(d[3], "FrontEnd.PickerHeading") + Caption(d[3], "FrontEnd.PickerRaceRecord"),
              "\"Quick Race\"\"none yet\"");
    EXPECT_EQ(Caption(d[4], "FrontEnd.PickerCourse").substr(0, 12), "\"Course 1  -");
    EXPECT_EQ(Caption(d[4], "FrontEnd.PickerRaceRecord"), "\"27.27  You\"");

    EXPECT_EQ(Caption(d[5], "FrontEnd.PickerCourse"), "\"bad.tmj  -  cannot be raced\"");
    EXPECT_NE(Caption(d[5], "FrontEnd.PickerProblem").find("bad.tmj"), std::string::npos);
    EXPECT_EQ(Value(d[5], "forms"), "[\"FrontEnd\"]");
    EXPECT_EQ(trialRace(6), "\"27.27\"");
    for (const char* ending : {".txt", ".ghost"})
        EXPECT_TRUE(FileExists(folder + "/records/custom-my_20loop.tmx-normal-trial" + ending)) << ending;
    EXPECT_EQ(Caption(d[7], "FrontEnd.PickerCourse"), "\"Ghost Loop  (my loop.tmx)\"");
    EXPECT_EQ(Caption(d[7], "FrontEnd.PickerRaceRecord"), "\"none yet\"");  // Quick Race's own
    EXPECT_EQ(Caption(d[8], "FrontEnd.PickerCourse"), "\"Course 1  -  " + course1 + "\"");
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

// A line that cannot be carried out stops the run with status 2, naming the line in a
// short message with nothing in it for the terminal to act on; lines before it have been
// acted out, unless the script could not even be read. Without its data, or with an
// option of the one-race simulation, the session stops before its first line.
TEST(Session, ALineThatCannotBeCarriedOutStopsTheRunNamingIt) {
    struct Bad {
        std::string Script, Says;
        std::size_t DumpsBefore = 0;
        std::vector<std::string> Extra = {};
        int Status = 2;
    };
    const Bad cases[] = {
        {"dump\ndance\n", "line 2: unknown command 'dance'"},
        {"\n# the F keys are no game's\nkey F13\n", "line 3: unknown key 'F13'"},
        {"wait soon\n", "line 1: 'soon' is not a number of milliseconds"},
        {"click Label16(\n", "line 1: 'Label16(' is not a control name"},
        {"select Label16\n", "line 1: expected 'select NAME N'"},
        {"race fast\n", "line 1: expected 'race', 'race autopilot' or 'race keys FILE'"},
        {"dump\nclick Nothing\n", "line 2: no window on screen has a control Nothing", 1},
        {"dump\nhover Label27\n", "line 2: Label27 is hidden", 1},
        {"click StoreForm.Item(3)\n", "line 1: the window StoreForm is not on screen"},
        {"dump\nrace\n", "line 2: no race is in progress", 1},
        {"dump\nrace keys nowhere.keys\n", "line 2: "},  // read before anything is acted
        {"select Label16 0\n", "line 1: FrontEnd.Label16 is not a list box"},
        {"snapshot /nonexistent/folder/shot.bmp\n", "line 1: "},
        // A 900 KB key name comes back as 80 characters, its escape sequence made harmless.
        {"key \x1b[2J" + std::string(900000, 'K') + "\n", "line 1: unknown key '\\x1b[2JKKK"},
        {"dump\n", "--course", 0, {"--course", "3"}},
        {"dump\n", "has no graphics/ folder", 0, {"--data-dir", TempFolder("empty-data")}, 1},
    };
    std::vector<Bad> all(std::begin(cases), std::end(cases));
    for (std::string name : {"Item()", "Item(x)", "Item(3", ".Label4", "A.B.C", "FrontEnd."})
        all.push_back({"click " + name + "\n", "line 1: '" + name + "' is not a control name"});
    for (const Bad& bad : all) {
        SessionRun run = Play(bad.Script, bad.Extra);
        const std::string what = bad.Script.substr(0, 40);
        EXPECT_EQ(run.Status, bad.Status) << what;
        EXPECT_NE(run.Err.find(bad.Says), std::string::npos) << what << run.Err.substr(0, 1000);
        EXPECT_LT(run.Err.size(), 1000u) << what;
        EXPECT_EQ(run.Err.find('\x1b'), std::string::npos) << what;
        EXPECT_EQ(run.Dumps.size(), bad.DumpsBefore) << what;
    }
}
