// Saving and loading careers: the slots of the career list, the career file's fields,
// damaged files, faults in the middle of a save, and the names a file can be given.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
    return fs::exists(path) ? ReadFileText(path) : "<missing>";
}
std::string Blanks(int n) { return std::string(n, ' '); }
std::string ListPath() { return AppPath() + "/saves/saves.lst"; }
std::string CareerPath(const std::string& name) {
    return AppPath() + "/saves/" + name + Blanks(15 - static_cast<int>(name.size())) + ".sav";
}
std::string ListOf(std::initializer_list<std::string> names) {
    std::string list;
    for (const std::string& n : names) list += n.empty() ? Blanks(15) : " " + n + Blanks(14 - static_cast<int>(n.size()));
    return list;
}

class CareerFiles : public ::testing::Test {
protected:
    void SetUp() override {
        FreshHeadless();
        RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        MakeFolder(AppPath() + "/saves");
        WriteFileText(ListPath(), Blanks(90));
        Settings = GameSettings{};
        LoadRaceWindow();
        BeforeAtomicRename = nullptr;
        DriverNames[PlayerNameEntry] = "Ann";
        NewCareer();
    }
    void TearDown() override { BeforeAtomicRename = nullptr; }
    // What the player is shown after a load: the panel, the course and the cash.
    static std::string Shown() {
        return std::string(RaceWindow->Visible && FlashBox->Visible ? "panel " : "no panel ") +
               CourseField->Caption + " $" + std::to_string(Cars[0].Cash);
    }
};

// ----- The slots of the career list -----

TEST_F(CareerFiles, FirstSaveTakesSlotOneAndWritesA765CharacterFile) {
    ASSERT_TRUE(SaveCareer());
    EXPECT_EQ(Slurp(ListPath()), ListOf({"Ann", "", "", "", "", ""}) + "\r\n");
    std::string career = Slurp(CareerPath("Ann"));  // Ann, twelve blanks, .sav
    EXPECT_EQ(career.size(), 765u);
    EXPECT_EQ(career.find('\n'), std::string::npos);
}

TEST_F(CareerFiles, ASecondSaveFindsItsOwnSlotAndRewritesOnlyTheCareer) {
    ASSERT_TRUE(SaveCareer());
    DriverNames[PlayerNameEntry] = "Bob";
    ASSERT_TRUE(SaveCareer());
    std::string list = Slurp(ListPath());
    EXPECT_EQ(list, ListOf({"Ann", "Bob", "", "", "", ""}) + "\r\n");
    DriverNames[PlayerNameEntry] = "Ann";
    Cars[0].Cash = 4321;
    ASSERT_TRUE(SaveCareer());
    EXPECT_EQ(Slurp(ListPath()), list);
    EXPECT_EQ(Slurp(CareerPath("Ann")).substr(80, 5), "04321");
    // A name differing only in case is another driver, never Ann's file.
    DriverNames[PlayerNameEntry] = "ANN";
    Cars[0].Cash = 1;
    ASSERT_TRUE(SaveCareer());
    EXPECT_EQ(Slurp(CareerPath("Ann")).substr(80, 5), "04321");
}

TEST_F(CareerFiles, AFullListRefusesANewDriverButNotAListedOne) {
    std::string full = ListOf({"A", "B", "C", "D", "E", ""});  // slot 6 is never given out
    WriteFileText(ListPath(), full);
    DriverNames[PlayerNameEntry] = "Ann";
    EXPECT_FALSE(SaveCareer());
    EXPECT_EQ(MessageLog().back(), "No slots available");
    EXPECT_EQ(Slurp(ListPath()), full);
    EXPECT_FALSE(fs::exists(CareerPath("Ann")));
    DriverNames[PlayerNameEntry] = "C";
    EXPECT_TRUE(SaveCareer());
    EXPECT_EQ(Slurp(CareerPath("C")).size(), 765u);
}

// However its lines end and however much of its padding survived, a slot is still its
// driver: Load Game lists Ann and Bob, and a new driver takes the third slot, the list
// written back as 90 characters and a line break.
TEST_F(CareerFiles, TheListIsReadBySlotsWhateverItsLineEndsAndPadding) {
    const std::string ann = " Ann" + Blanks(11), bob = " Bob" + Blanks(11);
    const std::pair<const char*, std::string> layouts[] = {
        {"as the game writes it", ListOf({"Ann", "Bob", "", "", "", ""}) + "\r\n"},
        {"blanks trimmed", ann + " Bob\n"},
        {"cut short", ann + " Bo" + "b"},
        {"a slot a line, CRLF", ann + "\r\n" + bob + "\r\n" + Blanks(15) + "\r\n"},
        {"a slot a line, trimmed", " Ann\n Bob\n\n\n"},
        {"a slot a line, CR", " Ann\r Bob\r"},
    };
    for (const auto& [layout, text] : layouts) {
        WriteFileText(ListPath(), text);
        EXPECT_EQ(ReadCareerSlots(), (std::array<std::string, 6>{ann, bob, Blanks(15), Blanks(15),
                                                                 Blanks(15), Blanks(15)}))
            << layout;
        DriverNames[PlayerNameEntry] = "Cy";
        EXPECT_TRUE(SaveCareer()) << layout;
        EXPECT_EQ(Slurp(ListPath()), ListOf({"Ann", "Bob", "Cy", "", "", ""}) + "\r\n") << layout;
    }
    // Five drivers a line each fill the list as five slots do.
    WriteFileText(ListPath(), " A\r\n B\r\n C\r\n D\r\n E\r\n");
    DriverNames[PlayerNameEntry] = "Ann";
    EXPECT_FALSE(SaveCareer());
    EXPECT_EQ(MessageLog().back(), "No slots available");
    // A missing folder or list is an empty one.
    fs::remove_all(AppPath() + "/saves");
    EXPECT_EQ(ReadCareerSlots()[0], Blanks(15));
    ASSERT_TRUE(SaveCareer());
    EXPECT_EQ(Slurp(ListPath()), ListOf({"Ann", "", "", "", "", ""}) + "\r\n");
}

// A list no game of ours could have written is never written over: it is kept whole under
// a dated name, the player is told, and the save goes into a new list.
TEST_F(CareerFiles, AListThatCannotBeUnderstoodIsSetAsideWithADate) {
    const std::string puzzles[] = {
        " A\n B\n C\n D\n E\n F\n G\n",  // a seventh driver
        "Ann" + Blanks(12),              // a slot without its blank
        std::string("\x7f"
                    "ELF\x02\x01\x01\0\0",
                    9),  // not text at all
    };
    for (const std::string& puzzle : puzzles) {
        fs::remove_all(AppPath() + "/saves");
        MakeFolder(AppPath() + "/saves");
        WriteFileText(ListPath(), puzzle);
        ASSERT_TRUE(SaveCareer());
        EXPECT_EQ(Slurp(ListPath()), ListOf({"Ann", "", "", "", "", ""}) + "\r\n");
        std::regex told(R"(The career list could not be understood, so it was kept as )"
                        R"((saves\.lst\.20\d\d-\d\d-\d\d-\d{6}) and a new list was started\.)");
        std::smatch kept;
        ASSERT_TRUE(std::regex_match(MessageLog().back(), kept, told)) << MessageLog().back();
        EXPECT_EQ(Slurp(AppPath() + "/saves/" + kept[1].str()), puzzle);
    }
}

TEST_F(CareerFiles, TheSaveCareerButtonSaysSavedOnlyWhenItSaved) {
    LoadRaceScreen();
    WriteFileText(ListPath(), ListOf({"A", "B", "C", "D", "E", ""}));
    Panel.Status->Caption = "";
    Panel.SaveCareer->Click();
    EXPECT_EQ(MessageLog().back(), "No slots available");
    EXPECT_EQ(Panel.SaveCareer->Caption + "/" + Panel.Status->Caption, "Save Career/");
    EXPECT_TRUE(RaceWindow->Visible && FlashBox->Visible);  // the game goes on
    WriteFileText(ListPath(), Blanks(90));
    Panel.SaveCareer->Click();
    EXPECT_EQ(Panel.SaveCareer->Caption + "/" + Panel.Status->Caption, "Save Career/Saved...");
    EXPECT_EQ(Slurp(CareerPath("Ann")).size(), 765u);
}

// ----- The round trip -----

TEST_F(CareerFiles, OddValuesComeBackRoundedAndSavingAgainWritesTheSameBytes) {
    CurrentCourse = 7;
    Cars[0].Accel = 3.49f;
    Cars[0].Body = 37.6f;
    Cars[0].Tyres = 2.5f;  // halves go to the even neighbour
    Cars[0].Engine = 3.5f;
    Cars[0].Cash = 2468;
    Cars[0].BodyLevel = 2;
    Cars[5].TopSpeed = 305;
    Cars[5].EngineLevel = 3;
    Cars[8].Cash = 700;
    ASSERT_TRUE(SaveCareer());
    std::string saved = Slurp(CareerPath("Ann"));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(saved.substr(85 * i, 5), "00007") << "record " << i;
    // Car 0: course, steer count, top speed, accel, tyres, ... body at 51-55, cash at 81-85.
    EXPECT_EQ(saved.substr(15, 10), "0000300002");
    EXPECT_EQ(saved.substr(30, 5), "00004");
    EXPECT_EQ(saved.substr(50, 10), "0003800002");
    EXPECT_EQ(saved.substr(80, 5), "02468");

    DriverNames[PlayerNameEntry] = "Nobody";
    NewCareer();
    DriverNames[PlayerNameEntry] = "Ann" + Blanks(12);  // as the Load Game panel hands it over
    ASSERT_TRUE(LoadCareer());
    EXPECT_EQ(Shown(), "panel Course7 $2468");
    EXPECT_FLOAT_EQ(Cars[0].Accel, 3);
    EXPECT_FLOAT_EQ(Cars[0].Body, 38);
    EXPECT_EQ(Cars[0].BodyLevel, 2);
    EXPECT_EQ(Cars[5].TopSpeed, 305);
    EXPECT_EQ(Cars[5].EngineLevel, 3);
    EXPECT_EQ(Cars[8].Cash, 700);
    EXPECT_EQ(DamFill->Width, 1680 * 38 / 100 / 15);
    ASSERT_TRUE(SaveCareer());
    EXPECT_EQ(Slurp(CareerPath("Ann")), saved);
}

TEST_F(CareerFiles, ACareerAtTheCashCapSavesAndLoadsWithoutShifting) {
    Cars[0].Cash = CashCap - 50;
    EarnCash(0, 100);  // a pickup at the cap
    EarnCash(0, 1200);  // and a prize
    EXPECT_EQ(Cars[0].Cash, 99999);
    Cars[3].Cash = 1000000;  // from before the cap: written as the cap, not seven digits
    Cars[4].Body = -3;  // a wreck's body below zero is written as 0
    ASSERT_TRUE(SaveCareer());
    std::string saved = Slurp(CareerPath("Ann"));
    ASSERT_EQ(saved.size(), 765u);
    EXPECT_EQ(saved.substr(80, 5), "99999");
    EXPECT_EQ(saved.substr(85 * 3 + 80, 5), "99999");
    EXPECT_EQ(saved.substr(85 * 4 + 50, 5), "00000");
    ASSERT_TRUE(LoadCareer());
    EXPECT_EQ(Cars[0].Cash, 99999);
    EXPECT_EQ(Cars[8].TyresMax, 100);  // the last car's fields are where they were
}

// ----- Damaged files -----

// Each case damages the saved career; the load must fail with the front end left alone,
// saying why when the file was read but no race could be finished with it.
struct Damage {
    const char* Name;
    void (*Apply)();
    const char* Says = "";
};
void Replace(int at, const char* field) {
    std::string text = Slurp(CareerPath("Ann"));
    WriteFileText(CareerPath("Ann"), text.replace(at, 5, field));
}
class DamagedCareer : public CareerFiles, public ::testing::WithParamInterface<Damage> {};
TEST_P(DamagedCareer, LoadFailsAndShowsNoRaceWindow) {
    CurrentCourse = 4;
    ASSERT_TRUE(SaveCareer());
    HideForm(RaceWindow);
    GetParam().Apply();
    EXPECT_FALSE(LoadCareer());
    EXPECT_FALSE(RaceWindow->Visible);
    EXPECT_EQ(CareerLoadProblem, GetParam().Says);
}
INSTANTIATE_TEST_SUITE_P(
    CareerFiles, DamagedCareer,
    ::testing::Values(
        Damage{"Missing", [] { fs::remove(CareerPath("Ann")); }},
        Damage{"OneCharacterShort",
               [] { WriteFileText(CareerPath("Ann"), Slurp(CareerPath("Ann")).substr(1)); }},
        Damage{"CourseFileGone", [] { fs::remove(AppPath() + "/resources/Map4.ddt"); }},
        Damage{"CourseNumberGarbled",
               [] {
                   for (int i = 0; i < 9; ++i) Replace(85 * i, "xxxxx");
               }},
        Damage{"PlayerWithoutBodyMax", [] { Replace(45, "00000"); },
               "Not raceable: your car's body maximum is 0."},
        // A car that cannot move, or that no computer driver drives, never finishes.
        Damage{"PlayerWithoutTopSpeed", [] { Replace(10, "00000"); },
               "Not raceable: your car's top speed is 0."},
        Damage{"RivalWithoutTargetSpeed", [] { Replace(85 * 2 + 70, "00000"); },
               "Not raceable: car 2's target speed is 0."},
        Damage{"RivalWithoutTyres", [] { Replace(85 * 8 + 25, "-0003"); },
               "Not raceable: car 8's tyre maximum is -3."},
        // The catalogue has eleven entries, 0 to 10; the shop would read past its end.
        Damage{"PlayerTyreLevelEleven",
               [] {
                   std::string text = Slurp(CareerPath("Ann"));
                   WriteFileText(CareerPath("Ann"), text.replace(60, 5, "00011"));
               }},
        Damage{"RivalEngineLevelBelowZero",
               [] {
                   std::string text = Slurp(CareerPath("Ann"));
                   WriteFileText(CareerPath("Ann"), text.replace(85 * 3 + 65, 5, "-0001"));
               }},
        Damage{"PreviewPictureGone", [] { fs::remove(AppPath() + "/graphics/bigmap4.bmp"); }},
        Damage{"NameFromAnEditedList",
               [] { DriverNames[PlayerNameEntry] = "../../Ann" + Blanks(6); }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CareerFiles, FieldsAreReadLenientlyEachInItsOwnFiveCharacters) {
    ASSERT_TRUE(SaveCareer());
    std::string text = Slurp(CareerPath("Ann"));
    text.replace(10, 5, " 2 7 ");  // top speed: blanks are skipped
    text.replace(80, 5, "cash!");  // no digits reads as 0
    text.replace(85 + 10, 5, "12abc");  // car 1's top speed: digits up to the first letter
    WriteFileText(CareerPath("Ann"), text + "\r\n");  // a line break added by an editor
    ASSERT_TRUE(LoadCareer());
    EXPECT_EQ(Cars[0].TopSpeed, 27);
    EXPECT_EQ(Cars[0].Cash, 0);
    EXPECT_EQ(Cars[1].TopSpeed, 12);
    EXPECT_EQ(Cars[1].Cash, 100);
}

// ----- Faults while saving -----

TEST_F(CareerFiles, AFailureBetweenWritingAndRenamingLeavesTheOldFilesWhole) {
    ASSERT_TRUE(SaveCareer());
    std::string before = Slurp(CareerPath("Ann")), list = Slurp(ListPath());
    BeforeAtomicRename = [](const std::string&) { throw FileError("the disk was pulled"); };
    Cars[0].Cash = 777;
    EXPECT_FALSE(SaveCareer());
    EXPECT_NE(MessageLog().back().find("the disk was pulled"), std::string::npos);
    EXPECT_EQ(Slurp(CareerPath("Ann")), before);
    // A new driver whose list cannot be written keeps the old list.
    BeforeAtomicRename = [](const std::string& path) {
        if (path.ends_with("saves.lst")) throw FileError("the disk was pulled");
    };
    DriverNames[PlayerNameEntry] = "Bob";
    EXPECT_FALSE(SaveCareer());
    EXPECT_EQ(Slurp(ListPath()), list);
    // No half-written copies are left behind either.
    auto files = [] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(AppPath() + "/saves"))
            names.insert(entry.path().filename().string());
        return names;
    };
    std::set<std::string> saved = {"saves.lst", "Ann            .sav", "Bob            .sav",
                                   ".lock"};
    EXPECT_EQ(files(), saved);
    // A save killed before its rename leaves its copy: the next save clears such copies
    // away, and nothing else.
    for (const char* name : {".saves.lst.Ab12Cd", ".Ann            .sav.x9Y8z7", ".Zed.sav.000000",
                             ".notes.txt.Ab12Cd", ".saves.lst.Ab12C", "Ann.sav.Ab12Cd"})
        WriteFileText(AppPath() + "/saves/" + name, "half");
    BeforeAtomicRename = nullptr;
    ASSERT_TRUE(SaveCareer());
    saved.insert({".notes.txt.Ab12Cd", ".saves.lst.Ab12C", "Ann.sav.Ab12Cd"});
    EXPECT_EQ(files(), saved);
}

TEST_F(CareerFiles, AListOrFolderThatIsThereButCannotBeUsedIsNamedAndLeftAlone) {
    fs::remove(ListPath());
    fs::create_directory(ListPath());  // as unreadable as a list can be, even for root
    EXPECT_FALSE(SaveCareer());
    EXPECT_NE(MessageLog().back().find("saves.lst"), std::string::npos) << MessageLog().back();
    EXPECT_TRUE(fs::is_directory(ListPath()));
    EXPECT_FALSE(fs::exists(CareerPath("Ann")));
    EXPECT_EQ(ReadCareerSlots()[0], Blanks(15));  // Load Game shows blank slots
    // saves/ as a link to a folder that has gone: named as such, not "File exists".
    fs::remove_all(AppPath() + "/saves");
    fs::create_directory_symlink(AppPath() + "/gone", AppPath() + "/saves");
    EXPECT_FALSE(SaveCareer());
    EXPECT_NE(
        MessageLog().back().find("it is a link to " + AppPath() + "/gone, which does not exist"),
        std::string::npos)
        << MessageLog().back();
}

// Runs body in a child process and returns what it wrote to the pipe.
template <typename Body>
std::string InChild(Body body) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        std::string said = body();
        ssize_t ignored = write(out[1], said.data(), said.size());
        (void)ignored;
        _exit(0);
    }
    close(out[1]);
    std::string heard;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) heard.append(buffer, n);
    close(out[0]);
    waitpid(child, nullptr, 0);
    return heard;
}

TEST_F(CareerFiles, AReadOnlyFolderIsNamedInAMessageAndTheGameGoesOn) {
    ASSERT_TRUE(SaveCareer());
    std::string before = Slurp(CareerPath("Ann"));
    std::string folder = AppPath() + "/saves";
    chmod(folder.c_str(), 0555);
    std::string heard = InChild([&] {
        // Root writes anywhere; a player does not.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return std::string("no setuid");
        Cars[0].Cash = 1;
        bool saved = SaveCareer();
        return std::string(saved ? "saved" : "refused") + "|" + MessageLog().back();
    });
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(heard.substr(0, 8), "refused|");
    EXPECT_NE(heard.find(folder + "/"), std::string::npos) << heard;
    EXPECT_NE(heard.find("Permission denied"), std::string::npos) << heard;
    EXPECT_EQ(Slurp(CareerPath("Ann")), before);
}

TEST_F(CareerFiles, KillingASaveAtAnyMomentLeavesTheOldOrTheNewCareerWhole) {
    std::string versions[2];
    for (int v = 0; v < 2; ++v) {
        Cars[0].Cash = 1000 + v;
        ASSERT_TRUE(SaveCareer());
        versions[v] = Slurp(CareerPath("Ann"));
    }
    std::string list = Slurp(ListPath());
    for (int saves : {1, 2, 5, 13, 40, 97}) {
        int ticks[2];
        ASSERT_EQ(pipe(ticks), 0);
        pid_t child = fork();
        if (child == 0) {
            for (int n = 0;; ++n) {
                Cars[0].Cash = 1000 + n % 2;
                SaveCareer();
                if (write(ticks[1], "s", 1) != 1) _exit(1);
            }
        }
        close(ticks[1]);
        char tick;
        for (int n = 0; n < saves; ++n) ASSERT_EQ(read(ticks[0], &tick, 1), 1);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(ticks[0]);
        std::string career = Slurp(CareerPath("Ann"));
        EXPECT_TRUE(career == versions[0] || career == versions[1]) << "after " << saves << " saves";
        EXPECT_EQ(Slurp(ListPath()), list);
    }
}

// Two games saving new drivers at the same moment, again and again: the lock on the folder
// keeps each from writing the list over the other's driver.
TEST_F(CareerFiles, TwoGamesSavingAtOnceKeepEachOthersDrivers) {
    for (int round = 0; round < 6; ++round) {
        WriteFileText(ListPath(), Blanks(90));
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t games[2];
        for (int game = 0; game < 2; ++game) {
            games[game] = fork();
            if (games[game] == 0) {
                close(go[1]);
                char start;
                if (read(go[0], &start, 1) != 1) _exit(3);
                for (int driver = 0; driver < 2; ++driver) {
                    DriverNames[PlayerNameEntry] =
                        std::string(1, static_cast<char>('A' + game)) + std::to_string(driver);
                    if (!SaveCareer()) _exit(1);
                }
                _exit(0);
            }
        }
        close(go[0]);
        ASSERT_EQ(write(go[1], "go", 2), 2);
        close(go[1]);
        for (pid_t game : games) {
            int status = 0;
            waitpid(game, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        auto slots = ReadCareerSlots();
        for (const char* name : {"A0", "A1", "B0", "B1"})
            EXPECT_NE(std::find(slots.begin(), slots.end(), " " + std::string(name) + Blanks(12)),
                      slots.end())
                << name << " is missing after round " << round;
    }
    // A game that keeps the folder locked past a few seconds is waited for no longer.
    FolderLock other(AppPath() + "/saves", 0);
    DriverNames[PlayerNameEntry] = "C0";
    EXPECT_FALSE(SaveCareer());
    EXPECT_EQ(MessageLog().back(),
              "The career was not saved. The folder " + AppPath() +
                  "/saves is in use by another copy of the game; try again in a moment.");
}

// ----- Names -----

class UnsafeNames : public CareerFiles, public ::testing::WithParamInterface<const char*> {};
TEST_P(UnsafeNames, AreRefusedAndNothingIsWritten) {
    std::string name = GetParam();
    EXPECT_NE(DriverNameProblem(name), "") << name;
    DriverNames[PlayerNameEntry] = name;
    EXPECT_FALSE(SaveCareer());
    EXPECT_EQ(MessageLog().back().rfind("The career was not saved. A driver's name", 0), 0u);
    EXPECT_EQ(Slurp(ListPath()), Blanks(90));
    EXPECT_EQ(std::distance(fs::directory_iterator(AppPath() + "/saves"), fs::directory_iterator()), 1);
}
INSTANTIATE_TEST_SUITE_P(CareerFiles, UnsafeNames,
                         ::testing::Values("", "   ", ".", "..", " . .", "../x", "a\\b", "C:", "a*",
                                           "why?", "\"q\"", "<a>", "a|b", "tab\there", "bell\a",
                                           "del\x7f", "\xff\xfe", "\xc3", " Ann", "Fifteen chars!!",
                                           "CON", "nul.txt", "Com1", "lpt9 ", "aux  .x"));

TEST(DriverNames, TheCommandLineRefusesAnUnsafeName) {
    const char* argv[] = {"gravel-ghosts", "--name", "../Ann"};
    GameOptions options;
    std::string error;
    EXPECT_FALSE(ParseOptions(3, const_cast<char**>(argv), options, error));
    EXPECT_EQ(error, "--name '../Ann': A driver's name cannot hold the character /.");
}

TEST(DriverNames, PlainNamesPass) {
    for (const char* name : {"Ann", "Ann" "            ", "Jos\xc3\xa9", "Mary-Jo O'Neil", "R2.D2",
                             "Conrad", "COM10", "...Ann", "x"})
        EXPECT_EQ(DriverNameProblem(name), "") << name;
}

}  // namespace
