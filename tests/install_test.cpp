// The installed game: cmake --install into a private prefix, the installed program run
// headless by a session script with a private HOME and data folder, and what it wrote
// looked for where a player would find it.
#include <gtest/gtest.h>
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

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Runs a program with exactly the environment given (plus PATH, and the sanitizers'
// settings, whose leak suppressions a sanitized game needs), its output caught in files of
// the folder.
Ran RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env,
               const std::string& folder) {
    std::string command = "env -i PATH=\"$PATH\"";
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name)) command += std::string(" ") + name + "=" + Quoted(value);
    for (const std::string& word : env) command += " " + Quoted(word);
    for (const std::string& word : args) command += " " + Quoted(word);
    int status = std::system((command + " >" + Quoted(folder + "/out") + " 2>" + Quoted(folder + "/err")).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileText(folder + "/out", 64u << 20),
            ReadFileText(folder + "/err")};
}

// Every file under a folder with its size and time, to notice anything written there.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[entry.path()] = std::to_string(entry.is_regular_file() ? entry.file_size() : 0) + "@" +
                              std::to_string(entry.last_write_time().time_since_epoch().count());
    return files;
}

// A fresh install of this build in a private prefix, and an empty HOME for the player.
struct Installed {
    std::string Folder = TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string Prefix = Folder + "/prefix", Program = Prefix + "/bin/gravel-ghosts";
    std::string Home = Folder + "/home";

    Installed() {
        MakeFolder(Home);
        Ran install = RunProgram({GG_CMAKE, "--install", GG_BINARY_DIR, "--prefix", Prefix}, {}, Folder);
        EXPECT_EQ(install.Status, 0) << install.Out << install.Err;
    }

    // The installed game playing a script; XDG_DATA_HOME is set only when one is given.
    Ran Play(const std::string& script, const std::string& dataHome = "") const {
        WriteFileText(Folder + "/script.txt", script);
        std::vector<std::string> env = {"HOME=" + Home, "SDL_AUDIODRIVER=dummy"};
        if (!dataHome.empty()) env.push_back("XDG_DATA_HOME=" + dataHome);
        return RunProgram({Program, "--headless", "--session", Folder + "/script.txt", "--mute"}, env, Folder);
    }
};

const std::string BlankList(90, ' ');
const std::string SaveAfterARace =
    "click Label1\nclick Label21\ntype Ann\nkey Enter\nclick Label16\nrace autopilot\n"
    "wait 500\nkey Enter\n"  // past the results board, to the pre-race panel
    "click RaceWindow.Label19\ndump\n";

}  // namespace

// The install puts the program, its data, a menu entry and the icons under the prefix.
// The first run makes the player's saves folder with the empty list; a career saved after
// a race lands beside it, and nothing at all is written into the install or HOME. Without
// XDG_DATA_HOME the careers live under ~/.local/share, and a folder that already holds
// them is read, not replaced. A data folder that cannot be made is named at start-up; the
// game goes on, and a save says why it failed.
TEST(Install, ThePlayersFilesGoToHisDataFolderAndNothingIntoThePrefix) {
    Installed game;
    EXPECT_EQ(::access(game.Program.c_str(), X_OK), 0);
    const std::string share = game.Prefix + "/share/gravel-ghosts";
    for (int course = 1; course <= 14; ++course)
        EXPECT_TRUE(FileExists(share + "/resources/Map" + std::to_string(course) + ".ddt")) << course;
    // The proof runs a Time Trial shows as par before the player has a record.
    for (const char* file : {"/graphics/car256.bmp", "/soundfx/bell1.wav", "/runs/course01.keys", "/runs/course01.sav"})
        EXPECT_TRUE(FileExists(share + file)) << file;
    // Only the empty list: whatever careers the build's own saves/ holds stay there.
    EXPECT_EQ(ReadFileText(share + "/saves/saves.lst"), BlankList);
    EXPECT_EQ(FileNamesIn(share + "/saves").size(), 1u);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string edge = std::to_string(size);
        std::string png = ReadFileText(game.Prefix + "/share/icons/hicolor/" + edge + "x" + edge + "/apps/gravel-ghosts.png");
        ASSERT_GE(png.size(), 24u) << size;
        // "PNG", then the header's width and height, big-endian from byte 16.
        auto word = [&](std::size_t at) {
            return int(std::uint8_t(png[at])) << 24 | int(std::uint8_t(png[at + 1])) << 16 |
                   int(std::uint8_t(png[at + 2])) << 8 | int(std::uint8_t(png[at + 3]));
        };
        EXPECT_EQ(std::tuple(png.substr(1, 3), word(16), word(20)), std::tuple("PNG", size, size));
    }
    const std::string entry = game.Prefix + "/share/applications/gravel-ghosts.desktop", text = ReadFileText(entry);
    EXPECT_NE(text.find("\nExec=\"" + game.Program + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=gravel-ghosts\n"), std::string::npos) << text;
    Ran valid = RunProgram({"desktop-file-validate", entry}, {}, game.Folder);
    EXPECT_EQ(valid.Status, 0) << "desktop-file-validate: " << valid.Out << valid.Err;

    const std::string dataHome = game.Folder + "/data home", saves = dataHome + "/gravel-ghosts/saves";
    const std::map<std::string, std::string> installed = Tree(game.Prefix);
    Ran first = game.Play("dump\n", dataHome);
    ASSERT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(ReadFileText(saves + "/saves.lst"), BlankList);
    Ran second = game.Play(SaveAfterARace, dataHome);
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_NE(second.Out.find("\"Saved...\""), std::string::npos) << second.Out;
    EXPECT_EQ(ReadFileText(saves + "/saves.lst").substr(0, 15), " Ann           ");
    EXPECT_EQ(ReadFileText(saves + "/Ann            .sav").size(), 765u);
    EXPECT_TRUE(fs::is_empty(game.Home));

    const std::string homeSaves = game.Home + "/.local/share/gravel-ghosts/saves";
    MakeFolder(homeSaves);
    WriteFileText(homeSaves + "/saves.lst", " Bob" + std::string(86, ' ') + "\r\n");
    WriteFileText(homeSaves + "/Bob            .sav", std::string(765, '0'));
    const std::map<std::string, std::string> bobs = Tree(homeSaves);
    Ran listed = game.Play("click Label1\nclick Label18\ndump\n");
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    EXPECT_NE(listed.Out.find("Bob"), std::string::npos) << listed.Out;
    EXPECT_EQ(Tree(homeSaves), bobs);

    const std::string notAFolder = game.Folder + "/plain-file";
    WriteFileText(notAFolder, "not a folder");
    Ran refused = game.Play("dump\nkey Enter\n" + SaveAfterARace + "key Enter\n", notAFolder);
    ASSERT_EQ(refused.Status, 0) << refused.Err;
    EXPECT_NE(refused.Err.find(notAFolder + "/gravel-ghosts/saves cannot be created"), std::string::npos) << refused.Err;
    EXPECT_NE(refused.Out.find("Careers cannot be saved."), std::string::npos);
    EXPECT_NE(refused.Out.find("The career was not saved."), std::string::npos);
    EXPECT_EQ(ReadFileText(notAFolder), "not a folder");
    EXPECT_EQ(Tree(game.Prefix), installed);
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
