// The installed game: cmake --install into a private prefix, the installed program run
// headless by a session script with a private HOME and data folder, and what it wrote
// looked for where a player would find it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "platform/platform.h"
#include "test_support.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Ran {
    int Status = -1;
    std::string Out, Err;
};

// Runs a program with exactly the environment given, its output caught in files.
Ran RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env,
        const std::string& folder) {
    std::string outFile = folder + "/out.txt", errFile = folder + "/err.txt";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    Ran ran;
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        ran.Err = "cannot start " + args[0];
        return ran;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ran.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    ran.Out = ReadFileText(outFile, 64u << 20);
    ran.Err = ReadFileText(errFile);
    return ran;
}

std::string Path() {
    const char* path = std::getenv("PATH");
    return std::string("PATH=") + (path ? path : "/usr/bin:/bin");
}

// Every file under a folder with its size and time, to notice anything written there.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        files[entry.path().string()] =
            std::to_string(info.st_size) + "@" + std::to_string(info.st_mtim.tv_sec) + "." +
            std::to_string(info.st_mtim.tv_nsec);
    }
    return files;
}

// A private prefix holding a fresh install of this build, and a place for a player's
// HOME; the test's folder goes with the test process.
struct Installed {
    std::string Folder, Prefix, Program, Home;

    Installed() {
        Folder = TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Prefix = Folder + "/prefix";
        Program = Prefix + "/bin/gravel-ghosts";
        Home = Folder + "/home";
        MakeFolder(Home);
        Ran install = RunProgram({GG_CMAKE, "--install", GG_BINARY_DIR, "--prefix", Prefix}, {Path()}, Folder);
        EXPECT_EQ(install.Status, 0) << install.Out << install.Err;
    }

    // The installed game playing a script, with XDG_DATA_HOME only when one is given.
    Ran Play(const std::string& script, const std::string& dataHome = "") const {
        WriteFileText(Folder + "/script.txt", script);
        std::vector<std::string> env = {Path(), "HOME=" + Home, "SDL_AUDIODRIVER=dummy"};
        if (!dataHome.empty()) env.push_back("XDG_DATA_HOME=" + dataHome);
        return RunProgram({Program, "--headless", "--session", Folder + "/script.txt", "--mute"}, env,
                   Folder);
    }
};

const std::string BlankList(90, ' ');
const std::string NewCareerSavedAfterARace =
    "click Label1\nclick Label21\ntype Ann\nkey Enter\nclick Label16\nrace autopilot\n"
    "click RaceWindow.Label19\ndump\n";

// A PNG's width and height, from its header.
std::pair<int, int> PngSize(const std::string& path) {
    std::string bytes = ReadFileText(path);
    if (bytes.size() < 24 || bytes.substr(1, 3) != "PNG") return {0, 0};
    auto word = [&](std::size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
               (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
    };
    return {word(16), word(20)};
}

}  // namespace

TEST(Install, PutsTheProgramItsDataAMenuEntryAndTheIconsUnderThePrefix) {
    Installed game;
    EXPECT_EQ(::access(game.Program.c_str(), X_OK), 0);
    std::string share = game.Prefix + "/share/gravel-ghosts";
    for (int course = 1; course <= 14; ++course)
        EXPECT_TRUE(FileExists(share + "/resources/Map" + std::to_string(course) + ".ddt")) << course;
    EXPECT_TRUE(FileExists(share + "/graphics/car256.bmp"));
    EXPECT_TRUE(FileExists(share + "/soundfx/bell1.wav"));
    // Only the empty list: whatever careers the build's own saves/ holds stay there.
    EXPECT_EQ(ReadFileText(share + "/saves/saves.lst"), BlankList);
    EXPECT_EQ(std::distance(fs::directory_iterator(share + "/saves"), fs::directory_iterator()), 1);

    for (int size : {16, 32, 48, 64, 128, 256}) {
        std::string edge = std::to_string(size);
        EXPECT_EQ(PngSize(game.Prefix + "/share/icons/hicolor/" + edge + "x" + edge +
                          "/apps/gravel-ghosts.png"),
                  std::make_pair(size, size));
    }

    std::string entry = game.Prefix + "/share/applications/gravel-ghosts.desktop";
    std::string text = ReadFileText(entry);
    EXPECT_NE(text.find("\nExec=\"" + game.Program + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=gravel-ghosts\n"), std::string::npos) << text;
    Ran valid = RunProgram({"desktop-file-validate", entry}, {Path()}, game.Folder);
    EXPECT_EQ(valid.Status, 0) << "desktop-file-validate (Debian's desktop-file-utils, which "
                                  "scripts/setup installs): "
                               << valid.Out << valid.Err;
}

// The first run makes the player's saves folder with the empty list; a career saved after
// a race lands beside it, and nothing at all is written into the install.
TEST(Install, CareersGoToThePlayersDataFolderAndNothingIntoThePrefix) {
    Installed game;
    std::string dataHome = game.Folder + "/data home";
    std::string saves = dataHome + "/gravel-ghosts/saves";
    std::map<std::string, std::string> before = Tree(game.Prefix);

    Ran first = game.Play("dump\n", dataHome);
    ASSERT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(ReadFileText(saves + "/saves.lst"), BlankList);

    Ran second = game.Play(NewCareerSavedAfterARace, dataHome);
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
    std::string list = " Bob" + std::string(86, ' ') + "\r\n";
    std::string career(765, '0');
    WriteFileText(saves + "/saves.lst", list);
    WriteFileText(saves + "/Bob            .sav", career);
    std::map<std::string, std::string> before = Tree(saves);

    Ran run = game.Play("click Label1\nclick Label18\ndump\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("Bob"), std::string::npos) << run.Out;
    EXPECT_EQ(Tree(saves), before);
    EXPECT_EQ(ReadFileText(saves + "/saves.lst"), list);
}

// A data folder that cannot be made is named at start-up; the game goes on, a save says
// why it failed, and the install is left as it was.
TEST(Install, AFolderThatCannotBeMadeIsNamedAndTheGameGoesOn) {
    Installed game;
    std::string notAFolder = game.Folder + "/plain-file";
    WriteFileText(notAFolder, "not a folder");
    std::map<std::string, std::string> before = Tree(game.Prefix);

    Ran run = game.Play("dump\nkey Enter\n" + NewCareerSavedAfterARace + "key Enter\n", notAFolder);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find(notAFolder + "/gravel-ghosts/saves cannot be created"),
              std::string::npos)
        << run.Err;
    EXPECT_NE(run.Out.find("Careers cannot be saved."), std::string::npos);
    EXPECT_NE(run.Out.find("The career was not saved."), std::string::npos);
    EXPECT_EQ(ReadFileText(notAFolder), "not a folder");
    EXPECT_EQ(Tree(game.Prefix), before);
}

// A game run from its build folder keeps its careers beside itself, whatever the player's
// data folder is: a copy of the program with the data beside it stands for the build.
TEST(Install, RunFromTheBuildTheCareersStayBesideTheProgram) {
    std::string folder = TempFolder("build-layout");
    for (const char* sub : {"graphics", "resources", "soundfx"})
        fs::create_directory_symlink(GameDir() + "/" + sub, folder + "/" + sub);
    MakeFolder(folder + "/saves");
    WriteFileText(folder + "/saves/saves.lst", BlankList);
    fs::copy_file(GameDir() + "/gravel-ghosts", folder + "/gravel-ghosts");
    std::string dataHome = folder + "/data-home", home = folder + "/home";
    MakeFolder(home);
    WriteFileText(folder + "/script.txt", NewCareerSavedAfterARace);

    Ran run = RunProgram({folder + "/gravel-ghosts", "--headless", "--session", folder + "/script.txt", "--mute"},
                  {Path(), "HOME=" + home, "XDG_DATA_HOME=" + dataHome, "SDL_AUDIODRIVER=dummy"},
                  folder);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileText(folder + "/saves/saves.lst").substr(0, 15), " Ann           ");
    EXPECT_FALSE(fs::exists(dataHome));
    EXPECT_TRUE(fs::is_empty(home));
}
