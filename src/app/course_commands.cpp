// Course files from the command line: a built-in course written out as a Tiled map, and
// the check a course maker runs before racing his own course.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/app.h"
#include "course/course.h"
#include "platform/headless/headless.h"
#include "race/race.h"

namespace {

constexpr int CheckSeeds = 8;
// Ten minutes of racing: a car still out then would never come home.
constexpr int CheckMaxFrames = 20000;
constexpr int StuckFrames = 2000;  // a minute
// A course can be raced when every race is decided: three rivals home on every seed.
constexpr int RivalsToDecide = 3;
// The par time: the fast-run search's player alone on the course, for time only, narrower
// than a designer's search so that the check takes seconds.
constexpr const char* ParBeam = "40";
constexpr const char* ParSeeds = "1,2,3";

struct CourseCommand {
    std::string Export, Check, DataDir;
    int Course = 0;
};

bool ParseCourseCommand(int argc, char** argv, CourseCommand& command, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        int wanted = arg == "--export-course" ? 2 : arg == "--check-course" || arg == "--data-dir" ? 1 : 0;
        if (wanted == 0) {
            error = "unknown option " + QuoteInput(arg) + " (with --export-course or --check-course)";
            return false;
        }
        if (i + wanted >= argc) {
            error = arg + (wanted == 2 ? " needs a course number and a file" : " needs a value");
            return false;
        }
        if (arg == "--export-course") {
            std::string number = argv[++i];
            auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), command.Course);
            if (ec != std::errc() || ptr != number.data() + number.size() || command.Course < 1 ||
                command.Course > CourseCount) {
                error = "--export-course must be a course number from 1 to 14, not '" +
                        QuoteInput(number) + "'";
                return false;
            }
            command.Export = argv[++i];
        } else if (arg == "--check-course") {
            command.Check = argv[++i];
        } else {
            command.DataDir = argv[++i];
        }
    }
    if (command.Export.empty() == command.Check.empty()) {
        error = "--export-course and --check-course go one at a time";
        return false;
    }
    return true;
}

int ExportCourse(const CourseCommand& command) {
    MapFormat format = MapFormatOf(command.Export);
    if (format == MapFormat::Own)
        return Fail("--export-course writes a Tiled map: the file must end in .tmx or .tmj, not " +
                    PrintableText(command.Export));
    try {
        CourseFile.clear();
        CurrentCourse = static_cast<i16>(command.Course);
        LoadCourse();
        // Tiled finds the tileset's picture from the map's own folder, as it writes it itself.
        namespace fs = std::filesystem;
        fs::path strip = fs::absolute(GamePath("\\resources\\ral-set256.bmp"));
        Surface picture = LoadPicture(strip.string());
        fs::path folder = fs::absolute(command.Export).parent_path();
        std::error_code error;
        fs::path relative = fs::relative(strip, folder, error);
        std::string text = TiledCourseText(format, (error || relative.empty() ? strip : relative).string(),
                                           picture.Width, picture.Height);
        WriteFileAtomic(command.Export, text.data(), text.size(), "course");
    } catch (const FileError& e) {
        return Fail(e.what());
    }
    return 0;
}

// --- The check: every car driven by the computer, seed after seed.

struct CheckRun {
    bool Ended = false;
    bool AllDone = false;
    int FirstHome = 0;
    RaceResults Order;
};
CheckRun* Run = nullptr;

// A race ends four seconds after the player or the third rival is home; the check waits
// instead for every rival, and ends the frame after the last is home or out. A rival still
// out a minute after the first came home is stuck somewhere.
void WaitForEveryRival() {
    bool allDone = true, anyHome = false;
    for (int i = 1; i <= Race.LastCarIndex; ++i) {
        allDone = allDone && (Cars[i].Status == StatusFinished || Cars[i].Status == StatusOut);
        anyHome = anyHome || Cars[i].Status == StatusFinished;
    }
    if (anyHome && Run->FirstHome == 0) Run->FirstHome = Race.Frame;
    bool stuck = Run->FirstHome > 0 && Race.Frame > Run->FirstHome + StuckFrames;
    if (Race.Outcome == Outcome::Running && (Run->AllDone || stuck || Race.Frame >= CheckMaxFrames))
        Race.Outcome = Outcome::Stopped;
    Run->AllDone = allDone;
    Race.FinishTime = 0;
}

void KeepResults() {
    Run->Ended = true;
    Run->Order = LastResults;
}

struct CheckHooks {
    RaceWatch Watch{WaitForEveryRival, KeepResults};
    CheckHooks() { DrawingEnabled = false; }
    ~CheckHooks() {
        DrawingEnabled = true;
        Run = nullptr;
    }
};

// The par: the fast-run search's worst seed home, in seconds; 0 when it found no run home,
// -1 when the search could not be run here.
double ParTime(const std::string& file, std::string& note) {
    std::string program = ProgramPath("gg_fastrun");
    if (program.empty()) {
        note = "not measured: gg_fastrun is not beside the game";
        return -1;
    }
    std::string output;
    int status = RunProgram({program, "--course-file", file, "--data-dir", AppPath(), "--seeds",
                             ParSeeds, "--beam", ParBeam, "--alone", "--pickup-worth", "0"},
                            output);
    if (status == 1) {
        note = "the search found no run home on seeds " + std::string(ParSeeds);
        return 0;
    }
    int worst = 0;
    for (std::size_t at = output.find("home at frame "); at != std::string::npos;
         at = output.find("home at frame ", at + 1))
        worst = std::max(worst, std::atoi(output.c_str() + at + std::strlen("home at frame ")));
    if (status != 0 || worst <= 0) {
        note = "not measured: gg_fastrun ended with status " + std::to_string(status);
        return -1;
    }
    note = "the fast-run search, seeds " + std::string(ParSeeds) + ", beam " + ParBeam;
    return worst * 0.03;
}

int CheckCourseFile(const CourseCommand& command) {
    InstallHeadlessBackend();
    try {
        ReadCourseFile(command.Check);
    } catch (const FileError& e) {
        return Fail(e.what());
    }
    std::printf("%s: %s, %s\n", PrintableText(command.Check).c_str(),
                QuoteInput(Course.CourseName).c_str(), LapsCaption(RaceLaps).c_str());
    bool raceable = true, everyRival = true;
    CheckHooks hooks;
    for (int seed = 1; seed <= CheckSeeds; ++seed) {
        CheckRun run;
        Run = &run;
        GameOptions options;
        options.Headless = true;
        options.Autopilot = true;
        options.Seed = static_cast<std::uint64_t>(seed);
        options.CourseFile = command.Check;
        try {
            SetUpHeadlessRace(options);
            StartClick();
        } catch (const std::exception& e) {
            return Fail(e.what());
        }
        if (!run.Ended) return Fail("the race on seed " + std::to_string(seed) + " did not run");
        int home = 0, rivals = 0;
        std::string times;
        for (int i = 0; i < run.Order.Count; ++i) {
            const ResultRow& row = run.Order.Rows[i];
            if (row.Car == 0) continue;  // the player's car stops counting when three rivals are home
            ++rivals;
            home += row.How == Finish::Home;
            times += " " + ResultTime(row);
        }
        everyRival = everyRival && home == rivals;
        raceable = raceable && home >= RivalsToDecide;
        std::printf("seed %d: %d of %d rivals home:%s\n", seed, home, rivals, times.c_str());
    }
    std::fflush(stdout);
    std::string note;
    double par = ParTime(command.Check, note);
    if (par > 0)
        std::printf("par time: %.2f (%s)\n", par, note.c_str());
    else
        std::printf("par time: none (%s)\n", note.c_str());
    if (par == 0) raceable = false;
    std::printf("every rival home on every seed: %s\n", everyRival ? "yes" : "no");
    std::printf("%s\n", raceable ? "raceable" : "not raceable: a race needs three rivals home on every seed and a run home for the player");
    try {
        FlushStandardOutput();
    } catch (const FileError& e) {
        return Fail(e.what());
    }
    return raceable ? 0 : 1;
}

}  // namespace

bool IsCourseCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--export-course") == 0 || std::strcmp(argv[i], "--check-course") == 0)
            return true;
    return false;
}

int RunCourseCommand(int argc, char** argv) {
    CourseCommand command;
    std::string error;
    if (!ParseCourseCommand(argc, argv, command, error)) return Fail(error);
    if (!command.DataDir.empty()) SetAppPath(command.DataDir);
    if (std::string problem = DataFolderProblem(); !problem.empty()) return Fail(problem);
    return command.Export.empty() ? CheckCourseFile(command) : ExportCourse(command);
}
