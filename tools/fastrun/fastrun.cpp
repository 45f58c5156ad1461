// gg_fastrun: the course designer's instrument. Searches the player's keys for a fast,
// placing run on one course, running the headless race in-process: a beam of candidate
// runs, each branching every few frames into the key states a player could choose, the
// best kept by how far round the course they got. Every candidate races the same seeds
// side by side, so a run is kept for what it does on all of them, not for one lucky
// draw of the rivals. Same options, same run.
//
// The run is written in the --input format of the headless race, with its time, place
// and pickups in the comments at its top.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app.h"
#include "course/course.h"
#include "course_layout.h"
#include "platform/headless/headless.h"
#include "race/race.h"

namespace {

// A seed's race at one moment, to go back to and race on from differently.
void Take(RaceMoment& m) { m = TakeRaceMoment(); }
void Restore(const RaceMoment& m) { RestoreRaceMoment(m); }

// ---------------------------------------------------------------------------------
// How far round: the road's tiles in driving order, and the car's place along them.
// ---------------------------------------------------------------------------------

std::vector<LoopTile> Road;

void FindRoad() {
    CourseLayout layout;
    for (int c = 0; c < LayoutSize; ++c)
        for (int r = 0; r < LayoutSize; ++r) layout.Tiles[c][r] = Course.TileMap[c][r];
    layout.StartCol = Course.StartTileCol;
    layout.StartRow = Course.StartTileRow;
    std::string problem;
    Road = DrivingLoop(layout, problem);
    if (Road.empty()) throw std::runtime_error("the course has no road to follow: " + problem);
}

const LoopTile& RoadAt(int index) {
    int n = static_cast<int>(Road.size());
    return Road[((index % n) + n) % n];
}

// The tile index along the road (counting on past the first lap) of a car last known at
// `index`: a car moves at most a tile or two a frame.
int FollowRoad(int index, const CarRecord& car) {
    for (int step : {0, 1, -1, 2, -2}) {
        const LoopTile& t = RoadAt(index + step);
        if (t.Col == car.TileCol && t.Row == car.TileRow) return index + step;
    }
    return index;  // off the road's tiles (through a wall's corner): keep the last
}

// Pixels driven along the road: whole tiles, then the way through this one, measured
// along the way in and the way out.
double Progress(int index, const CarRecord& car) {
    const LoopTile &before = RoadAt(index - 1), &here = RoadAt(index), &after = RoadAt(index + 1);
    double inX = here.Col - before.Col, inY = here.Row - before.Row;
    double outX = after.Col - here.Col, outY = after.Row - here.Row;
    double x = car.TileX - 100, y = car.TileY - 100;
    return index * 200.0 + 100 + 0.5 * (x * inX + y * inY + x * outX + y * outY);
}

// ---------------------------------------------------------------------------------
// The player's keys: what is held between two decisions.
// ---------------------------------------------------------------------------------

enum Steering : std::uint8_t { Straight, Left, Right };
enum PedalKey : std::uint8_t { Coast, Throttle, Braking };
struct Keys {
    Steering Steer = Straight;
    PedalKey Pedal = Coast;
    bool operator==(const Keys&) const = default;
};

int SteerKey(Steering s) { return s == Left ? vbKeyLeft : vbKeyRight; }
int PedalKeyCode(PedalKey p) { return p == Throttle ? vbKeyUp : vbKeySpace; }

struct KeyEvent {
    int Frame;
    bool Down;
    int Code;
};

// The key presses and releases that take the held keys from `from` to `to`.
void Change(const Keys& from, const Keys& to, int frame, std::vector<KeyEvent>& out) {
    if (from.Steer != to.Steer) {
        if (from.Steer != Straight) out.push_back({frame, false, SteerKey(from.Steer)});
        if (to.Steer != Straight) out.push_back({frame, true, SteerKey(to.Steer)});
    }
    if (from.Pedal != to.Pedal) {
        if (from.Pedal != Coast) out.push_back({frame, false, PedalKeyCode(from.Pedal)});
        if (to.Pedal != Coast) out.push_back({frame, true, PedalKeyCode(to.Pedal)});
    }
}

// ---------------------------------------------------------------------------------
// The search
// ---------------------------------------------------------------------------------

struct SearchSettings {
    std::vector<std::uint64_t> Seeds{1};
    int Beam = 300;
    int Every = 4;  // frames between two decisions
    int MaxFrames = 12000;
    double PickupWorth = 120;  // pixels of road a pickup is worth to the search
    int Spare = 2;             // lanes a run may lose
    int Hands = 1;             // players per seed who press keys off the script's frame
    int Slack = 3;             // by up to this many frames either way
    bool Alone = false;
    // A race the run must never wreck in and should place in: a session's next race, by
    // where its random numbers stood (a session dump's "random"); 0 for none.
    std::uint64_t RandomState = 0;
    std::string Replay;  // a key script to race instead of searching
    int MinHold = 8;           // frames a key stays as it was set
    std::string Out;
};

// One seed's race in a candidate run. A person presses a key a little early or late, so
// a lane may have a hand of its own that delivers each key up to `Slack` frames either
// side of the script's frame; a lane without one keeps the script's time.
constexpr int MaxPending = 16;
struct Lane {
    RaceMoment Moment;
    std::uint64_t Hand = 0;
    KeyEvent Pending[MaxPending];
    int PendingCount = 0;
    std::uint8_t Down = 0;  // the keys this lane's player holds, as bits of KeyBits
    int RoadIndex = 0;
    int FinishFrame = 0;  // the player's, once home
    i16 Place = 0;        // his place when he came home; 10 when three rivals beat him
};

constexpr int KeyBits[] = {vbKeyUp, vbKeySpace, vbKeyLeft, vbKeyRight};

std::uint8_t BitOf(int code) {
    for (int b = 0; b < 4; ++b)
        if (KeyBits[b] == code) return static_cast<std::uint8_t>(1 << b);
    return 0;
}

// The candidates share their history as a tree: each decision points to the one before.
struct Decision {
    int Parent;
    Keys Held;
    int Frame;
};
std::vector<Decision> History;

struct Candidate {
    std::vector<Lane> Lanes;
    Keys Held;
    // When the wheel and the pedals last changed: a hand that presses a key up to Slack
    // frames early or late must not release it before it pressed it.
    int SteerSince = -100, PedalSince = -100;
    int Node = -1;
    double Score = 0;
};

i32 StartCash = 0;

bool Collecting = false;  // --collect: a race run for its pickups, not for a place
// Pixels of road a point of body is worth: enough that a run does not buy speed with walls.
double DamageWorth = 15;

// A run's worth on one seed: how far round, less the body it lost; a run that is home is
// worth more the sooner it came, and nothing if it did not place.
double LaneScore(const Lane& lane) {
    const CarRecord& me = lane.Moment.Car[0];
    double pickups = (me.Cash - StartCash) / 100.0;
    // A race run for its pickups: the more taken, the better, placed or not, and a wreck
    // takes them all away.
    double lost = (me.BodyMax - me.Body) * DamageWorth;
    if (Collecting)
        return lane.Moment.State.Outcome == Outcome::Abandoned || me.FxState == FxExploding
                   ? -1e9
                   : pickups * 1000 + Progress(lane.RoadIndex, me) * 0.2 - lost;
    if (lane.Place >= 10 || lane.Moment.State.Outcome == Outcome::Abandoned)
        return -1e9 + Progress(lane.RoadIndex, me);
    if (lane.FinishFrame > 0) return 1e8 - lane.FinishFrame * 100.0 + pickups * 10;
    return Progress(lane.RoadIndex, me) - lost;
}

double Score(const Candidate& c, const SearchSettings& s) {
    std::vector<double> values;
    double sum = 0;
    // The given race is the last lane. It must never end in a wreck; a run that places in
    // it is better than one that does not, but the seeds decide how good a run is.
    double given = 0;
    if (s.RandomState) {
        const Lane& lane = c.Lanes.back();
        const CarRecord& me = lane.Moment.Car[0];
        if (lane.Moment.State.Outcome == Outcome::Abandoned || me.FxState == FxExploding)
            given = -1e9;
        else if (lane.Place >= 10)
            given = -1e6;
        else
            given = -(me.BodyMax - me.Body) * DamageWorth;
    }
    for (const Lane& lane : c.Lanes) {
        if (s.RandomState && &lane == &c.Lanes.back()) continue;
        const CarRecord& me = lane.Moment.Car[0];
        double pickups = (me.Cash - StartCash) / 100.0;
        double v = LaneScore(lane) + (lane.FinishFrame > 0 ? 0 : pickups * s.PickupWorth);
        values.push_back(v);
        sum += v;
    }
    // A run must serve all but `Spare` of the seeds: it is as good as its worst seed once
    // those are set aside, with a little of the mean to tell equals apart.
    // With no lane to spare given, the mean: what a run makes of the average hand.
    if (s.Spare < 0) return given + sum / values.size();
    std::sort(values.begin(), values.end());
    std::size_t counted = std::min(values.size() - 1, static_cast<std::size_t>(s.Spare));
    return given + values[counted] + 0.25 * sum / values.size();
}

std::uint64_t Mix(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Queues a decision's key changes, each at the frame this lane's player makes it.
void Queue(Lane& lane, const std::vector<KeyEvent>& change, int node, int slack) {
    for (std::size_t k = 0; k < change.size() && lane.PendingCount < MaxPending; ++k) {
        KeyEvent e = change[k];
        if (lane.Hand != 0)
            e.Frame += static_cast<int>(Mix(lane.Hand ^ Mix(node * 64 + k)) % (2 * slack + 1)) -
                       slack;
        lane.Pending[lane.PendingCount++] = e;
    }
}

// The race is called only four seconds after the player is home, and a car wrecked in
// them (a rival running into it, worn-out tyres) loses it all: home, the player lets go
// of everything and brakes, as the written run does, and the race is run on to its call.
bool SurvivesTheFinishWait() {
    RaceMoment home;
    Take(home);
    ReleaseRaceKeys();
    RaceKeyDown(vbKeySpace);
    Cars[0].Pedal = PedalOff;
    Cars[0].Steer = SteerStraight;
    constexpr int FinishWaitFrames = 4000 / FrameMs + 10;
    bool whole = true;
    for (int f = 0; f < FinishWaitFrames && whole; ++f) {
        RunFrameRules();
        AdvanceEffects();
        whole = Race.Outcome == Outcome::Running && Cars[0].FxState != FxExploding;
    }
    Restore(home);
    return whole;
}

// Runs one seed's race `frames` frames on.
void Advance(Lane& lane, int frames) {
    ReleaseRaceKeys();
    for (int b = 0; b < 4; ++b)
        if (lane.Down & (1 << b)) RaceKeyDown(KeyBits[b]);
    Restore(lane.Moment);  // after the presses, whose effect on the car it overwrites
    for (int f = 0; f < frames; ++f) {
        if (lane.FinishFrame > 0 || lane.Place >= 10 || Race.Outcome != Outcome::Running) break;
        // Keys of frame F reach the car after that frame's rules, as in the headless race.
        for (int k = 0; k < lane.PendingCount;) {
            KeyEvent e = lane.Pending[k];
            if (e.Frame > Race.Frame) {
                ++k;
                continue;
            }
            (e.Down ? RaceKeyDown : RaceKeyUp)(e.Code);
            lane.Down = e.Down ? (lane.Down | BitOf(e.Code)) : (lane.Down & ~BitOf(e.Code));
            lane.Pending[k] = lane.Pending[--lane.PendingCount];
        }
        RunFrameRules();
        AdvanceEffects();
        lane.RoadIndex = FollowRoad(lane.RoadIndex, Cars[0]);
        // A car bumped back over the lap line and on again counts a lap it never drove (the
        // backward check lies short of the line): no run may be built on that.
        int roadLaps = (lane.RoadIndex - 1) / static_cast<int>(Road.size());
        if (Cars[0].LapCount > roadLaps && Cars[0].LapCount < 10) lane.Place = 10;
        if (lane.Place >= 10) break;
        if (Cars[0].Status == StatusFinished) {
            lane.FinishFrame = Race.Frame;
            lane.Place = SurvivesTheFinishWait() ? Race.FinishCount : i16{10};
        } else if (Race.FinishCount >= 10) {
            lane.Place = 10;
        }
    }
    Take(lane.Moment);
}

std::vector<KeyEvent> EventsOf(int node) {
    std::vector<int> chain;
    for (int n = node; n >= 0; n = History[n].Parent) chain.push_back(n);
    std::reverse(chain.begin(), chain.end());
    std::vector<KeyEvent> events;
    Keys held;
    for (int n : chain) {
        Change(held, History[n].Held, History[n].Frame, events);
        held = History[n].Held;
    }
    return events;
}

const char* KeyName(int code) {
    switch (code) {
        case vbKeyLeft: return "Left";
        case vbKeyRight: return "Right";
        case vbKeyUp: return "Up";
        case vbKeySpace: return "Space";
        default: return "?";
    }
}

// Same place on the road, same speed and heading: only the better of two is worth going on with.
std::string Likeness(const Candidate& c, int slack) {
    const CarRecord& me = c.Lanes[0].Moment.Car[0];
    char key[128];
    // The keys still on their way count too: two cars alike now part when they arrive.
    std::snprintf(key, sizeof key, "%d/%d/%d/%d/%d/%d/%d/%d", c.Lanes[0].RoadIndex,
                  static_cast<int>(me.TileX / 12), static_cast<int>(me.TileY / 12), me.Heading,
                  static_cast<int>(me.Speed / 8), me.Skidding, slack ? c.Held.Steer : 0,
                  slack ? c.Held.Pedal : 0);
    return key;
}

constexpr Keys Choices[] = {
    {Straight, Throttle}, {Left, Throttle}, {Right, Throttle},
    {Straight, Coast},    {Left, Coast},    {Right, Coast},
    {Straight, Braking},  {Left, Braking},  {Right, Braking},
};

int Search(const GameOptions& base, const SearchSettings& s) {
    // Every seed's race up to green, as the headless race sets it up; each seed raced by a
    // player who keeps the script's time and by `Hands` who do not.
    Candidate root;
    std::vector<std::uint64_t> seeds = s.Seeds;
    if (s.RandomState) seeds.push_back(0);
    for (std::uint64_t seed : seeds) {
        GameOptions options = base;
        options.Seed = seed;
        SetUpHeadlessRace(options);
        if (seed == 0) SetRaceRandomState(s.RandomState);
        BeginRace(RaceSetup{});
        // The player's own pace, with nobody in his way (the rivals still stand on the grid).
        if (s.Alone) Race.LastCarIndex = 0;
        Lane lane;
        Take(lane.Moment);
        for (int hand = 0; hand <= s.Hands; ++hand) {
            lane.Hand = hand == 0 ? 0 : Mix(seed * 977 + hand);
            root.Lanes.push_back(lane);
            if (seed == 0) break;
        }
    }
    FindRoad();
    StartCash = root.Lanes[0].Moment.Car[0].Cash;
    // The first frame runs before any key can arrive.
    for (Lane& lane : root.Lanes) Advance(lane, 1);

    // A replay checks the search against the game: every lane driven by a given script.
    if (!s.Replay.empty()) {
        std::vector<ScriptedKey> keys;
        std::string error;
        if (!ParseKeyScript(ReadFileText(s.Replay), keys, error)) throw std::runtime_error(error);
        for (Lane& lane : root.Lanes) {
            for (const ScriptedKey& k : keys) {
                Advance(lane, std::max(0, k.Frame - lane.Moment.State.Frame));
                if (lane.PendingCount < MaxPending)
                    lane.Pending[lane.PendingCount++] = {k.Frame, k.Down, k.KeyCode};
            }
            Advance(lane, s.MaxFrames);
            const CarRecord& me = lane.Moment.Car[0];
            std::printf("home at frame %d, place %d, cash %d, body %g, laps %d of %d\n",
                        lane.FinishFrame, lane.Place, int(me.Cash), double(me.Body), me.LapCount,
                        RaceLaps);
        }
        return 0;
    }
    std::vector<Candidate> beam{root};
    std::vector<Candidate> home;
    for (int frame = 1; frame < s.MaxFrames && !beam.empty(); frame += s.Every) {
        std::vector<Candidate> next;
        next.reserve(beam.size() * std::size(Choices));
        for (const Candidate& c : beam) {
            for (const Keys& choice : Choices) {
                if (choice.Steer != c.Held.Steer && frame - c.SteerSince < s.MinHold) continue;
                if (choice.Pedal != c.Held.Pedal && frame - c.PedalSince < s.MinHold) continue;
                Candidate child = c;
                if (choice.Steer != c.Held.Steer) child.SteerSince = frame;
                if (choice.Pedal != c.Held.Pedal) child.PedalSince = frame;
                std::vector<KeyEvent> change;
                Change(c.Held, choice, frame, change);
                child.Held = choice;
                if (!change.empty() || c.Node < 0) {
                    History.push_back({c.Node, choice, frame + s.Slack});
                    child.Node = static_cast<int>(History.size()) - 1;
                }
                bool allDone = true;
                // The script's frame for the change: a hand may make it Slack frames sooner.
                for (KeyEvent& e : change) e.Frame += s.Slack;
                for (Lane& lane : child.Lanes) {
                    Queue(lane, change, child.Node, s.Slack);
                    Advance(lane, s.Every);
                    allDone = allDone && (lane.FinishFrame > 0 || lane.Place >= 10 ||
                                          lane.Moment.State.Outcome != Outcome::Running);
                }
                child.Score = Score(child, s);
                (allDone ? home : next).push_back(std::move(child));
            }
        }
        std::sort(next.begin(), next.end(),
                  [](const Candidate& a, const Candidate& b) { return a.Score > b.Score; });
        beam.clear();
        std::map<std::string, bool> seen;
        for (Candidate& c : next) {
            if (static_cast<int>(beam.size()) >= s.Beam) break;
            if (!seen.emplace(Likeness(c, s.Slack), true).second) continue;
            beam.push_back(std::move(c));
        }
        // Once a run is home on every seed, nothing still out can beat it.
        if (!Collecting && !home.empty() && (beam.empty() || beam.front().Score < 1e7)) {
            double best = -1e18;
            for (const Candidate& h : home) best = std::max(best, h.Score);
            if (best > 0) break;
        }
        if (frame % 200 == 1 && !beam.empty()) {
            const Lane& l = beam.front().Lanes[0];
            std::fprintf(stderr, "frame %d: beam %zu, best road %.0f, speed %.0f, home %zu\n",
                         frame, beam.size(), Progress(l.RoadIndex, l.Moment.Car[0]),
                         double(l.Moment.Car[0].Speed), home.size());
        }
    }
    if (home.empty()) {
        std::fprintf(stderr, "gg_fastrun: no run came home\n");
        return 1;
    }
    const Candidate& best = *std::max_element(
        home.begin(), home.end(),
        [](const Candidate& a, const Candidate& b) { return a.Score < b.Score; });

    std::ostringstream out;
    out << "# gg_fastrun: course " << base.Course << ", " << (base.Easy ? "easy" : "normal")
        << (base.CareerFile.empty() ? "" : ", career " + base.CareerFile) << "\n";
    for (const Lane& l : best.Lanes) {
        if (l.Hand != 0) continue;
        std::size_t at = (&l - best.Lanes.data()) / (s.Hands + 1);
        out << (at < s.Seeds.size() ? "# seed " + std::to_string(s.Seeds[at])
                                    : std::string("# the given race"))
            << ": home at frame " << l.FinishFrame << ", place " << l.Place
            << ", pickups " << (l.Moment.Car[0].Cash - StartCash) / 100 << ", body "
            << l.Moment.Car[0].Body << "\n";
    }
    // Home, the player lets go and brakes: a car left running on after the line can still
    // hit a wall hard enough to wreck before the race is called.
    int homeFrame = 0;  // the last lane's to come home
    for (const Lane& l : best.Lanes) homeFrame = std::max(homeFrame, l.FinishFrame);
    std::vector<KeyEvent> events = EventsOf(best.Node);
    if (homeFrame > 0) {
        Keys held;
        for (int n = best.Node; n >= 0; n = History[n].Parent)
            if (History[n].Frame <= homeFrame) {
                held = History[n].Held;
                break;
            }
        std::erase_if(events, [&](const KeyEvent& e) { return e.Frame > homeFrame; });
        Change(held, Keys{Straight, Braking}, homeFrame + 1, events);
    }
    for (const KeyEvent& e : events)
        out << e.Frame << (e.Down ? " down " : " up ") << KeyName(e.Code) << "\n";
    std::string text = out.str();
    if (s.Out.empty()) {
        std::fputs(text.c_str(), stdout);
    } else {
        WriteFileAtomic(s.Out, text.data(), text.size(), "key script");
    }
    for (std::size_t at = 0; at < text.size() && text[at] == '#';) {
        std::size_t end = text.find('\n', at) + 1;
        std::fputs(text.substr(at, end - at).c_str(), stderr);
        at = end;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    SearchSettings s;
    std::vector<char*> gameArgs{argv[0], const_cast<char*>("--headless")};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        try {
            if (arg == "--seeds") {
                s.Seeds.clear();
                std::stringstream list(next());
                for (std::string item; std::getline(list, item, ',');)
                    s.Seeds.push_back(std::stoull(item));
            } else if (arg == "--beam") {
                s.Beam = std::stoi(next());
            } else if (arg == "--every") {
                s.Every = std::stoi(next());
            } else if (arg == "--pickup-worth") {
                s.PickupWorth = std::stod(next());
            } else if (arg == "--hands") {
                s.Hands = std::stoi(next());
            } else if (arg == "--slack") {
                s.Slack = std::stoi(next());
            } else if (arg == "--min-hold") {
                s.MinHold = std::stoi(next());
            } else if (arg == "--replay") {
                s.Replay = next();
            } else if (arg == "--random-state") {
                s.RandomState = std::stoull(next());
            } else if (arg == "--damage-worth") {
                DamageWorth = std::stod(next());
            } else if (arg == "--collect") {
                Collecting = true;
            } else if (arg == "--alone") {
                s.Alone = true;
            } else if (arg == "--spare") {
                s.Spare = std::stoi(next());
            } else if (arg == "--out") {
                s.Out = next();
            } else if (arg == "--help" || arg == "-h") {
                std::puts(
                    "Usage: gg_fastrun --course N [--difficulty normal|easy] [--career FILE]\n"
                    "                  [--data-dir DIR] [--seeds 1,2,3] [--beam W] [--every F]\n"
                    "                  [--pickup-worth PIXELS] [--spare N] [--hands N]\n"
                    "                  [--slack FRAMES] [--out FILE]");
                return 0;
            } else {
                gameArgs.push_back(argv[i]);
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "gg_fastrun: %s\n", e.what());
            return 2;
        }
    }
    GameOptions options;
    std::string error;
    if (!ParseOptions(static_cast<int>(gameArgs.size()), gameArgs.data(), options, error)) {
        std::fprintf(stderr, "gg_fastrun: %s\n", error.c_str());
        return 2;
    }
    try {
        InstallHeadlessBackend();
        SetAppPath(options.DataDir.empty() ? GG_GAME_DIR : options.DataDir);
        DrawingEnabled = false;
        return Search(options, s);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gg_fastrun: %s\n", e.what());
        return 2;
    }
}
