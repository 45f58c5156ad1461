// The installed game: cmake --install into a private prefix, the installed program run
// headless by a session script with a private HOME and data folder, and what it wrote
// looked for where a player would find it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "platform/platform.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Ran {
    int Status = -1;
    std::string Out, Err;
};

// Runs a program with exactly the environment given (plus PATH, and the sanitizers'
// settings, whose leak suppressions a sanitized game needs), its output caught in files of
// the folder.
Ran RunProgram(std::vector<std::string> args, std::vector<std::string> env,
               const std::string& folder) {
    const char* path = std::getenv("PATH");
    env.push_back(std::string("PATH=") + (path ? path : "/usr/bin:/bin"));
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (folder + "/out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, (folder + "/err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    Ran ran;
    if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) == 0 &&
        waitpid(pid, &status, 0) == pid)
        ran.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    posix_spawn_file_actions_destroy(&files);
    ran.Out = ReadFileText(folder + "/out", 64u << 20);
    ran.Err = ReadFileText(folder + "/err");
    return ran;
}

// Every file under a folder with its size and time, to notice anything written there.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        files[entry.path().string()] = std::to_string(info.st_size) + "@" +
                                       std::to_string(info.st_mtim.tv_sec) + "." +
                                       std::to_string(info.st_mtim.tv_nsec);
    }
    return files;
}

// A fresh install of this build in a private prefix, and an empty HOME for the player.
struct Installed {
    std::string Folder =
        TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string Prefix = Folder + "/prefix", Program = Prefix + "/bin/gravel-ghosts";
    std::string Home = Folder + "/home";

    Installed() {
        MakeFolder(Home);
        Ran install =
            RunProgram({GG_CMAKE, "--install", GG_BINARY_DIR, "--prefix", Prefix}, {}, Folder);
        EXPECT_EQ(install.Status, 0) << install.Out << install.Err;
    }

    // The installed game playing a script; XDG_DATA_HOME is set only when one is given.
    Ran Play(const std::string& script, const std::string& dataHome = "") const {
        WriteFileText(Folder + "/script.txt", script);
        std::vector<std::string> env = {"HOME=" + Home, "SDL_AUDIODRIVER=dummy"};
        if (!dataHome.empty()) env.push_back("XDG_DATA_HOME=" + dataHome);
        return RunProgram({Program, "--headless", "--session", Folder + "/script.txt", "--mute"},
                          env, Folder);
    }
};

const std::string BlankList(90, ' ');
const std::string SaveAfterARace =
    "click Label1\nclick Label21\ntype Ann\nkey Enter\nclick Label16\nrace autopilot\n"
    "wait 500\nkey Enter\n"  // past the results board, to the pre-race panel
    "click RaceWindow.Label19\ndump\n";

}  // namespace

TEST(Install, PutsTheProgramItsDataAMenuEntryAndTheIconsUnderThePrefix) {
    Installed game;
    EXPECT_EQ(::access(game.Program.c_str(), X_OK), 0);
    std::string share = game.Prefix + "/share/gravel-ghosts";
    for (int course = 1; course <= 14; ++course)
        EXPECT_TRUE(FileExists(share + "/resources/Map" + std::to_string(course) + ".ddt"))
            << course;
    EXPECT_TRUE(FileExists(share + "/graphics/car256.bmp"));
    EXPECT_TRUE(FileExists(share + "/soundfx/bell1.wav"));
    // The proof runs a Time Trial shows as par before the player has a record.
    EXPECT_TRUE(FileExists(share + "/runs/course01.keys") && FileExists(share + "/runs/course01.sav"));
    // Only the empty list: whatever careers the build's own saves/ holds stay there.
    EXPECT_EQ(ReadFileText(share + "/saves/saves.lst"), BlankList);
    EXPECT_EQ(std::distance(fs::directory_iterator(share + "/saves"), fs::directory_iterator()), 1);

    for (int size : {16, 32, 48, 64, 128, 256}) {
        std::string edge = std::to_string(size);
        std::string png = ReadFileText(game.Prefix + "/share/icons/hicolor/" + edge + "x" + edge +
                                       "/apps/gravel-ghosts.png");
        ASSERT_GE(png.size(), 24u) << size;
        EXPECT_EQ(png.substr(1, 3), "PNG");
        // The header's width and height, big-endian from byte 16.
        auto word = [&](std::size_t at) {
            int value = 0;
            for (std::size_t i = at; i < at + 4; ++i)
                value = value << 8 | static_cast<unsigned char>(png[i]);
            return value;
        };
        EXPECT_EQ(word(16), size);
        EXPECT_EQ(word(20), size);
    }

    std::string entry = game.Prefix + "/share/applications/gravel-ghosts.desktop";
    std::string text = ReadFileText(entry);
    EXPECT_NE(text.find("\nExec=\"" + game.Program + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=gravel-ghosts\n"), std::string::npos) << text;
    Ran valid = RunProgram({"desktop-file-validate", entry}, {}, game.Folder);
    EXPECT_EQ(valid.Status, 0) << "desktop-file-validate (desktop-file-utils, which scripts/setup "
                                  "installs): "
                               << valid.Out << valid.Err;
}

// The first run makes the player's saves folder with the empty list; a career saved after
// a race lands beside it, and nothing at all is written into the install or HOME.
TEST(Install, CareersGoToThePlayersDataFolderAndNothingIntoThePrefix) {
    Installed game;
    std::string dataHome = game.Folder + "/data home", saves = dataHome + "/gravel-ghosts/saves";
    std::map<std::string, std::string> before = Tree(game.Prefix);

    Ran first = game.Play("dump\n", dataHome);
    ASSERT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(ReadFileText(saves + "/saves.lst"), BlankList);

    Ran second = game.Play(SaveAfterARace, dataHome);
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_NE(second.Out.find("\"Saved...\""), std::string::npos) << second.Out;
    EXPECT_EQ(ReadFileText(saves + "/saves.lst").substr(0, 15), " Ann           ");
    EXPECT_EQ(ReadFileText(saves + "/Ann            .sav").size(), 765u);
    EXPECT_EQ(Tree(game.Prefix), before);
    EXPECT_TRUE(fs::is_empty(game.Home));
}

// Without XDG_DATA_HOME the careers live under ~/.local/share, and a folder that already
// holds them is read, not replaced.
TEST(Install, ExistingCareersInTheDefaultFolderAreListedAndKept) {
    Installed game;
    std::string saves = game.Home + "/.local/share/gravel-ghosts/saves";
    MakeFolder(saves);
    WriteFileText(saves + "/saves.lst", " Bob" + std::string(86, ' ') + "\r\n");
    WriteFileText(saves + "/Bob            .sav", std::string(765, '0'));
    std::map<std::string, std::string> before = Tree(saves);

    Ran run = game.Play("click Label1\nclick Label18\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("Bob"), std::string::npos) << run.Out;
    EXPECT_EQ(Tree(saves), before);
}

// A data folder that cannot be made is named at start-up; the game goes on, a save says
// why it failed, and the install is left as it was.
TEST(Install, AFolderThatCannotBeMadeIsNamedAndTheGameGoesOn) {
    Installed game;
    std::string notAFolder = game.Folder + "/plain-file";
    WriteFileText(notAFolder, "not a folder");
    std::map<std::string, std::string> before = Tree(game.Prefix);

    Ran run = game.Play("dump\nkey Enter\n" + SaveAfterARace + "key Enter\n", notAFolder);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find(notAFolder + "/gravel-ghosts/saves cannot be created"),
              std::string::npos)
        << run.Err;
    EXPECT_NE(run.Out.find("Careers cannot be saved."), std::string::npos);
    EXPECT_NE(run.Out.find("The career was not saved."), std::string::npos);
    EXPECT_EQ(ReadFileText(notAFolder), "not a folder");
    EXPECT_EQ(Tree(game.Prefix), before);
}

// Run from the build, careers stay beside the program whatever the player's data folder
// is: a copy of the program with the data beside it stands for the build.
TEST(Install, RunFromTheBuildTheCareersStayBesideTheProgram) {
    std::string folder = TempFolder("build-layout"), dataHome = folder + "/data-home";
    for (const char* sub : {"graphics", "resources", "soundfx"})
        fs::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    MakeFolder(folder + "/saves");
    WriteFileText(folder + "/saves/saves.lst", BlankList);
    fs::copy_file(GameDir() + "/gravel-ghosts", folder + "/gravel-ghosts");
    WriteFileText(folder + "/script.txt", SaveAfterARace);

    Ran run = RunProgram(
        {folder + "/gravel-ghosts", "--headless", "--session", folder + "/script.txt", "--mute"},
        {"HOME=" + folder + "/no-home", "XDG_DATA_HOME=" + dataHome, "SDL_AUDIODRIVER=dummy"},
        folder);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileText(folder + "/saves/saves.lst").substr(0, 15), " Ann           ");
    EXPECT_FALSE(fs::exists(dataHome));
    EXPECT_FALSE(fs::exists(folder + "/no-home"));
}
