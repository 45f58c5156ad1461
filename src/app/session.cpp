// The scripted session: the whole game from start-up on the headless backend and its
// virtual clock, acting out a script of pointer and key commands, waits, races, dumps and
// snapshots. The script runs inside the game's own turns, so a command given while a race
// (or any other loop that yields) is running reaches it exactly as a player's would.
#include <cstdio>
#include <sstream>
#include <utility>

#include "app/app.h"
#include "cars/cars.h"
#include "platform/headless/headless.h"
#include "race/race.h"
#include "sound/sound.h"

namespace {

enum class Command { Hover, Click, Select, Type, Key, KeyDown, KeyUp, Wait, Race, Dump, Snapshot };

struct ScriptLine {
    int Number = 0;
    Command What = Command::Dump;
    ControlName Target;      // hover, click, select
    int Value = 0;           // select: the entry; wait: milliseconds; key: the key code
    bool Autopilot = false;  // race
    std::string Text;        // type: the characters; snapshot: the file
    std::vector<ScriptedKey> Keys;  // race keys: the player's keys, from the green light
};

struct CommandWord {
    const char* Word;
    Command What;
};
constexpr CommandWord CommandWords[] = {
    {"hover", Command::Hover}, {"click", Command::Click},     {"select", Command::Select},
    {"type", Command::Type},   {"key", Command::Key},         {"keydown", Command::KeyDown},
    {"keyup", Command::KeyUp}, {"wait", Command::Wait},       {"race", Command::Race},
    {"dump", Command::Dump},   {"snapshot", Command::Snapshot},
};

// The key a typed character comes with on a keyboard; 0 for characters typed some other
// way (accented letters arrive as text alone).
int KeyOfCharacter(const std::string& character) {
    if (character.size() != 1) return 0;
    char c = character[0];
    if (c == ' ') return vbKeySpace;
    if (c == '-' || c == '_') return 189;
    if (c == '.') return 190;
    if (c == ',') return 188;
    if (c == '\'') return 222;
    return KeyCodeNamed(character);
}

std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        while (i + length < text.size() && (text[i + length] & 0xC0) == 0x80) ++length;
        characters.push_back(text.substr(i, length));
        i += length;
    }
    return characters;
}

bool WholeNumber(const std::string& text, int high, int& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return value <= high;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
        std::size_t end = text.find_first_of(" \t", at);
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// One line into a command; false with the reason when it is not one.
bool ParseLine(const std::string& text, ScriptLine& line, std::string& problem) {
    std::vector<std::string> words = Words(text);
    const CommandWord* command = nullptr;
    for (const CommandWord& c : CommandWords)
        if (words[0] == c.Word) command = &c;
    if (!command) {
        problem = "unknown command '" + QuoteInput(words[0]) + "'";
        return false;
    }
    line.What = command->What;
    std::size_t arguments = words.size() - 1;
    auto expect = [&](std::size_t count, const char* form) {
        if (arguments == count) return true;
        problem = std::string("expected '") + form + "'";
        return false;
    };
    switch (line.What) {
        case Command::Hover:
        case Command::Click:
            if (!expect(1, command->What == Command::Hover ? "hover NAME" : "click NAME"))
                return false;
            break;
        case Command::Select:
            if (!expect(2, "select NAME N")) return false;
            if (!WholeNumber(words[2], 10000, line.Value)) {
                problem = "'" + QuoteInput(words[2]) + "' is not an entry number";
                return false;
            }
            break;
        case Command::Type: {
            // Everything after the one blank behind the word, blanks at either end included.
            std::size_t start = text.find("type") + 5;
            if (start > text.size()) {
                problem = "expected 'type TEXT'";
                return false;
            }
            line.Text = text.substr(start);
            return true;
        }
        case Command::Key:
        case Command::KeyDown:
        case Command::KeyUp:
            if (!expect(1, "key KEY")) return false;
            line.Value = KeyCodeNamed(words[1]);
            if (!line.Value) {
                problem = "unknown key '" + QuoteInput(words[1]) +
                          "' (keys are Enter Escape Up Down Left Right Space Backspace Delete "
                          "Home End Tab Shift, letters and digits, and the pad's PadA PadB "
                          "PadX PadY PadLeftShoulder PadRightShoulder PadLeftTrigger "
                          "PadRightTrigger PadDpadUp PadDpadDown PadDpadLeft PadDpadRight "
                          "PadMenu PadView)";
                return false;
            }
            return true;
        case Command::Wait:
            if (!expect(1, "wait MS")) return false;
            if (!WholeNumber(words[1], 100000000, line.Value)) {
                problem = "'" + QuoteInput(words[1]) + "' is not a number of milliseconds";
                return false;
            }
            return true;
        case Command::Race:
            line.Autopilot = arguments == 1 && words[1] == "autopilot";
            if (arguments == 2 && words[1] == "keys") {
                line.Text = words[2];  // read once the script's folder is known
                return true;
            }
            if (arguments > 1 || (arguments == 1 && !line.Autopilot)) {
                problem = "expected 'race', 'race autopilot' or 'race keys FILE'";
                return false;
            }
            return true;
        case Command::Dump:
            return expect(0, "dump");
        case Command::Snapshot:
            if (!expect(1, "snapshot FILE")) return false;
            line.Text = words[1];
            return true;
    }
    if (!ParseControlName(words[1], line.Target)) {
        problem = "'" + QuoteInput(words[1]) +
                  "' is not a control name such as Label16, Item(3) or "
                  "FrontEnd.Label18";
        return false;
    }
    return true;
}

bool ParseScript(const std::string& text, std::vector<ScriptLine>& lines, std::string& error) {
    std::istringstream stream(text);
    std::string raw;
    for (int number = 1; std::getline(stream, raw); ++number) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::size_t first = raw.find_first_not_of(" \t");
        if (first == std::string::npos || raw[first] == '#') continue;
        ScriptLine line;
        line.Number = number;
        std::string problem;
        if (!ParseLine(raw.substr(first), line, problem)) {
            error = "line " + std::to_string(number) + ": " + problem;
            return false;
        }
        lines.push_back(std::move(line));
    }
    return true;
}

// How a session ends: thrown from inside whatever turn the script reaches its end in, so
// that it leaves a race or a message box as promptly as the top level.
struct SessionOver {
    int Status;
};

// A race the player cannot finish still ends: after ten minutes of frames the script
// gives up on it.
constexpr int RaceFrameLimit = 20000;
// Turns without the clock moving, inside a loop that never reads it, before a wait moves
// the clock on by itself. A race reads the clock every turn or two.
constexpr int StillTurnLimit = 1000;

struct Session {
    HeadlessBackend* Backend = nullptr;
    std::string File;
    std::vector<ScriptLine> Lines;
    std::size_t Next = 0;
    bool Started = false;  // start-up is over and the script may act
    bool TopTurn = false;  // the turn under way is the main loop's, not one inside a handler

    enum class Wait { Nothing, Time, Race } Waiting = Wait::Nothing;
    int WaitLine = 0;
    std::uint32_t Until = 0;
    std::uint32_t LastTick = 0;
    int StillTurns = 0;

    [[noreturn]] void Fail(int line, const std::string& problem) {
        std::fprintf(stderr, "gravel-ghosts: %s line %d: %s\n", PrintableText(File).c_str(), line,
                     problem.c_str());
        throw SessionOver{2};
    }

    void Send(InputEvent::Type kind, int x = 0, int y = 0, int key = 0, std::string text = {}) {
        InputEvent e;
        e.Kind = kind;
        e.X = x, e.Y = y, e.Key = key, e.Text = std::move(text);
        Backend->Push(e);
    }

    void PointAndClick(int x, int y, bool click) {
        Send(InputEvent::Type::MouseMove, x, y);
        if (!click) return;
        Send(InputEvent::Type::MouseDown, x, y);
        Send(InputEvent::Type::MouseUp, x, y);
    }

    // Acts out one line; true when it sent input or began a wait, which the game must
    // take in before the next line.
    bool Perform(const ScriptLine& line) {
        Control* target = nullptr;
        if (line.What == Command::Hover || line.What == Command::Click ||
            line.What == Command::Select) {
            std::string problem;
            target = FindShownControl(line.Target, problem);
            if (!target) Fail(line.Number, problem);
        }
        int centreX = target ? target->CanvasLeft() + target->Width / 2 : 0;
        int centreY = target ? target->CanvasTop() + target->Height / 2 : 0;
        switch (line.What) {
            case Command::Hover:
            case Command::Click:
                PointAndClick(centreX, centreY, line.What == Command::Click);
                return true;
            case Command::Select: {
                std::string name = ControlKey(*target);
                if (target->Kind != ControlKind::ListBox) Fail(line.Number, name + " is not a list box");
                if (line.Value >= static_cast<int>(target->List.size()))
                    Fail(line.Number, name + " has " + std::to_string(target->List.size()) +
                                          " entries, so no entry " + std::to_string(line.Value));
                int row = ListBoxRowHeight(*target);
                int y = line.Value * row + row / 2;
                if (y >= target->Height)
                    Fail(line.Number, "entry " + std::to_string(line.Value) + " of " + name +
                                          " lies below the list's bottom edge");
                PointAndClick(centreX, target->CanvasTop() + y, true);
                return true;
            }
            case Command::Type:
                for (const std::string& character : Characters(line.Text)) {
                    int key = KeyOfCharacter(character);
                    if (key) Send(InputEvent::Type::KeyDown, 0, 0, key);
                    Send(InputEvent::Type::Text, 0, 0, 0, character);
                    if (key) Send(InputEvent::Type::KeyUp, 0, 0, key);
                }
                return true;
            case Command::Key:
                Send(InputEvent::Type::KeyDown, 0, 0, line.Value);
                Send(InputEvent::Type::KeyUp, 0, 0, line.Value);
                return true;
            case Command::KeyDown:
                Send(InputEvent::Type::KeyDown, 0, 0, line.Value);
                return true;
            case Command::KeyUp:
                Send(InputEvent::Type::KeyUp, 0, 0, line.Value);
                return true;
            case Command::Wait:
                Waiting = Wait::Time;
                WaitLine = line.Number;
                Until = Backend->PeekTickCount() + static_cast<std::uint32_t>(line.Value);
                StillTurns = 0;
                return true;
            case Command::Race:
                if (!RaceInProgress) Fail(line.Number, "no race is in progress");
                AutopilotEnabled = line.Autopilot;
                RaceKeys = &line.Keys;
                NextRaceKey = 0;
                Waiting = Wait::Race;
                WaitLine = line.Number;
                return true;
            case Command::Dump:
                std::printf("%s\n", DumpScreen().c_str());
                try {
                    FlushStandardOutput();
                } catch (const FileError& e) {
                    Fail(line.Number, e.what());
                }
                return false;
            case Command::Snapshot:
                try {
                    SavePicture(ComposeCanvas(), line.Text);
                } catch (const FileError& e) {
                    Fail(line.Number, e.what());
                }
                return false;
        }
        return false;
    }

    // Whether the wait under way is over. Nothing moves the clock at the top level or
    // under a message box, so there the session moves it on itself; a race, the save
    // button's pause and the like read the clock and so let time pass on their own.
    bool WaitOver(bool top) {
        switch (Waiting) {
            case Wait::Nothing:
                return true;
            case Wait::Time: {
                std::uint32_t now = Backend->PeekTickCount();
                if (static_cast<std::int32_t>(now - Until) >= 0) break;
                StillTurns = now == LastTick ? StillTurns + 1 : 0;
                LastTick = now;
                if (!top && !MessageOnScreen() && StillTurns < StillTurnLimit) return false;
                Backend->Advance(Until - now);
                break;
            }
            case Wait::Race:
                if (RaceInProgress) {
                    if (Race.Frame > RaceFrameLimit)
                        Fail(WaitLine, "the race did not end within " +
                                           std::to_string(RaceFrameLimit) + " frames");
                    return false;
                }
                // The race's end hands over to its results board or the message box of a
                // race left, where the script goes on as a player would, or to the front
                // end once the main loop has the turn again.
                if (!top && !ResultsBoardShown() && !MessageOnScreen()) return false;
                AutopilotEnabled = false;
                RaceKeys = nullptr;
                break;
        }
        Waiting = Wait::Nothing;
        return true;
    }

    // A race played from a key script gets its keys as the headless race gives them:
    // those of frame F in the turns after frame F, none before the green light.
    const std::vector<ScriptedKey>* RaceKeys = nullptr;
    std::size_t NextRaceKey = 0;

    void DeliverRaceKeys() {
        if (!RaceKeys || !RaceInProgress || Race.Frame < 1) return;
        while (NextRaceKey < RaceKeys->size() && (*RaceKeys)[NextRaceKey].Frame <= Race.Frame) {
            ScriptedKey key = (*RaceKeys)[NextRaceKey++];
            const KeyHandler& handler = key.Down ? RaceWindow->KeyDown : RaceWindow->KeyUp;
            if (handler) handler(key.KeyCode);
        }
    }

    void Turn() {
        DeliverRaceKeys();
        // A message box during start-up waits for the script like any other.
        if (!Started && !MessageOnScreen()) return;
        bool top = std::exchange(TopTurn, false);
        if (!WaitOver(top)) return;
        // A handler that gives the window system a turn (the way back to the front end,
        // the save's pause) is still under way: the next line waits until it is done,
        // unless it is a race, a message box or the results waiting for the player.
        if (!top && !RaceInProgress && !MessageOnScreen() && !ResultsBoardShown()) return;
        while (Next < Lines.size())
            if (Perform(Lines[Next++])) return;
        throw SessionOver{0};
    }
};

}  // namespace

int RunSession(int argc, char** argv) {
    GameOptions options;
    if (int status = 0; !OptionsOrExit(argc, argv, options, status)) return status;
    if (options.SessionFile.empty()) return Fail("--session needs a script file");

    Session session;
    session.File = options.SessionFile;
    if (!FileExists(session.File))
        return Fail("cannot read the session script " + PrintableText(session.File));
    std::string error;
    if (!ParseScript(ReadFileText(session.File), session.Lines, error))
        return Fail(PrintableText(session.File) + " " + error);
    // Key scripts are named from the session script's own folder.
    std::string folder = session.File.substr(0, session.File.find_last_of('/') + 1);
    for (ScriptLine& line : session.Lines) {
        if (line.What != Command::Race || line.Text.empty()) continue;
        std::string path = line.Text[0] == '/' ? line.Text : folder + line.Text;
        try {
            if (!ParseKeyScript(ReadFileText(path), line.Keys, error))
                return Fail(PrintableText(path) + ", " + error);
        } catch (const FileError& e) {
            return Fail(PrintableText(session.File) + " line " + std::to_string(line.Number) + ": " + e.what());
        }
    }

    if (!options.DataDir.empty()) SetAppPath(options.DataDir);
    if (std::string problem = DataFolderProblem(); !problem.empty()) {
        Fail(problem);
        return 1;
    }
    HeadlessBackend& backend = InstallHeadlessBackend();
    backend.AnswersMessageBoxes = true;
    backend.BeforeTurn = [&session] { session.Turn(); };
    session.Backend = &backend;
    Randomize(options.Seed);
    KeepSoundLog(true);

    int status = 0;
    try {
        StartGame(options);
        session.Started = true;
        while (!QuitRequested()) {
            session.TopTurn = true;
            DoEvents();
        }
        if (session.Next < session.Lines.size())
            session.Fail(session.Lines[session.Next].Number, "the game has already ended");
    } catch (const SessionOver& over) {
        status = over.Status;
    } catch (const FileError& e) {
        std::fprintf(stderr, "gravel-ghosts: %s\n", e.what());
        status = 1;
    }
    backend.BeforeTurn = nullptr;
    backend.AnswersMessageBoxes = false;
    AutopilotEnabled = false;
    KeepSoundLog(false);
    ReleaseSound();
    std::fflush(stdout);
    return status;
}
