// Courses as Tiled maps: written by the game, converted by Tiled itself, read back and
// raced; the maps a course cannot be made of; the check a course maker runs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <tuple>

#include "app/app.h"
#include "course/course.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

struct RunResult { int Status; std::string Out, Err; };

RunResult Invoke(int (*entry)(int, char**), std::vector<std::string> args) {
    args.insert(args.begin(), "gravel-ghosts");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout(), ::testing::internal::CaptureStderr();
    int status = entry(static_cast<int>(argv.size()), argv.data());
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
}

// Tiled's tools, run headless; their whole output, which must be empty for a good map.
int Tiled(const std::string& folder, const std::string& command, std::string& said) {
    std::string run = "mkdir -p -m 700 '" + folder + "/xdg' && cd '" + folder +
                      "' && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" + folder + "/xdg' " +
                      command + " >said.txt 2>&1";
    int status = std::system(run.c_str());
    said = ReadFileText(folder + "/said.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}


// Course n as the game writes it, with the tile strip named as it is.
std::string ExportedText(int n, MapFormat format) {
    CourseFile.clear();
    CurrentCourse = static_cast<i16>(n);
    LoadCourse();
    return TiledCourseText(format, "ral-set256.bmp", 4400, 210);
}

std::string Refusal(const std::string& text, MapFormat format) {
    try {
        ParseTiledCourse(text, "mine.map", format);
        CheckCourse("mine.map");
    } catch (const FileError& e) {
        return e.what();
    }
    return "";
}

// The tile ids of Course row by row, as Tiled numbers them: the code + 1, a brake tile
// an empty cell (0).
std::vector<std::uint32_t> TileIds() {
    std::vector<std::uint32_t> ids;
    for (int row = 0; row < MapSize; ++row)
        for (int column = 0; column < MapSize; ++column) {
            i16 code = Course.TileMap[column][row];
            ids.push_back(code == TileSlowDown ? 0 : static_cast<std::uint32_t>(code + 1));
        }
    return ids;
}

// The ids as little-endian 32-bit numbers in base64 (2601 x 4 bytes: no padding needed).
std::string Base64(const std::vector<std::uint32_t>& ids) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes, out;
    for (std::uint32_t id : ids)
        for (int b = 0; b < 4; ++b) bytes += static_cast<char>((id >> (8 * b)) & 0xFF);
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
        std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16 | std::uint8_t(bytes[i + 1]) << 8 |
                          std::uint8_t(bytes[i + 2]);
        for (int k = 3; k >= 0; --k) out += digits[(v >> (6 * k)) & 63];
    }
    return out;
}

std::string Replaced(const std::string& text, const std::string& pattern, const std::string& by) {
    return std::regex_replace(text, std::regex(pattern), by, std::regex_constants::format_first_only);
}

class TiledCourse : public ::testing::Test {
protected:
    std::string Folder;
    void SetUp() override {
        FreshHeadless();
        Folder = TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
};

TEST_F(TiledCourse, EveryCourseConvertedByTiledRacesAsTheBuiltInOne) {
    if (std::system("command -v tiled >/dev/null")) GTEST_SKIP() << "tiled is not installed: scripts/setup installs it";
    for (int n = 1; n <= CourseCount; ++n) {
        SCOPED_TRACE("course " + std::to_string(n));
        std::string c = Folder + "/course" + std::to_string(n), seed = std::to_string(n), said;
        RunResult made = Invoke(RunCourseCommand, {"--export-course", seed, c + ".tmx", "--data-dir", GameDir()});
        ASSERT_EQ(made.Status, 0) << made.Err;
        // Tiled reads the map, its tileset and picture without a word, both ways.
        for (const std::string& command : {"tiled --export-map json '" + c + ".tmx' '" + c + ".tmj'",
                                           "tiled --export-map '" + c + ".tmj' '" + c + "-back.tmx'"}) {
            ASSERT_EQ(Tiled(Folder, command, said), 0) << said;
            EXPECT_EQ(said, "");
        }
        // The report and the trace of the same race on the built-in course and both files.
        std::string races[3];
        const char* files[3] = {"", ".tmj", "-back.tmx"};
        for (int k = 0; k < 3; ++k) {
            std::vector<std::string> args = {"--headless", "--data-dir", GameDir(), "--course", seed, "--seed",
                                             seed, "--autopilot", "--trace", Folder + "/trace.jsonl"};
            if (k) args.insert(args.end(), {"--course-file", c + files[k]});
            RunResult r = Invoke(RunHeadlessSimulation, args);
            ASSERT_EQ(r.Status, 0) << r.Err;
            races[k] = r.Out + ReadFileText(Folder + "/trace.jsonl", 1u << 30);
        }
        EXPECT_TRUE(races[0] == races[1] && races[0] == races[2]) << "the races differ";
    }
}

// Every layer format Tiled saves uncompressed reads as the CSV the game writes, and a brake
// tile goes out as a rectangle over an empty cell and comes back.
TEST_F(TiledCourse, LayerFormatsAndBrakeTilesReadBackAsWritten) {
    ExportedText(5, MapFormat::Tmx);
    Course.TileMap[3][4] = TileSlowDown;
    const CourseMap written = Course;
    const std::string tmx = TiledCourseText(MapFormat::Tmx, "strip.bmp", 4400, 210);
    const std::string tmj = TiledCourseText(MapFormat::Tmj, "strip.bmp", 4400, 210);
    // Tiled counts ids on from the tileset's firstgid, 1 unless another tileset came first.
    std::string tilesFrom5;
    for (std::uint32_t id : TileIds()) tilesFrom5 += "<tile gid=\"" + std::to_string(id ? id + 4 : 0) + "\"/>";
    const std::string csvData = R"(<data encoding="csv">[^<]*</data>)";
    const std::size_t from = tmx.find("<data encoding=\"csv\">") + 21, to = tmx.find("</data>", from);
    const std::pair<std::string, MapFormat> variants[] = {
        {tmx, MapFormat::Tmx},
        {tmj, MapFormat::Tmj},
        {Replaced(tmx, csvData, "<data encoding=\"csv\"><![CDATA[" + tmx.substr(from, to - from) + "]]></data>"),
         MapFormat::Tmx},
        {Replaced(Replaced(tmx, csvData, "<data>" + tilesFrom5 + "</data>"), "firstgid=\"1\"", "firstgid=\"5\""),
         MapFormat::Tmx},
        {Replaced(tmx, csvData, "<data encoding=\"base64\">\n" + Base64(TileIds()) + "\n</data>"), MapFormat::Tmx},
    };
    for (const auto& [text, format] : variants) {
        Course = CourseMap{};
        ASSERT_EQ(Refusal(text, format), "") << text.substr(0, 2000);
        // Tiles, pickups, name and laps: the map written again is the one written first.
        EXPECT_EQ(TiledCourseText(MapFormat::Tmx, "strip.bmp", 4400, 210), tmx) << text.substr(0, 2000);
        EXPECT_EQ(std::pair(Course.StartTileCol, Course.StartTileRow),
                  std::pair(written.StartTileCol, written.StartTileRow));
    }
}

TEST_F(TiledCourse, MapsNoCourseCanBeMadeOfAreRefusedSayingWhy) {
    const std::string tmx = ExportedText(1, MapFormat::Tmx);
    const std::string tmj = ExportedText(1, MapFormat::Tmj);
    const std::string csv = R"((<data encoding="csv">\n))";
    struct Case {
        std::string Text;
        MapFormat Format;
        const char* Says;
    };
    const Case cases[] = {
        {Replaced(tmx, "width=\"51\"", "width=\"50\""), MapFormat::Tmx,
         "it is 50 x 51 tiles; a course is 51 x 51"},
        {Replaced(tmj, "\"tilewidth\":200", "\"tilewidth\":32"), MapFormat::Tmj,
         "its tiles are 32 x 200 pixels"},
        // Ids 1 to 22 are the strip's 22 tiles.
        {Replaced(tmx, csv + "\\d+", "$0123"), MapFormat::Tmx,
         "the tile id 23 at column 0, row 0 is not one of the tile strip's 22 tiles"},
        {Replaced(tmx, csv + "\\d+", "$012147483653"), MapFormat::Tmx,
         "the tile at column 0, row 0 is mirrored or turned"},
        {std::regex_replace(tmx, std::regex(R"(\b(19|20|21|22)\b(?=,|\n))"), "2"), MapFormat::Tmx,
         "it has no start tile"},
        {Replaced(tmx, R"( <tileset[\s\S]*?</tileset>\n)", ""), MapFormat::Tmx, "it has no tileset"},
        {Replaced(tmj, R"("tilesets":\[\{[^\]]*\])", "\"tilesets\":[]"), MapFormat::Tmj,
         "it has no tileset"},
        {Replaced(tmx, R"(<data encoding="csv">[^<]*)", R"(<data encoding="base64" compression="zlib">eJw=)"),
         MapFormat::Tmx, "layer 'tiles' is compressed with 'zlib', which the game cannot read"},
        {Replaced(tmj, R"("data":\[)", R"("compression":"zstd", "encoding":"base64", "data":"KLUv", "x":[)"),
         MapFormat::Tmj, "layer 'tiles' is compressed with 'zstd'"},
        {Replaced(tmj, "\"infinite\":false", "\"infinite\":true"), MapFormat::Tmj, "infinite map"},
        {Replaced(tmx, R"(<property name="laps"[^>]*>)", ""), MapFormat::Tmx,
         "it has no map property 'laps'"},
        {Replaced(tmj, R"("value":2\})", "\"value\":0}"), MapFormat::Tmj,
         "its laps are '0', not a whole number from 1 to 99"},
        {Replaced(tmx, "name=\"11\"", "name=\"12\""), MapFormat::Tmx, "a pickup is named '12'"},
        {Replaced(tmj, "\"name\":\"11\"", "\"name\":\"10\""), MapFormat::Tmj,
         "two pickups are named 10"},
        {Replaced(tmx, R"( x="\d+" y="\d+">\n   <point/>)", " x=\"-5\" y=\"0\"><point/>"),
         MapFormat::Tmx, "pickup 1 lies off the course"},
        {Replaced(tmx, R"(<objectgroup id="2" name="brake">)",
                  R"($0<object id="90" x="0" y="0" width="400" height="200"/>)"),
         MapFormat::Tmx, "the brake area '' covers tile"},
        {tmx.substr(0, 3000), MapFormat::Tmx, "it is not well-formed XML"},
        {tmj.substr(0, 3000), MapFormat::Tmj, "it is not valid JSON"},
        {"<mapp/>", MapFormat::Tmx, "it is not a Tiled map"},
        {"[1, 2]", MapFormat::Tmj, "it is not a Tiled map"},
    };
    for (const Case& c : cases) {
        std::string message = Refusal(c.Text, c.Format);
        EXPECT_NE(message.find(c.Says), std::string::npos) << c.Says << "\n got: " << message;
        EXPECT_EQ(message.rfind("Course file mine.map ", 0), 0u) << message;
    }
}

TEST_F(TiledCourse, CheckSaysWhetherACourseCanBeRacedAndTheListShowsWhatIsThere) {
    const std::string courses = Folder + "/courses/";
    MakeFolder(courses);
    ExportedText(1, MapFormat::Tmx);
    const std::string one = Course.CourseName + "/" + std::to_string(RaceLaps);
    WriteFileText(courses + "one.tmx", TiledCourseText(MapFormat::Tmx, "x.bmp", 4400, 210));
    // An open field with a start tile: the rivals have no road to come home by.
    for (auto& column : Course.TileMap) std::fill(std::begin(column), std::end(column), 0);
    Course.TileMap[10][10] = TileStartNorthSouth;
    WriteFileText(courses + "field.tmj", TiledCourseText(MapFormat::Tmj, "x.bmp", 4400, 210));
    WriteFileText(courses + "broken.tmx", "<map/>");
    WriteFileText(courses + "notes.txt", "not a course");
    for (auto [file, status, says] : {std::tuple{"one.tmx", 0, "\nraceable\n"},
                                      {"field.tmj", 1, "seed 8: 0 of 8 rivals home"},
                                      {"broken.tmx", 2, "broken.tmx cannot be read"},
                                      {"absent.tmx", 2, "is missing"}}) {
        RunResult r = Invoke(RunCourseCommand, {"--check-course", courses + file, "--data-dir", GameDir()});
        EXPECT_EQ(r.Status, status) << file << "\n" << r.Out << r.Err;
        EXPECT_NE((r.Out + r.Err).find(says), std::string::npos) << r.Out << r.Err;
    }
    // The player's list: .tmx and .tmj files by file name, each with its name and laps or why
    // it cannot be raced; the course loaded before stays.
    ExportedText(12, MapFormat::Tmx);
    const std::string raced = Course.CourseName;
    SetAppPath(Folder);
    std::vector<CustomCourse> listed = ListCustomCourses();
    SetAppPath(GameDir());
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_TRUE(listed[0].Problem.find("broken.tmx") != std::string::npos && listed[1].Problem.empty())
        << listed[0].Problem << " | " << listed[1].Problem;
    EXPECT_EQ(listed[1].Path + " " + listed[2].Name + "/" + std::to_string(listed[2].Laps),
              courses + "field.tmj " + one);
    EXPECT_EQ(Course.CourseName, raced);
}

}  // namespace
