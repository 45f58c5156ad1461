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

#include "frontend/frontend.h"
#include "race_test_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) { return fs::exists(path) ? ReadFileText(path) : "<missing>"; }
std::string Blanks(int n) { return std::string(n, ' '); }
std::string ListPath() { return AppPath() + "/saves/saves.lst"; }
std::string CareerPath(const std::string& name) {
    return AppPath() + "/saves/" + name + Blanks(15 - static_cast<int>(name.size())) + ".sav";
}
std::string ListOf(std::initializer_list<std::string> names) {
    std::string list;
    for (const std::string& n : names) list += n.empty() ? Blanks(15) : " " + n + Blanks(14 - static_cast<int>(n.size()));
    return list + "\r\n";
}
std::set<std::string> SavesFolder() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(AppPath() + "/saves")) names.insert(entry.path().filename().string());
    return names;
}

class CareerFiles : public RaceScreenTest {
protected:
    void SetUp() override {
        RaceScreenTest::SetUp();
        MakeFolder(AppPath() + "/saves");
        WriteFileText(ListPath(), Blanks(90));
        BeforeAtomicRename = nullptr;
    }
    void TearDown() override { BeforeAtomicRename = nullptr; }
    static void SaveAs(const std::string& name, bool saved = true) {
        DriverNames[PlayerNameEntry] = name;
        EXPECT_EQ(SaveCareer(), saved) << name;
    }
};

TEST_F(CareerFiles, EachDriverKeepsOneSlotAndAFullListRefusesOnlyNewcomers) {
    SaveAs("Ann"), SaveAs("Bob");
    Cars[0].Cash = 4321;
    SaveAs("Ann");  // rewrites Ann's career only
    Cars[0].Cash = 1;
    SaveAs("ANN");  // another driver, never Ann's file
    EXPECT_EQ(Slurp(ListPath()), ListOf({"Ann", "Bob", "ANN", "", "", ""}));
    EXPECT_EQ(Slurp(CareerPath("Ann")).substr(80, 5), "04321");

    const std::string full = ListOf({"A", "B", "C", "D", "E", ""});  // slot 6 is never given out
    WriteFileText(ListPath(), full);
    DriverNames[PlayerNameEntry] = "Dee";
    Panel.SaveCareer->Click();
    EXPECT_EQ(std::tuple(MessageLog().back(), Panel.SaveCareer->Caption + "/" + Panel.Status->Caption,
                         RaceWindow->Visible && FlashBox->Visible, Slurp(ListPath()), fs::exists(CareerPath("Dee"))),
              std::tuple("No slots available", "Save Career/", true, full, false));  // and the game goes on
    SaveAs("C");
}

// However its lines end and however much of its padding survived, a slot is still its
// driver. A list no game of ours could have written is never written over: it is kept
// whole under a dated name, the player is told, and the save goes into a new list.
TEST_F(CareerFiles, TheListIsReadBySlotsWhateverItsLineEndsAndPaddingOrSetAside) {
    const std::string ann = " Ann" + Blanks(11), bob = " Bob" + Blanks(11);
    for (const std::string& text : {ann + " Bo" + "b", ann + "\r\n" + bob + "\r\n" + Blanks(15) + "\r\n",
                                    std::string(" Ann\n Bob\n\n\n"), std::string(" Ann\r Bob\r")}) {
        WriteFileText(ListPath(), text);
        SaveAs("Cy");
        EXPECT_EQ(Slurp(ListPath()), ListOf({"Ann", "Bob", "Cy", "", "", ""})) << text;
    }
    WriteFileText(ListPath(), " A\r\n B\r\n C\r\n D\r\n E\r\n"), SaveAs("Ann", false);  // five drivers a line each
    EXPECT_EQ(MessageLog().back(), "No slots available");
    const std::regex told(R"(The career list could not be understood, so it was kept as )"
                          R"((saves\.lst\.20\d\d-\d\d-\d\d-\d{6}) and a new list was started\.)");
    for (const std::string& puzzle : {std::string(" A\n B\n C\n D\n E\n F\n G\n"), "Ann" + Blanks(12),
                                      std::string("\x7f" "ELF\x02\x01\x01\0\0", 9)}) {
        fs::remove_all(AppPath() + "/saves");  // a missing folder or list is an empty one
        EXPECT_EQ(ReadCareerSlots()[0], Blanks(15));
        MakeFolder(AppPath() + "/saves");
        WriteFileText(ListPath(), puzzle);
        SaveAs("Ann");
        EXPECT_EQ(Slurp(ListPath()), ListOf({"Ann", "", "", "", "", ""}));
        std::smatch kept;
        ASSERT_TRUE(std::regex_match(MessageLog().back(), kept, told)) << MessageLog().back();
        EXPECT_EQ(Slurp(AppPath() + "/saves/" + kept[1].str()), puzzle);
    }
}

// Fields are whole numbers, halves to the even neighbour, 0 to 99999 so that a field never
// takes a sixth character; loading and saving again gives the same bytes.
TEST_F(CareerFiles, FieldsAreRoundedAndCappedAndComeBackAsSaved) {
    CurrentCourse = 7;
    Cars[0].Accel = 3.49f, Cars[0].Tyres = 2.5f, Cars[0].Engine = 3.5f, Cars[0].Body = 37.6f;
    Cars[0].Cash = 2468, Cars[0].BodyLevel = 2;
    Cars[5].TopSpeed = 305, Cars[5].EngineLevel = 3;
    Cars[8].Cash = CashCap - 50;
    EarnCash(8, 100), EarnCash(8, 1200);  // a pickup and a prize at the cap
    Cars[3].Cash = 1000000;  // from before the cap
    Cars[4].Body = -3;       // a wreck
    SaveAs("Ann");
    std::string saved = Slurp(CareerPath("Ann"));
    ASSERT_EQ(saved.size(), 765u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(saved.substr(85 * i, 5), "00007") << "record " << i;
    // Car 0: accel and tyres at 16-25, engine at 31, body and its level at 51-60, cash at 81.
    EXPECT_EQ(saved.substr(15, 10) + saved.substr(30, 5), "000030000200004");
    EXPECT_EQ(saved.substr(50, 10) + saved.substr(80, 5), "000380000202468");
    EXPECT_EQ(saved.substr(85 * 3 + 80, 5) + saved.substr(85 * 4 + 50, 5) + saved.substr(85 * 8 + 80, 5),
              "999990000099999");

    NewCareer();
    DriverNames[PlayerNameEntry] = "Ann" + Blanks(12);  // as the Load Game panel hands it over
    ASSERT_TRUE(LoadCareer());
    EXPECT_EQ(std::tuple(CourseField->Caption, Cars[0].Cash, Cars[0].Accel, Cars[0].Body, Cars[5].EngineLevel),
              std::tuple("Course7", 2468, 3.0f, 38.0f, i16(3)));
    EXPECT_EQ(DamFill->Width, 1680 * 38 / 100 / 15);
    Cars[4].Body = -3;  // the race set-up mends the opponents
    SaveAs("Ann");
    EXPECT_EQ(Slurp(CareerPath("Ann")), saved);

    // Each field is read leniently in its own five characters.
    std::string text = saved;
    text.replace(10, 5, " 2 7 ");       // top speed: blanks are skipped
    text.replace(80, 5, "cash!");       // no digits reads as 0
    text.replace(85 + 10, 5, "12abc");  // car 1's top speed: digits up to the first letter
    WriteFileText(CareerPath("Ann"), text + "\r\n");  // a line break added by an editor
    ASSERT_TRUE(LoadCareer());
    EXPECT_EQ(std::tuple(Cars[0].TopSpeed, Cars[0].Cash, Cars[1].TopSpeed, Cars[1].Cash),
              std::tuple(i16(27), 0, i16(12), 100));
    // The steering counts, kept in a byte, round halves to even as every other field does.
    // The grid sets them again on a good load, so a refused one (a tyre level past the
    // catalogue) shows them as read.
    for (auto [car, count] : {std::pair{0, "  2.5"}, {1, "  3.5"}, {2, "  2.7"}}) text.replace(85 * car + 5, 5, count);
    WriteFileText(CareerPath("Ann"), text.replace(60, 5, "00011"));
    EXPECT_FALSE(LoadCareer());
    EXPECT_EQ(std::tuple(Cars[0].SteerCount, Cars[1].SteerCount, Cars[2].SteerCount), std::tuple(2, 4, 3));
}

// Each row damages the saved career; the load must fail with the front end left alone,
// saying why when the file was read but no race could be finished with it.
struct Damage {
    const char* Name;
    int At;              // a field written over, or -1
    const char* Field;
    const char* Gone;    // a file removed, or ""
    const char* Says = "";
    const char* Driver = "Ann";
};
class DamagedCareer : public CareerFiles, public ::testing::WithParamInterface<Damage> {};
TEST_P(DamagedCareer, LoadFailsAndShowsNoRaceWindow) {
    const Damage& d = GetParam();
    CurrentCourse = 4;
    SaveAs("Ann");
    HideForm(RaceWindow);
    if (d.At >= 0) WriteFileText(CareerPath("Ann"), Slurp(CareerPath("Ann")).replace(d.At, 5, d.Field));
    if (*d.Gone) fs::remove(AppPath() + "/" + d.Gone);
    DriverNames[PlayerNameEntry] = d.Driver;
    EXPECT_FALSE(LoadCareer());
    EXPECT_FALSE(RaceWindow->Visible);
    EXPECT_EQ(CareerLoadProblem, d.Says);
}
INSTANTIATE_TEST_SUITE_P(
    CareerFiles, DamagedCareer,
    ::testing::Values(
        Damage{"Missing", -1, "", "saves/Ann            .sav"},
        Damage{"OneCharacterShort", 0, "0004", ""},
        Damage{"CourseFileGone", -1, "", "resources/Map4.ddt"},
        Damage{"PreviewPictureGone", -1, "", "graphics/bigmap4.bmp"},
        Damage{"CourseNumberGarbled", 85 * 8, "xxxxx", ""},  // the last record's course counts
        Damage{"PlayerWithoutBodyMax", 45, "00000", "", "Not raceable: your car's body maximum is 0."},
        // A car that cannot move, or that no computer driver drives, never finishes.
        Damage{"PlayerWithoutTopSpeed", 10, "00000", "", "Not raceable: your car's top speed is 0."},
        Damage{"RivalWithoutTargetSpeed", 85 * 2 + 70, "00000", "", "Not raceable: car 2's target speed is 0."},
        Damage{"RivalWithoutTyres", 85 * 8 + 25, "-0003", "", "Not raceable: car 8's tyre maximum is -3."},
        // The catalogue has eleven entries, 0 to 10; the shop would read past its end.
        Damage{"PlayerTyreLevelEleven", 60, "00011", ""},
        Damage{"RivalEngineLevelBelowZero", 85 * 3 + 65, "-0001", ""},
        Damage{"NameFromAnEditedList", -1, "", "", "", "../../Ann      "}),
    [](const auto& info) { return std::string(info.param.Name); });

// ----- Faults while saving -----

TEST_F(CareerFiles, AFailureBeforeTheRenameLeavesTheOldFilesWholeAndNoCopies) {
    SaveAs("Ann");
    std::string before = Slurp(CareerPath("Ann")), list = Slurp(ListPath());
    BeforeAtomicRename = [](const std::string&) { throw FileError("the disk was pulled"); };
    Cars[0].Cash = 777;
    SaveAs("Ann", false);
    EXPECT_NE(MessageLog().back().find("the disk was pulled"), std::string::npos);
    EXPECT_EQ(Slurp(CareerPath("Ann")), before);
    // A new driver whose list cannot be written keeps the old list.
    BeforeAtomicRename = [](const std::string& path) {
        if (path.ends_with("saves.lst")) throw FileError("the disk was pulled");
    };
    SaveAs("Bob", false);
    EXPECT_EQ(Slurp(ListPath()), list);
    std::set<std::string> saved = {"saves.lst", "Ann            .sav", "Bob            .sav", ".lock"};
    EXPECT_EQ(SavesFolder(), saved);
    // A save killed before its rename leaves its copy: the next save clears such copies
    // away, and nothing else.
    for (const char* name : {".saves.lst.Ab12Cd", ".Ann            .sav.x9Y8z7", ".notes.txt.Ab12Cd",
                             ".saves.lst.Ab12C", "Ann.sav.Ab12Cd"})
        WriteFileText(AppPath() + "/saves/" + name, "half");
    BeforeAtomicRename = nullptr;
    SaveAs("Bob");
    saved.insert({".notes.txt.Ab12Cd", ".saves.lst.Ab12C", "Ann.sav.Ab12Cd"});
    EXPECT_EQ(SavesFolder(), saved);
}

TEST_F(CareerFiles, AListOrFolderThatIsThereButCannotBeUsedIsNamedAndLeftAlone) {
    fs::remove(ListPath());
    fs::create_directory(ListPath());  // as unreadable as a list can be, even for root
    SaveAs("Ann", false);
    EXPECT_NE(MessageLog().back().find("saves.lst"), std::string::npos) << MessageLog().back();
    EXPECT_TRUE(fs::is_directory(ListPath()));
    EXPECT_FALSE(fs::exists(CareerPath("Ann")));
    EXPECT_EQ(ReadCareerSlots()[0], Blanks(15));  // Load Game shows blank slots
    // saves/ as a link to a folder that has gone: named as such, not "File exists".
    fs::remove_all(AppPath() + "/saves");
    fs::create_directory_symlink(AppPath() + "/gone", AppPath() + "/saves");
    SaveAs("Ann", false);
    EXPECT_NE(MessageLog().back().find("it is a link to " + AppPath() + "/gone, which does not exist"),
              std::string::npos)
        << MessageLog().back();
}

TEST_F(CareerFiles, AReadOnlyFolderIsNamedInAMessageAndTheGameGoesOn) {
    SaveAs("Ann");
    std::string before = Slurp(CareerPath("Ann")), folder = AppPath() + "/saves";
    chmod(folder.c_str(), 0555);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    if (fork() == 0) {  // a player, not root, who writes anywhere
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        std::string said = SaveCareer() ? "saved|" : "refused|";
        said += MessageLog().back();
        _exit(write(out[1], said.data(), said.size()) < 0);
    }
    close(out[1]);
    char heard[1024];
    ssize_t got = read(out[0], heard, sizeof heard);
    close(out[0]), wait(nullptr), chmod(folder.c_str(), 0755);
    EXPECT_EQ(std::string(heard, std::max<ssize_t>(got, 0)), "refused|The career was not saved. The career file " + folder + "/Ann            .sav cannot be written: Permission denied.");
    EXPECT_EQ(Slurp(CareerPath("Ann")), before);
}

TEST_F(CareerFiles, KillingASaveAtAnyMomentLeavesTheOldOrTheNewCareerWhole) {
    std::string versions[2];
    for (int v = 0; v < 2; ++v) Cars[0].Cash = 1000 + v, SaveAs("Ann"), versions[v] = Slurp(CareerPath("Ann"));
    std::string list = Slurp(ListPath());
    for (int saves : {1, 2, 5, 13, 40, 97}) {
        int ticks[2];
        ASSERT_EQ(pipe(ticks), 0);
        pid_t child = fork();
        for (int n = 0; child == 0; ++n) {
            Cars[0].Cash = 1000 + n % 2;
            SaveCareer();
            if (write(ticks[1], "s", 1) != 1) _exit(1);
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

// A game that keeps the folder locked past a few seconds is waited for no longer.
TEST_F(CareerFiles, AFolderLockedByAnotherGameIsNamedAndNothingIsWritten) {
    FolderLock other(AppPath() + "/saves", 0);
    SaveAs("C0", false);
    EXPECT_EQ(MessageLog().back(), "The career was not saved. The folder " + AppPath() +
                                       "/saves is in use by another copy of the game; try again in a moment.");
    EXPECT_EQ(Slurp(ListPath()), Blanks(90));
}

// ----- Names -----

TEST_F(CareerFiles, UnsafeNamesAreRefusedWithNothingWrittenAndPlainOnesPass) {
    for (const char* name : {"", "   ", ".", "..", " . .", "../x", "a\\b", "C:", "a*", "why?", "\"q\"", "<a>",
                             "a|b", "tab\there", "bell\a", "del\x7f", "\xff\xfe", "\xc3", " Ann",
                             "Fifteen chars!!", "CON", "nul.txt", "Com1", "lpt9 ", "aux  .x"}) {
        SaveAs(name, false);
        EXPECT_EQ(MessageLog().back().rfind("The career was not saved. A driver's name", 0), 0u) << name;
    }
    EXPECT_EQ(Slurp(ListPath()), Blanks(90));
    EXPECT_EQ(SavesFolder(), std::set<std::string>{"saves.lst"});
    for (const char* name : {"Ann", "Ann            ", "Jos\xc3\xa9", "Mary-Jo O'Neil", "R2.D2", "Conrad",
                             "COM10", "...Ann", "x"})
        EXPECT_EQ(DriverNameProblem(name), "") << name;
    const char* argv[] = {"gravel-ghosts", "--name", "../Ann"};
    GameOptions options;
    std::string error;
    EXPECT_FALSE(ParseOptions(3, const_cast<char**>(argv), options, error));
    EXPECT_EQ(error, "--name '../Ann': A driver's name cannot hold the character /.");
}

}  // namespace
