// Where the player stands in the race: the lap being driven and the place among the cars,
// worked out from the lap counts and how far each car is round the course. It only reads
// the race; nothing here changes a car.
#include <algorithm>
#include <string>
#include <vector>

#include "course/course.h"
#include "race/race_internal.h"

Control* LapField = nullptr;
Control* PlaceField = nullptr;

namespace {

enum Side { West, East, North, South };
constexpr int SideBit(Side s) { return 1 << s; }
constexpr Side Opposite[4] = {East, West, South, North};
constexpr int StepX[4] = {-1, 1, 0, 0};
constexpr int StepY[4] = {0, 0, -1, 1};

// The open sides of each road tile, the complement of its full walls.
struct TileOpening {
    i16 Code;
    int Open;
};
constexpr int WE = SideBit(West) | SideBit(East);
constexpr int NS = SideBit(North) | SideBit(South);
constexpr TileOpening Openings[] = {
    {1, WE},  {19, WE}, {21, WE}, {5, NS}, {18, NS}, {20, NS},
    {6, WE | SideBit(South)},     {7, SideBit(East) | SideBit(South)},
    {10, NS | SideBit(East)},     {11, WE | NS},
    {12, SideBit(West) | SideBit(South)}, {13, NS | SideBit(West)},
    {14, SideBit(North) | SideBit(East)}, {15, SideBit(North) | SideBit(West)},
    {16, WE | SideBit(North)},
};

int OpenSides(i16 code) {
    for (const TileOpening& t : Openings)
        if (t.Code == code) return t.Open;
    return 0;
}

// One tile of the road in driving order, with the side a car comes in by and leaves by.
struct RouteTile {
    int Col, Row;
    Side In, Out;
};
std::vector<RouteTile> Route;
// Up to two places on the route per tile: a crossing is driven through twice.
int RouteAt[MapSize][MapSize][2];

// The road as the cars drive it, from the start tile southwards back to the start tile.
// A road that does not close (a hand-made test map, a broken course) leaves the route
// empty and every car at the start of its lap.
void TraceRoute() {
    Route.clear();
    for (auto& column : RouteAt)
        for (auto& cell : column) cell[0] = cell[1] = -1;
    int c = Course.StartTileCol, r = Course.StartTileRow;
    Side heading = South, in = North;
    std::vector<RouteTile> route;
    for (int guard = 0; guard < 2 * MapSize * MapSize; ++guard) {
        int open = OpenSides(TileType(c, r));
        if (!(open & SideBit(in))) return;
        int exits = open & ~SideBit(in);
        if (!(exits & SideBit(heading))) {
            // Not straight on: a bend has one way out; anything else is no road.
            if (__builtin_popcount(exits) != 1) return;
            heading = static_cast<Side>(__builtin_ctz(exits));
        }
        route.push_back({c, r, in, heading});
        c += StepX[heading];
        r += StepY[heading];
        in = Opposite[heading];
        if (c == Course.StartTileCol && r == Course.StartTileRow) break;
        if (c < 0 || r < 0 || c >= MapSize || r >= MapSize) return;
    }
    if (c != Course.StartTileCol || r != Course.StartTileRow) return;
    Route = route;
    for (int k = 0; k < static_cast<int>(Route.size()); ++k) {
        int* cell = RouteAt[Route[k].Col][Route[k].Row];
        cell[cell[0] < 0 ? 0 : 1] = k;
    }
}

f32 FromSide(Side s, f32 x, f32 y) {
    switch (s) {
        case West: return x;
        case East: return TileSize - x;
        case North: return y;
        case South: return TileSize - y;
    }
    return 0;
}

bool RunsNorthSouth(const RouteTile& t) { return t.In == North || t.In == South; }

// Which of a tile's places on the route a car is at: through a crossing, the one along
// the way the car faces.
int RouteIndex(const CarRecord& car) {
    if (car.TileCol < 0 || car.TileRow < 0 || car.TileCol >= MapSize || car.TileRow >= MapSize)
        return -1;
    const int* cell = RouteAt[car.TileCol][car.TileRow];
    if (cell[1] < 0) return cell[0];
    int frame = car.SpriteHeight > 0 ? car.Heading / car.SpriteHeight : 0;
    int fromNorth = std::min(frame % 10, 10 - frame % 10);  // 0 along north-south, 5 across
    bool facesNorthSouth = fromNorth < 3;
    return RunsNorthSouth(Route[cell[0]]) == facesNorthSouth ? cell[0] : cell[1];
}

}  // namespace

void TraceCourseRoute() { TraceRoute(); }

f32 CourseProgress(int i) {
    const CarRecord& car = Cars[i];
    // A reversal over the line lowers LapCount alone; three cars home before the player
    // raise his to 10, and the line crossed after that raises both. A car not yet home
    // is at most on its last lap.
    int laps = std::min(car.LapCount, car.LapCountHigh);
    if (car.Status != StatusFinished) laps = std::min(laps, RaceLaps - 1);
    int n = static_cast<int>(Route.size());
    int k = n ? RouteIndex(car) : -1;
    if (k < 0) return static_cast<f32>(laps * std::max(n, 1));
    const RouteTile& t = Route[k];
    f32 in = FromSide(t.In, car.TileX, car.TileY), out = FromSide(t.Out, car.TileX, car.TileY);
    f32 along = k + (in + out > 0 ? in / (in + out) : 0);
    // The lap line is the start tile's south edge, one tile into the route.
    along -= 1;
    if (along < 0) along += n;
    return static_cast<f32>(laps * n) + along;
}

i16 PlayerPlace() {
    if (Cars[0].Status == StatusFinished) return Race.FinishCount;
    f32 mine = CourseProgress(0);
    int place = 1;
    for (int i = 1; i <= Race.LastCarIndex; ++i) {
        const CarRecord& rival = Cars[i];
        if (rival.Status == StatusFinished) ++place;
        else if (rival.Status != StatusOut && CourseProgress(i) > mine) ++place;
    }
    return static_cast<i16>(place);
}

void ShowStanding() {
    const CarRecord& player = Cars[0];
    int lap = std::clamp(std::min(player.LapCount, player.LapCountHigh) + 1, 1,
                         std::max<int>(RaceLaps, 1));
    if (LapField) LapField->Caption = "Lap " + std::to_string(lap) + "/" + std::to_string(RaceLaps);
    i16 place = PlayerPlace();
    if (PlaceField) {
        PlaceField->Caption =
            "Pos " + std::to_string(place) + "/" + std::to_string(Race.LastCarIndex + 1);
        // The places that pay stand out.
        PlaceField->ForeColor = place <= 3 ? RGB(110, 230, 110) : RGB(255, 255, 255);
    }
}
