// Courses: the 51 x 51 tile map with its pickups, start tile, laps and name, read from
// resources/Map<n>.ddt, or from a course file a player made (a Tiled map, or our own).
#pragma once

#include <string>
#include <vector>

#include "numeric/numeric.h"
#include "platform/platform.h"

constexpr int MapSize = 51;       // columns and rows 0..50
constexpr int TileSize = 200;     // pixels
constexpr int PickupCount = 11;   // pickups 0..10 take part
constexpr int CourseCount = 14;

// Tile codes the rules read, named by where the road leads. A code with no walls (0 among
// them) is driven through freely.
constexpr i16 TileSlowDown = -2;         // computer drivers brake on it
constexpr i16 TileEastWest = 1;          // straight, walls north and south
constexpr i16 TileNorthSouth = 5;        // straight, walls west and east
constexpr i16 TileJunctionEWS = 6;       // open east, west and south
constexpr i16 TileCornerSouthEast = 7;   // the road turns between south and east
constexpr i16 TileJunctionNSE = 10;      // open north, south and east
constexpr i16 TileCrossing = 11;
constexpr i16 TileCornerSouthWest = 12;
constexpr i16 TileEastWall = 13;         // a wall on the east edge only
constexpr i16 TileCornerNorthEast = 14;
constexpr i16 TileCornerNorthWest = 15;
constexpr i16 TileSouthWall = 16;        // a wall on the south edge only
// Start tiles: the grid forms on them; they keep the walls of a straight.
constexpr i16 TileStartNorthSouth = 18;
constexpr i16 TileStartEastWest = 19;
constexpr i16 TileStartNorthSouthB = 20;
constexpr i16 TileStartEastWestB = 21;
constexpr bool IsStartTile(i16 code) {
    return code >= TileStartNorthSouth && code <= TileStartEastWestB;
}
// The tile strip holds the pictures of codes 0..21; TileSlowDown lies off it.
constexpr i16 LastTileCode = 21;

struct Pickup {
    f32 X = 0;  // play-area position once shifted into the view
    f32 Y = 0;
    i16 State = 0;  // 0 lying on the course, 2 taken
};
constexpr i16 PickupTaken = 2;

struct CourseMap {
    i16 TileMap[MapSize][MapSize] = {};  // [column][row]
    Pickup Pickups[MapSize];
    i16 StartTileCol = 0;
    i16 StartTileRow = 0;
    i16 RaceLaps = 0;
    std::string CourseName;
    i16 Number = 0;  // the CurrentCourse it was loaded as; L moves CurrentCourse on at once
};

extern CourseMap Course;
extern i16 CurrentCourse;  // 1..14
// Convenient names for the fields every Part reads.
extern i16& RaceLaps;
extern Pickup (&Pickups)[MapSize];

// Laps per course, index 1..14.
extern const i16 LapsPerCourse[CourseCount + 1];

// Tile code at (column, row); 0 outside the map.
i16 TileType(int column, int row);
void ResetTileMap();

// Reads the file of CurrentCourse and sets RaceLaps, which it returns for the pre-race
// panel's caption. Throws FileError when the file is missing or shorter than its blocks.
i16 LoadCourse();
// Parses a course file's characters into Course (the loader without the file).
void ParseCourse(const std::string& text, const std::string& fileName);
// Refuses (FileError) a parsed course that cannot be raced: no start tile, a tile code
// outside the tile strip, a pickup off the course.
void CheckCourse(const std::string& fileName);

// --- Course files of the player's own (tiled.cpp)
// Set (by --course-file), every race is on this file instead of the course numbered
// CurrentCourse; its pictures are drawn from its tiles.
extern std::string CourseFile;
// By the file's extension: .tmx (Tiled's XML), .tmj or .json (Tiled's JSON), else our own.
enum class MapFormat { Own, Tmx, Tmj };
MapFormat MapFormatOf(const std::string& fileName);
// Reads a course file of any format into Course with its laps (our own format holds none:
// it keeps the laps of CurrentCourse) and checks it. Throws FileError.
void ReadCourseFile(const std::string& path);
// A Tiled map's text into Course and RaceLaps, refused (FileError, naming the file) where
// it breaks a course's limits: not 51 x 51 tiles of 200 pixels, a tile id off the strip,
// no tileset, a layer compressed in a way the game cannot read, pickups 1..11 not all
// there, no laps.
void ParseTiledCourse(const std::string& text, const std::string& fileName, MapFormat format);
// Course as a Tiled map whose tileset is the tile strip at `tileStrip` (as the map file
// names it), so that tile id t is tile code t; brake tiles are rectangles in an object
// layer "brake", pickups points named 1..11 in "pickups", name and laps map properties.
std::string TiledCourseText(MapFormat format, const std::string& tileStrip, int stripWidth,
                            int stripHeight);
// The .tmx and .tmj files in the player's courses folder, sorted by file name, each with
// its name and laps, or the reason it cannot be raced; for the menus that offer them after
// the fourteen.
struct CustomCourse {
    std::string Path;
    std::string Name;
    i16 Laps = 0;
    std::string Problem;  // "" when it can be raced
};
std::vector<CustomCourse> ListCustomCourses();
// Which course a race, its records and its ghost belong to: one of the fourteen, or a
// course file of the player's own.
struct CourseKey {
    int Number = 0;    // 1..14; 0 for a course file
    std::string File;  // the course file's path when Number is 0
};

// --- The course's pictures (course_pictures.cpp)
// The pre-race panel's preview and the race's mini-map: the built-in course's pictures,
// or, for a course file, drawn from its tiles.
Surface CoursePreview(int width, int height);
Surface CourseMiniMap(int maxSide);

// The ground of a course's preview by tile code, in the colours the race shows it,
// darkened so that the road stands out: the built-in previews and a course file's alike.
constexpr std::uint32_t PreviewGroundColour(i16 code) {
    constexpr auto rgb = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return (r << 16) | (g << 8) | b;
    };
    switch (code) {
        case 2: return rgb(104, 98, 84);    // gravel
        case 3: return rgb(150, 132, 94);   // sand
        case 4: return rgb(26, 56, 28);     // woods
        case 8: return rgb(30, 64, 100);    // water
        case 9: return rgb(132, 112, 84);   // boulders
        case 17: return rgb(110, 70, 70);   // stands
        default: return rgb(34, 58, 30);    // grass
    }
}

// "1 Lap" or "<n> Laps".
std::string LapsCaption(i16 laps);
// Pickups 0..10 from course to play-area positions, for a view scrolled this far.
void ShiftPickupsToView(f32 scrollX, f32 scrollY);
