#include "course/course.h"

#include <algorithm>

#include "platform/platform.h"

CourseMap Course;
i16 CurrentCourse = 1;
i16& RaceLaps = Course.RaceLaps;
Pickup (&Pickups)[MapSize] = Course.Pickups;
const i16 LapsPerCourse[CourseCount + 1] = {0, 2, 2, 2, 1, 2, 1, 1, 1, 1, 3, 3, 4, 4, 4};

namespace {

// The file is fixed-width fields read by count, so line breaks are just characters.
constexpr std::size_t PickupBlock = PickupCount * 8;      // 88
constexpr std::size_t TileEntry = 4;                      // 3 for the code, 1 ignored
constexpr std::size_t TileBlock = MapSize * MapSize * TileEntry + 2;  // 10406 with the name length

std::string Field(const std::string& text, std::size_t at, std::size_t length) {
    return text.substr(at, length);
}

// A course is about 11 KB; twice that leaves room for a long name and stray spaces.
constexpr std::size_t MaxCourseBytes = 2 * (PickupBlock + TileBlock + 99);
// -2 lies off the tile strip and is drawn as nothing; it tells computer drivers to brake.
constexpr i16 BrakeTileCode = TileSlowDown;

// Fields are counted in characters, so a course saved with Windows line endings would
// shift every field after the first line break by one more character each line.
std::string WithPlainLineEnds(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
    return plain;
}

}  // namespace

void CheckCourse(const std::string& fileName) {
    int startTiles = 0;
    auto refuse = [&](const std::string& problem) {
        throw FileError("Course file " + PrintableText(fileName) + " cannot be raced: " + problem);
    };
    for (int column = 0; column < MapSize; ++column)
        for (int row = 0; row < MapSize; ++row) {
            i16 code = Course.TileMap[column][row];
            if ((code < 0 || code > LastTileCode) && code != BrakeTileCode)
                refuse("tile code " + std::to_string(code) + " at column " +
                       std::to_string(column) + ", row " + std::to_string(row) +
                       " is not one of the tiles 0 to " + std::to_string(LastTileCode));
            if (IsStartTile(code)) ++startTiles;
        }
    // With no start tile the grid would form wherever the last course left it.
    if (startTiles == 0) refuse("it has no start tile");
    constexpr f32 Edge = MapSize * TileSize;
    for (int i = 0; i < PickupCount; ++i) {
        const Pickup& p = Course.Pickups[i];
        if (!(p.X >= 0 && p.X <= Edge && p.Y >= 0 && p.Y <= Edge))
            refuse("pickup " + std::to_string(i + 1) + " lies off the course");
    }
}

i16 TileType(int column, int row) {
    if (column < 0 || row < 0 || column >= MapSize || row >= MapSize) return 0;
    return Course.TileMap[column][row];
}

void ResetTileMap() {
    for (auto& column : Course.TileMap)
        for (i16& cell : column) cell = 0;
}

void ParseCourse(const std::string& original, const std::string& fileName) {
    const std::string text = WithPlainLineEnds(original);
    if (text.size() < PickupBlock)
        throw FileError("Course file " + PrintableText(fileName) +
                        " is too short: its pickups block needs " + std::to_string(PickupBlock) +
                        " characters, it has " + std::to_string(text.size()));
    for (int i = 0; i < PickupCount; ++i) {
        std::size_t p = 8 * static_cast<std::size_t>(i);
        Course.Pickups[i].X = static_cast<f32>(2 * Val(Field(text, p, 4)));
        Course.Pickups[i].Y = static_cast<f32>(2 * Val(Field(text, p + 4, 4)));
        Course.Pickups[i].State = 0;
    }

    if (text.size() < PickupBlock + TileBlock)
        throw FileError("Course file " + PrintableText(fileName) +
                        " is too short: its tiles block needs " + std::to_string(TileBlock) +
                        " characters after the pickups, it has " +
                        std::to_string(text.size() - PickupBlock));
    std::size_t q = PickupBlock;
    for (int row = 0; row < MapSize; ++row) {
        for (int column = 0; column < MapSize; ++column) {
            i16 code = CInt(Val(Field(text, q, 3)));
            Course.TileMap[column][row] = code;
            if (IsStartTile(code)) {
                Course.StartTileCol = static_cast<i16>(column);
                Course.StartTileRow = static_cast<i16>(row);
            }
            q += TileEntry;
        }
    }

    int length = std::max(0, static_cast<int>(Val(Field(text, q, 2))));
    std::size_t nameLength = static_cast<std::size_t>(length);
    std::size_t nameStart = q + 2;
    if (text.size() < nameStart + nameLength)
        throw FileError("Course file " + PrintableText(fileName) +
                        " is too short: its name should have " + std::to_string(nameLength) +
                        " characters, it has " + std::to_string(text.size() - nameStart));
    Course.CourseName = text.substr(nameStart, nameLength);
}

std::string LapsCaption(i16 laps) {
    if (laps == 1) return "1 Lap";
    return std::to_string(laps) + " Laps";
}

i16 LoadCourse() {
    if (!CourseFile.empty()) {
        ReadCourseFile(CourseFile);
        Course.Number = CurrentCourse;
        return RaceLaps;
    }
    std::string path = GamePath("\\resources\\Map" + std::to_string(CurrentCourse) + ".ddt");
    if (!FileExists(path)) throw FileError("Course file " + PrintableText(path) + " is missing");
    ParseCourse(ReadFileText(path, MaxCourseBytes), path);
    CheckCourse(path);
    Course.Number = CurrentCourse;
    if (CurrentCourse >= 1 && CurrentCourse <= CourseCount)
        RaceLaps = LapsPerCourse[CurrentCourse];
    return RaceLaps;
}

void ShiftPickupsToView(f32 scrollX, f32 scrollY) {
    for (int k = 0; k < PickupCount; ++k) {
        Course.Pickups[k].X -= scrollX;
        Course.Pickups[k].Y -= scrollY;
    }
}
