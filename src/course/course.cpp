#include "course/course.h"

CourseMap Course;
i16 CurrentCourse = 1;
i16& RaceLaps = Course.RaceLaps;
Pickup (&Pickups)[MapSize] = Course.Pickups;
const i16 LapsPerCourse[CourseCount + 1] = {0, 2, 2, 2, 1, 2, 1, 1, 1, 1, 3, 3, 4, 4, 4};

i16 TileType(int column, int row) {
    if (column < 0 || row < 0 || column >= MapSize || row >= MapSize) return 0;
    return Course.TileMap[column][row];
}
void ResetTileMap() {}
void LoadCourse() {}
void ParseCourse(const std::string&, const std::string&) {}
std::string LapsCaption(i16) { return ""; }
void ShiftPickupsToView() {}
