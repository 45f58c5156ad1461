// The courses' proofs: every course ships a run that places, replayed on the headless race,
// and a whole Normal career that a player could have played from the title menu.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "app/app.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string Runs = std::string(GG_SOURCE_DIR) + "/data/runs/";

// Captures what a run prints; the status comes back through `status`.
template <typename Run>
std::string Printed(Run run, int& status, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    status = run(static_cast<int>(argv.size()), argv.data());
    std::string err = ::testing::internal::GetCapturedStderr();
    std::string out = ::testing::internal::GetCapturedStdout();
    return status == 0 ? out : err;
}

// A game folder of the built pictures, courses and sounds, with saves of its own.
std::string GameFolder(const std::string& name) {
    std::string folder = TempFolder(name);
    for (const char* part : {"graphics", "resources", "soundfx"})
        fs::create_directory_symlink(GameDir() + "/" + part, folder + "/" + part);
    fs::create_directory(folder + "/saves");
    fs::copy_file(GameDir() + "/saves/saves.lst", folder + "/saves/saves.lst");
    return folder;
}

struct Proof {
    const char* Keys;
    int Course;
    const char* Career;  // the career as it stood before the race; empty for a new one
    bool Easy;
};

// Each course's placing race of the career below, with the career it was raced with; and
// a newcomer's first races with the starting car.
const Proof Proofs[] = {
    {"course01", 1, "course01.sav", false},   {"course02", 2, "course02.sav", false},
    {"course03", 3, "course03.sav", false},   {"course04", 4, "course04.sav", false},
    {"course05", 5, "course05.sav", false},   {"course06", 6, "course06.sav", false},
    {"course07", 7, "course07.sav", false},   {"course08", 8, "course08.sav", false},
    {"course09", 9, "course09.sav", false},   {"course10", 10, "course10.sav", false},
    {"course11", 11, "course11.sav", false},  {"course12", 12, "course12.sav", false},
    {"course13", 13, "course13.sav", false},  {"course14", 14, "course14.sav", false},
    {"normal01", 1, "", false},               {"easy01", 1, "", true},
    {"easy02", 2, "", true},                  {"easy03", 3, "", true},
};

void PrintTo(const Proof& proof, std::ostream* out) { *out << proof.Keys; }

class ProofRun : public ::testing::TestWithParam<Proof> {};

// A run proves a course only if it is no lucky draw of the rivals: it must place on at
// least four of the seeds 1 to 5.
TEST_P(ProofRun, PlacesOnFourOfTheFirstFiveSeeds) {
    const Proof& proof = GetParam();
    int placed = 0;
    std::string report;
    for (int seed = 1; seed <= 5; ++seed) {
        std::vector<std::string> args = {"gravel-ghosts", "--headless", "--course",
                                         std::to_string(proof.Course), "--seed",
                                         std::to_string(seed), "--input",
                                         Runs + proof.Keys + ".keys", "--difficulty",
                                         proof.Easy ? "easy" : "normal"};
        if (*proof.Career) args.insert(args.end(), {"--career", Runs + proof.Career});
        FreshHeadless();
        int status = 0;
        std::string out = Printed(RunHeadlessSimulation, status, args);
        ASSERT_EQ(status, 0) << out;
        if (out.find("\"outcome\":5,") != std::string::npos) ++placed;
        report += "seed " + std::to_string(seed) + ": " + out.substr(0, 80) + "\n";
    }
    EXPECT_GE(placed, 4) << report;
}

INSTANTIATE_TEST_SUITE_P(Courses, ProofRun, ::testing::ValuesIn(Proofs),
                         [](const auto& info) { return std::string(info.param.Keys); });

int Field(const std::string& dump, const std::string& name) {
    std::smatch m;
    std::regex field("\"" + name + "\":(-?[0-9]+)");
    return std::regex_search(dump, m, field) ? std::stoi(m[1]) : -1;
}

// The career a newcomer can win: from the title menu, on Normal, through menus, shop and
// saves, placing on the courses in order, the first placing within the first five races.
// The script dumps on every course's pre-race panel, the last back on course 1.
constexpr std::size_t CareerPlacings = 14;

TEST(CareerProof, NormalCareerPlacesOnEveryCourseInOrder) {
    std::string folder = GameFolder("career");
    int status = 0;
    std::string out = Printed(RunSession, status,
                              {"gravel-ghosts", "--headless", "--session",
                               Runs + "career-normal.session", "--seed", "1", "--data-dir",
                               folder});
    ASSERT_EQ(status, 0) << out;

    std::vector<int> courses;
    for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string dump = out.substr(at, end - at);
        if (dump.find("\"forms\":[\"RaceWindow\"]") == std::string::npos) continue;
        courses.push_back(Field(dump, "course"));
    }
    // Each dump stands on a pre-race panel: a repeat shows the same course again.
    ASSERT_GE(courses.size(), CareerPlacings + 1);
    std::vector<int> placings;
    int races = static_cast<int>(courses.size()) - 1;
    for (std::size_t i = 1; i < courses.size(); ++i)
        if (courses[i] != courses[i - 1]) {
            EXPECT_EQ(courses[i], courses[i - 1] % 14 + 1) << "race " << i;
            placings.push_back(static_cast<int>(i));
        }
    EXPECT_EQ(placings.size(), CareerPlacings);
    EXPECT_LE(races, 30);
    ASSERT_FALSE(placings.empty());
    EXPECT_LE(placings.front(), 5) << "the first placing came in race " << placings.front();
    EXPECT_EQ(courses.front(), 1);
    EXPECT_EQ(courses.back(), static_cast<int>(CareerPlacings) % 14 + 1);
}

}  // namespace
