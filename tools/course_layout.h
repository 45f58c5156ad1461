// A course as written in data/courses: a name, a grid of tile characters and the cash
// pickups, turned into the game's course file and checked for being raceable.
#pragma once

#include <string>
#include <vector>

constexpr int LayoutSize = 51;

struct LayoutPickup {
    int X = 0, Y = 0;  // course pixels of the pickup's point
};

struct CourseLayout {
    std::string Name;
    int Tiles[LayoutSize][LayoutSize] = {};  // [column][row]
    std::vector<LayoutPickup> Pickups;
    int StartCol = -1, StartRow = -1;
};

// Reads the readable source. Throws std::runtime_error naming the file and line.
CourseLayout ReadLayout(const std::string& path);
// The character for each tile code in the sources, and back.
int TileCodeOf(char c);

// The course file: pickups block, tiles block with the name's length, then the name.
std::string CourseFileText(const CourseLayout& layout);

// The road as cars follow it from the start tile southwards back to the start tile:
// the tiles in driving order (a crossing appears twice). Empty when the road does not
// close into one loop; `problem` then says why.
struct LoopTile {
    int Col, Row;
};
std::vector<LoopTile> DrivingLoop(const CourseLayout& layout, std::string& problem);

// Every rule a course must keep to race well; returns "" or the first problem.
std::string LayoutProblem(const CourseLayout& layout);

// Where the player's mini-map marker lands in the 153 x 123 window for a car whose
// sprite's top-left corner is at course pixel (x, y), as the race loop computes it.
struct MarkerSpot {
    int X, Y;
};
MarkerSpot MiniMapMarker(double spriteX, double spriteY, int startCol, int startRow);
