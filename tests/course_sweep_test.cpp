// Every course raced headless with the computer driving the player's car too: the race
// must end with the player home, no car may crawl for long, and each race must be the
// one the race catalogue (tests/data/race_catalogue.tsv) holds: the same outcome, frames, best lap, finishing
// order and times, and the same trace to the byte (tools/race_catalogue.py writes the
// catalogue again when a rule changes on purpose). The player's marker on the mini-map
// must stay on the road the map shows, all the way round.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "course/course.h"
#include "numeric/numeric.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

double Field(const std::string& line, const std::string& key) {
    std::size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) return 0;
    return std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

// The catalogue's line for a race: course, seed, outcome, frames, best lap, finishing
// order ("8 27.90, 7 28.41, ..., 0 did not finish") and trace hash, tab between.
std::string CatalogueLine(const std::string& key) {
    std::ifstream in(GG_SOURCE_DIR "/tests/data/race_catalogue.tsv");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(key)) return line;
    return "(the catalogue has no row for this race)";
}

class Sweep : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(Sweep, AutopilotRaceIsAsCataloguedWithTheMarkerOnTheRoad) {
    auto [course, seed] = GetParam();
    std::string folder = TempFolder("sweep_" + std::to_string(course) + "_" + std::to_string(seed));
    std::string trace = folder + "/trace.jsonl", summary = folder + "/summary.json";
    std::string command = GameDir() + "/gravel-ghosts --headless --autopilot --mute --course " +
                          std::to_string(course) + " --seed " + std::to_string(seed) + " --trace " +
                          trace + " > " + summary;
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto report = nlohmann::json::parse(ReadFileText(summary));
    const int outcome = report["outcome"];
    EXPECT_TRUE(outcome == 5 || outcome == 15) << "outcome " << outcome << " (10 is a wreck of the player)";
    const std::string key = std::to_string(course) + "\t" + std::to_string(seed) + "\t";
    std::string order, line;
    for (const auto& row : report["order"])
        order += (order.empty() ? "" : ", ") + std::to_string(row["car"].get<int>()) + " " + row["time"].get<std::string>();
    char best[32];
    std::snprintf(best, sizeof best, "%.9g", report["BestLapTime"].get<double>());
    EXPECT_EQ(key + std::to_string(outcome) + "\t" + std::to_string(report["frames"].get<int>()) + "\t" + best +
                  "\t" + order + "\t" + FileDigest(trace),
              CatalogueLine(key));

    FreshHeadless();
    CurrentCourse = static_cast<i16>(course);
    LoadCourse();
    Surface map = LoadPicture(GameDir() + "/graphics/minimap" + std::to_string(course) + ".bmp");
    f32 viewOriginX = static_cast<f32>((Course.StartTileCol - 2) * 200 - 400);
    f32 viewOriginY = static_cast<f32>((Course.StartTileRow - 3) * 200 - 200);

    std::ifstream in(trace);
    int slow[9] = {}, markerFaults = 0;
    while (std::getline(in, line)) {
        int car = static_cast<int>(Field(line, "car")), frame = static_cast<int>(Field(line, "frame"));
        // A finished car no longer steers, so only cars still racing must keep moving.
        bool racing = Field(line, "FxState") != 4 && Field(line, "Status") == 0;
        slow[car] = racing && Field(line, "Speed") < 20 ? slow[car] + 1 : 0;
        if (slow[car] == 101) ADD_FAILURE() << "car " << car << " crawled below speed 20 for 100 frames to " << frame;
        if (car != 0) continue;
        // The marker exactly as the race loop places it in the 153 x 123 window.
        f32 x = static_cast<f32>(Field(line, "CourseX")), y = static_cast<f32>(Field(line, "CourseY"));
        i16 originX = CInt(x / 100), originY = CInt(y / 100);
        i16 mx = CInt(viewOriginX / 20.5f + 30 + x / 20.5f - originX);
        i16 my = CInt(viewOriginY / 20.5f + 29 + y / 20.5f - originY);
        bool inside = mx >= 0 && my >= 0 && mx + 5 <= 153 && my + 5 <= 123;
        int px = originX + mx + 2, py = originY + my + 2;  // the marker's middle in the picture
        bool onPicture = px >= 0 && py >= 0 && px < map.Width && py < map.Height;
        std::uint32_t p = inside && onPicture ? map.Pixel(px, py) : 0;
        bool onRoad = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 450;
        if (!(inside && onRoad) && markerFaults++ < 3)
            ADD_FAILURE() << "frame " << frame << ": marker at " << mx << "," << my
                          << (inside ? " off the road" : " outside the window");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCourse, Sweep, testing::Combine(testing::Range(1, 15), testing::Values(1, 2, 3)),
                         [](const testing::TestParamInfo<std::tuple<int, int>>& info) {
                             return "Course" + std::to_string(std::get<0>(info.param)) + "Seed" +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace
