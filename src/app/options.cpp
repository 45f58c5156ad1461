// The command line of the game and of its headless simulation.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>

#include "app/app.h"
#include "career/career.h"

namespace {

bool WholeNumber(const std::string& text, long long low, long long high, long long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

struct KeyName {
    const char* Name;
    int Code;
};
constexpr KeyName ScriptKeys[] = {
    {"Up", vbKeyUp},       {"Down", vbKeyDown},     {"Left", vbKeyLeft}, {"Right", vbKeyRight},
    {"Space", vbKeySpace}, {"Escape", vbKeyEscape}, {"T", vbKeyT},       {"L", vbKeyL},
};

}  // namespace

std::string KeyScriptName(int keyCode) {
    for (const KeyName& key : ScriptKeys)
        if (key.Code == keyCode) return key.Name;
    return {};
}

int Fail(const std::string& problem) {
    std::fprintf(stderr, "gravel-ghosts: %s\n", problem.c_str());
    return 2;
}

bool OptionsOrExit(int argc, char** argv, GameOptions& options, int& status) {
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        status = Fail(error);
        return false;
    }
    if (options.Help) {
        std::fputs(UsageText().c_str(), stdout);
        try {
            FlushStandardOutput();
            status = 0;
        } catch (const FileError& e) {
            status = Fail(e.what());
        }
        return false;
    }
    return true;
}

std::string UsageText() {
    return "Usage: gravel-ghosts [--mute] [--name NAME] [--data-dir DIR] [--stats FILE]\n"
           "                     [--course-file FILE]\n"
           "       gravel-ghosts --headless [--course N] [--seed S] [--difficulty normal|easy]\n"
           "                     [--name NAME] [--input FILE] [--max-frames F] [--trace FILE]\n"
           "                     [--snapshot F:FILE]... [--data-dir DIR] [--autopilot] [--mute]\n"
           "                     [--career FILE]\n"
           "                     [--course-file FILE]\n"
           "       gravel-ghosts --headless --time-trial|--ghost-check [--course N]\n"
           "                     [--difficulty normal|easy] [--input FILE] [--data-dir DIR] ...\n"
           "       gravel-ghosts --headless --session FILE [--seed S] [--data-dir DIR] [--mute]\n"
           "       gravel-ghosts --export-course N FILE [--data-dir DIR]\n"
           "       gravel-ghosts --check-course FILE [--data-dir DIR]\n"
           "\n"
           "  --mute            no sound\n"
           "  --name NAME       the driver's name (otherwise Gustav or Nadine)\n"
           "  --data-dir DIR    read graphics/, resources/, soundfx/ and saves/ from DIR\n"
           "  --stats FILE      one line per frame shown: Unix time in seconds, frame number,\n"
           "                    milliseconds composing and presenting it\n"
           "  --course-file F   race the course in F, a Tiled map (.tmx, .tmj) or our own\n"
           "                    course file (which races the laps of the course it replaces)\n"
           "  --export-course N FILE  write course N as a Tiled map, .tmx or .tmj by FILE's\n"
           "                    extension\n"
           "  --check-course F  race the computer drivers on F over seeds 1-8 and search a\n"
           "                    fast run: exit 0 when raceable, 1 when not, 2 unreadable\n"
           "  --headless        run one race with no window and a virtual clock\n"
           "  --course N        the course to race, 1 to 14 (default 1, or the career's)\n"
           "  --career FILE     race the nine cars as this career file holds them\n"
           "  --seed S          seed of the race's random numbers (default 1)\n"
           "  --difficulty D    normal (default) or easy\n"
           "  --input FILE      key script, lines 'FRAME down|up KEY' with KEY one of\n"
           "                    Up Down Left Right Space Escape T L\n"
           "  --max-frames F    stop after F frames (default 20000); reported as outcome 0\n"
           "  --trace FILE      one JSON line per car after every frame\n"
           "  --snapshot F:FILE save the course view after frame F as a bitmap\n"
           "  --autopilot       the computer drives the player's car\n"
           "  --time-trial      the player alone on the course, for its records: the JSON\n"
           "                    report has time, laps and record (true when the run set a\n"
           "                    new course record, kept with its ghost in records/)\n"
           "  --ghost-check     replay the course record's ghost and report its time\n"
           "  --session FILE    play the whole game from start-up by the script in FILE, one\n"
           "                    command a line: hover NAME, click NAME, select NAME N,\n"
           "                    type TEXT, key|keydown|keyup KEY, wait MS,\n"
           "                    race [autopilot | keys FILE], dump, snapshot FILE (see README.md)\n";
}

bool ParseOptions(int argc, char** argv, GameOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--headless") options.Headless = true;
    std::string raceOption;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string text;
        long long number = 0;
        if (arg == "--headless") continue;
        // Options that shape the one simulated race; a session plays the game instead.
        static const std::string RaceOnly[] = {"--course", "--difficulty", "--input", "--trace",
                                                "--max-frames", "--snapshot", "--autopilot",
                                                "--career", "--time-trial", "--ghost-check"};
        if (std::find(std::begin(RaceOnly), std::end(RaceOnly), arg) != std::end(RaceOnly))
            raceOption = arg;
        if (arg == "--help" || arg == "-h") {
            options.Help = true;
        } else if (arg == "--mute") {
            options.Mute = true;
        } else if (arg == "--name") {
            if (!value(options.Name)) return false;
            // The name becomes a file name when the career is saved.
            if (std::string problem = DriverNameProblem(options.Name); !problem.empty()) {
                error = "--name '" + QuoteInput(options.Name) + "': " + problem;
                return false;
            }
            options.HasName = true;
        } else if (arg == "--data-dir") {
            if (!value(options.DataDir)) return false;
        } else if (arg == "--course-file") {
            if (!value(options.CourseFile)) return false;
        } else if (arg == "--stats" && !options.Headless) {
            if (!value(options.StatsFile)) return false;
        } else if (!options.Headless) {
            error =
                "unknown option " + QuoteInput(arg) + " (the simulation's options need --headless)";
            return false;
        } else if (arg == "--course") {
            if (!value(text)) return false;
            if (!WholeNumber(text, 1, 14, number)) {
                error =
                    "--course must be a course number from 1 to 14, not '" + QuoteInput(text) + "'";
                return false;
            }
            options.Course = static_cast<int>(number);
            options.HasCourse = true;
        } else if (arg == "--seed") {
            if (!value(text)) return false;
            if (!WholeNumber(text, 0, INT64_MAX, number)) {
                error = "--seed must be a whole number, not '" + QuoteInput(text) + "'";
                return false;
            }
            options.Seed = static_cast<std::uint64_t>(number);
        } else if (arg == "--difficulty") {
            if (!value(text)) return false;
            if (text != "normal" && text != "easy") {
                error = "--difficulty must be normal or easy, not '" + QuoteInput(text) + "'";
                return false;
            }
            options.Easy = text == "easy";
        } else if (arg == "--input") {
            if (!value(options.InputFile)) return false;
        } else if (arg == "--trace") {
            if (!value(options.TraceFile)) return false;
        } else if (arg == "--max-frames") {
            if (!value(text)) return false;
            if (!WholeNumber(text, 1, 100000000, number)) {
                error = "--max-frames must be a whole number of at least 1, not '" +
                        QuoteInput(text) + "'";
                return false;
            }
            options.MaxFrames = static_cast<int>(number);
        } else if (arg == "--snapshot") {
            if (!value(text)) return false;
            std::size_t colon = text.find(':');
            if (colon == std::string::npos || colon + 1 >= text.size() ||
                !WholeNumber(text.substr(0, colon), 1, 100000000, number)) {
                error = "--snapshot must be FRAME:FILE with a frame of at least 1, not '" +
                        QuoteInput(text) + "'";
                return false;
            }
            options.Snapshots.push_back({static_cast<int>(number), text.substr(colon + 1)});
        } else if (arg == "--career") {
            if (!value(options.CareerFile)) return false;
        } else if (arg == "--autopilot") {
            options.Autopilot = true;
        } else if (arg == "--time-trial") {
            options.TimeTrial = true;
        } else if (arg == "--ghost-check") {
            options.GhostCheck = true;
        } else if (arg == "--session") {
            if (!value(options.SessionFile)) return false;
        } else {
            error = "unknown option " + QuoteInput(arg);
            return false;
        }
    }
    if ((options.TimeTrial || options.GhostCheck) && !options.CareerFile.empty()) {
        error = "a time trial races the starting car, not a career's";
        return false;
    }
    // A record's ghost is the player's keys, and the computer's driving has none.
    if ((options.TimeTrial || options.GhostCheck) && options.Autopilot) {
        error = "a time trial is driven by --input keys, not --autopilot";
        return false;
    }
    if (!options.SessionFile.empty() && !raceOption.empty()) {
        error = raceOption + " belongs to the one-race simulation and cannot go with --session";
        return false;
    }
    return true;
}

bool ParseKeyScript(const std::string& text, std::vector<ScriptedKey>& keys, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string frame, action, key, extra;
        if (!(words >> frame)) continue;  // blank line
        if (frame[0] == '#') continue;
        words >> action >> key;
        long long number = 0;
        auto where = "line " + std::to_string(lineNumber) + ": ";
        if (!WholeNumber(frame, 0, 100000000, number)) {
            error = where + "'" + QuoteInput(frame) + "' is not a frame number";
            return false;
        }
        if (action != "down" && action != "up") {
            error = where + "expected down or up, not '" + QuoteInput(action) + "'";
            return false;
        }
        auto found = std::find_if(std::begin(ScriptKeys), std::end(ScriptKeys),
                                  [&](const KeyName& k) { return key == k.Name; });
        if (found == std::end(ScriptKeys)) {
            error = where + "unknown key '" + QuoteInput(key) +
                    "' (keys are Up Down Left Right Space Escape T L)";
            return false;
        }
        if (words >> extra) {
            error = where + "unexpected '" + QuoteInput(extra) + "' after the key";
            return false;
        }
        keys.push_back({static_cast<int>(number), action == "down", found->Code});
    }
    // Each frame's keys in file order; a script need not be sorted.
    std::stable_sort(keys.begin(), keys.end(),
                     [](const ScriptedKey& a, const ScriptedKey& b) { return a.Frame < b.Frame; });
    return true;
}
