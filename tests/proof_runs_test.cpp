// The courses' proofs: every course ships a run that places, replayed on the headless race,
// and a whole Normal career that a player could have played from the title menu.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "app/app.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string Runs = std::string(GG_SOURCE_DIR) + "/data/runs/";

// Runs the headless game and gives what it printed: the report, or the error.
template <typename Run>
std::string Printed(Run run, int& status, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    FreshHeadless();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    status = run(static_cast<int>(argv.size()), argv.data());
    std::string err = ::testing::internal::GetCapturedStderr();
    std::string out = ::testing::internal::GetCapturedStdout();
    return status == 0 ? out : err;
}

struct Proof {
    std::string Keys;
    int Course;
    std::string Career;  // the career as it stood before the race; empty for a new one
    bool Easy;
};

// Each course's placing race of the career below, with the career it was raced with; and
// a newcomer's first races with the starting car.
std::vector<Proof> Proofs() {
    std::vector<Proof> proofs = {{"normal01", 1, "", false}, {"easy01", 1, "", true},
                                 {"easy02", 2, "", true}, {"easy03", 3, "", true}};
    for (int course = 1; course <= 14; ++course) {
        std::string name = std::string(course < 10 ? "course0" : "course") + std::to_string(course);
        proofs.push_back({name, course, name + ".sav", false});
    }
    return proofs;
}

void PrintTo(const Proof& proof, std::ostream* out) { *out << proof.Keys; }

class ProofRun : public ::testing::TestWithParam<Proof> {};

// A run proves a course only if it is no lucky draw of the rivals: it must place on at
// least four of the seeds 1 to 5.
TEST_P(ProofRun, PlacesOnFourOfTheFirstFiveSeeds) {
    const Proof& proof = GetParam();
    int placed = 0;
    std::string report;
    for (int seed = 1; seed <= 5; ++seed) {
        std::vector<std::string> args = {"gravel-ghosts", "--headless", "--course", std::to_string(proof.Course),
                                         "--seed", std::to_string(seed), "--input", Runs + proof.Keys + ".keys",
                                         "--difficulty", proof.Easy ? "easy" : "normal"};
        if (!proof.Career.empty()) args.insert(args.end(), {"--career", Runs + proof.Career});
        int status = 0;
        std::string out = Printed(RunHeadlessSimulation, status, args);
        ASSERT_EQ(status, 0) << out;
        placed += out.find("\"outcome\":5,") != std::string::npos;
        report += "seed " + std::to_string(seed) + ": " + out.substr(0, 80) + "\n";
    }
    EXPECT_GE(placed, 4) << report;
}

INSTANTIATE_TEST_SUITE_P(Courses, ProofRun, ::testing::ValuesIn(Proofs()),
                         [](const auto& info) { return info.param.Keys; });

// The career a newcomer can win: from the title menu, on Normal, through menus, shop and
// saves, placing on the courses in order, the first placing within the first five races
// and all fourteen within thirty. The script dumps on every course's pre-race panel, the
// last back on course 1; a repeat shows the same course again.
TEST(CareerProof, NormalCareerPlacesOnEveryCourseInOrder) {
    std::string folder = TempFolder("career");
    for (const char* part : {"graphics", "resources", "soundfx"})
        fs::create_directory_symlink(GameDir() + "/" + part, folder + "/" + part);
    fs::create_directory(folder + "/saves");
    fs::copy_file(GameDir() + "/saves/saves.lst", folder + "/saves/saves.lst");
    int status = 0;
    std::string out = Printed(RunSession, status, {"gravel-ghosts", "--headless", "--session",
                                                   Runs + "career-normal.session", "--seed", "1", "--data-dir", folder});
    ASSERT_EQ(status, 0) << out;

    std::vector<int> courses, placings;
    for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        const auto dump = nlohmann::json::parse(out.substr(at, end - at));
        if (dump["forms"] == nlohmann::json::array({"RaceWindow"})) courses.push_back(dump["course"].get<int>());
    }
    ASSERT_GE(courses.size(), 15u);
    for (std::size_t i = 1; i < courses.size(); ++i)
        if (courses[i] != courses[i - 1]) {
            EXPECT_EQ(courses[i], courses[i - 1] % 14 + 1) << "race " << i;
            placings.push_back(static_cast<int>(i));
        }
    EXPECT_EQ(placings.size(), 14u);
    EXPECT_LE(courses.size() - 1, 30u);
    EXPECT_LE(placings.at(0), 5) << "the first placing came in race " << placings.front();
    EXPECT_EQ(courses.front(), 1);
    EXPECT_EQ(courses.back(), 1);
}

}  // namespace
