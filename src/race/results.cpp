// The results board: who came home in what order and time, the player's best lap and his
// prize, shown after a race that was run to its end. It only reads what the race left.
#include <algorithm>
#include <iterator>
#include <vector>

#include "course/course.h"
#include "race/race_internal.h"
#include "sound/sound.h"

RaceResults LastResults;
Form* ResultsBoard = nullptr;

namespace {

// Race clock at green, and each car's time once it is home (0 while it is not).
f32 GreenAt = 0;
f32 HomeAfter[MaxCars];
std::vector<int> HomeOrder;

// The eight computer drivers, car 1 to car 8; further cars share their names in turn.
constexpr const char* RivalNames[] = {
    "Rusty Vance", "Dolores Kett", "Boris Quill", "Mae Thornbury",
    "Jonas Pike",  "Ida Marsh",    "Otto Grell",  "Wanda Slate",
};

bool Wrecked(const CarRecord& car) {
    return car.Status == StatusOut || car.FxState == FxExploding;
}

// The board's look is the pre-race panel's, so that one hands over to the other in place.
constexpr int PanelWidth = 641;
constexpr int PanelHeight = 465;
constexpr Colour PanelGrey = RGB(64, 64, 64);
constexpr Colour Heading = RGB(192, 192, 0);
constexpr Colour White = RGB(255, 255, 255);
constexpr Colour PlayerRowColour = RGB(36, 36, 36);
constexpr Colour NotHomeColour = RGB(170, 170, 170);
constexpr int RowsTop = 124;
constexpr int RowHeight = 25;
constexpr int PlaceLeft = 96, NameLeft = 170, TimeLeft = 420;
// Keys arriving this soon are a key still held from the race repeating, not an answer.
constexpr std::uint32_t KeyGraceMs = 500;

Font BoardFont(float size, bool bold = false) {
    Font font;
    font.Size = size;
    font.Bold = bold;
    return font;
}

std::string PlaceText(int place) {
    const char* suffix = "th";
    if (place % 100 < 11 || place % 100 > 13) {
        if (place % 10 == 1) suffix = "st";
        if (place % 10 == 2) suffix = "nd";
        if (place % 10 == 3) suffix = "rd";
    }
    return std::to_string(place) + suffix;
}

std::string Trimmed(const std::string& name) {
    std::size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

// Every control of the board lets the pointer through to the board itself, where any
// click ends it.
Control* Text(Control* parent, const std::string& name, int index, const std::string& caption,
              int left, int top, int width, int height, const Font& font, Colour colour,
              Alignment align = Alignment::Left) {
    Control* label = AddLabel(ResultsBoard, parent, name, caption, left, top, width, height,
                              font, colour, align);
    label->Index = index;
    label->Enabled = false;
    return label;
}

struct BoardState {
    bool Over = false;
    std::uint32_t ShownAt = 0;
    bool Held[256] = {};  // keys that were already down when the board came up
};
BoardState Board;

void Dismiss() {
    if (Board.Over) return;
    Board.Over = true;
    PlayClick(0);
}

void BuildBoard(const std::string& playerName) {
    ResultsBoard = CreateForm("ResultsBoard", CanvasWidth, CanvasHeight);
    ResultsBoard->BackColor = RGB(0, 0, 0);
    Control* panel = AddControl(ResultsBoard, nullptr, ControlKind::Panel, "ResultsBox",
                                CInt(CanvasWidth / 2.0 - PanelWidth / 2.0),
                                CInt(CanvasHeight / 2.0 - PanelHeight / 1.8), PanelWidth,
                                PanelHeight);
    panel->BackColor = PanelGrey;
    panel->Enabled = false;

    Text(panel, "ResultsTitle", -1, "RESULTS", 0, 14, PanelWidth, 38, BoardFont(21.75f, true),
         Heading, Alignment::Centre);
    Text(panel, "ResultsCourse", -1,
         "Course " + std::to_string(Course.Number) + "  -  " + Course.CourseName, 0, 54, PanelWidth,
         26, BoardFont(14.25f), White, Alignment::Centre);
    const Font head = BoardFont(9.75f, true), row = BoardFont(12.0f),
               playerRow = BoardFont(12.0f, true);
    Text(panel, "PlaceHead", -1, "Place", PlaceLeft, RowsTop - 24, 70, 20, head, Heading);
    Text(panel, "DriverHead", -1, "Driver", NameLeft, RowsTop - 24, 200, 20, head, Heading);
    Text(panel, "TimeHead", -1, "Time", TimeLeft, RowsTop - 24, 140, 20, head, Heading);

    for (int i = 0; i < LastResults.Count; ++i) {
        const ResultRow& r = LastResults.Rows[i];
        int top = RowsTop + i * RowHeight;
        bool player = r.Car == 0;
        if (player) {
            // The player's own line stands out the way a lit button does.
            Control* band = AddControl(ResultsBoard, panel, ControlKind::Shape, "PlayerRow",
                                       PlaceLeft - 16, top - 2, TimeLeft + 140 - PlaceLeft + 32,
                                       RowHeight - 2);
            band->BackColor = PlayerRowColour;
            band->Enabled = false;
        }
        const Font& font = player ? playerRow : row;
        Colour colour = player ? ButtonLit : White;
        Text(panel, "Place", i, PlaceText(i + 1), PlaceLeft, top, 70, RowHeight, font,
             player ? ButtonLit : Heading);
        Text(panel, "Driver", i, DriverName(r.Car, playerName), NameLeft, top, 240, RowHeight,
             font, colour);
        Text(panel, "Time", i, ResultTime(r), TimeLeft, top, 140, RowHeight, font,
             r.How == Finish::Home ? colour : NotHomeColour);
    }

    int below = RowsTop + 9 * RowHeight + 10;
    std::string best = LastResults.BestLap > 0 ? Format(LastResults.BestLap, "00.00") : "none";
    Text(panel, "BestLapResult", -1, "Best lap " + best, 0, below, PanelWidth / 2, 26,
         BoardFont(12.0f, true), White, Alignment::Centre);
    std::string prize =
        LastResults.Prize > 0 ? "Prize $" + std::to_string(LastResults.Prize) : "No prize";
    Text(panel, "PrizeResult", -1, prize, PanelWidth / 2,
         below, PanelWidth / 2, 26, BoardFont(12.0f, true),
         LastResults.Prize > 0 ? ButtonLit : White, Alignment::Centre);
    if (!LastResults.RecordNote.empty())
        Text(panel, "RecordResult", -1, LastResults.RecordNote, 0, below + 26, PanelWidth, 24,
             BoardFont(12.0f, true), Heading, Alignment::Centre);
    Text(panel, "ResultsHint", -1, "Press a key or click to go on", 0, 406, PanelWidth, 30,
         BoardFont(14.25f), ButtonNormal, Alignment::Centre);

    ResultsBoard->MouseDown = [](int, int, int) { Dismiss(); };
    ResultsBoard->KeyDown = [](int key) {
        bool early = GetTickCount() - Board.ShownAt < KeyGraceMs;
        bool known = key >= 0 && key < 256;
        if (early) {
            if (known) Board.Held[key] = true;
            return;
        }
        if (known && Board.Held[key]) return;  // still the race's key, repeating
        Dismiss();
    };
    // A key let go on the board was pressed in the race: the race window hears it, so no
    // brake or pedal is left held into the next race.
    ResultsBoard->KeyUp = [](int key) {
        if (key >= 0 && key < 256) Board.Held[key] = false;
        if (RaceWindow && RaceWindow->KeyUp) RaceWindow->KeyUp(key);
    };
}

}  // namespace

void StartResults() {
    GreenAt = RaceClock();
    std::fill(std::begin(HomeAfter), std::end(HomeAfter), 0.0f);
    HomeOrder.clear();
    LastResults = RaceResults{};
}

void NoteFinishers() {
    // Cars come home in index order within a frame, as the lap line counts them.
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        if (Cars[i].Status != StatusFinished || HomeAfter[i] > 0) continue;
        HomeAfter[i] = std::max(RaceClock() - GreenAt, 0.001f);
        HomeOrder.push_back(i);
    }
}

void TakeResults() {
    RaceResults results;
    for (int car : HomeOrder) results.Rows[results.Count++] = {car, Finish::Home, HomeAfter[car]};
    auto rest = [&](bool wrecks) {
        std::vector<int> cars;
        for (int i = 0; i <= Race.LastCarIndex; ++i)
            if (HomeAfter[i] == 0 && Wrecked(Cars[i]) == wrecks) cars.push_back(i);
        std::vector<f32> progress(MaxCars);
        for (int i : cars) progress[i] = CourseProgress(i);
        std::stable_sort(cars.begin(), cars.end(),
                         [&](int a, int b) { return progress[a] > progress[b]; });
        for (int i : cars)
            results.Rows[results.Count++] = {i, wrecks ? Finish::Out : Finish::Running, 0};
    };
    rest(false);
    rest(true);
    results.BestLap = FastestPlayerLap();
    LastResults = results;
}

std::string ResultTime(const ResultRow& row) {
    switch (row.How) {
        case Finish::Home: return Format(row.Time, "00.00");
        case Finish::Out: return "out";
        case Finish::Running: break;
    }
    return "did not finish";
}

std::string DriverName(int car, const std::string& playerName) {
    if (car == 0) {
        std::string name = Trimmed(playerName);
        return name.empty() ? "You" : name;
    }
    constexpr int Rivals = static_cast<int>(std::size(RivalNames));
    return RivalNames[(car - 1) % Rivals];
}

void ShowResultsBoard(const std::string& playerName) {
    // The board lives only while it is up, however its wait is left (a script's end
    // unwinds through it).
    struct Up {
        ~Up() {
            DestroyForm(ResultsBoard);
            ResultsBoard = nullptr;
            Refresh();
        }
    } up;
    BuildBoard(playerName);
    Board = BoardState{};
    ShowForm(ResultsBoard);
    Refresh();
    Board.ShownAt = GetTickCount();
    for (;;) {
        std::uint32_t shown = GetTickCount() - Board.ShownAt;
        if (Board.Over || shown >= static_cast<std::uint32_t>(ResultsShowMs) || QuitRequested())
            break;
        WaitEvents(static_cast<std::uint32_t>(ResultsShowMs) - shown);
    }
}

bool ResultsBoardShown() { return ResultsBoard && ResultsBoard->Visible; }
