// The asset generator: every picture, pointer, sound, course and the empty career list,
// made from the committed sources in data/ and the drawing and synthesis code here.
#pragma once

#include <cstddef>
#include <string>

// Each writes its files under out (graphics/, resources/, soundfx/, saves/).
void GenerateCarSheet(const std::string& out);       // graphics/car256.bmp
void GenerateSprites(const std::string& out);        // smoke, markers, banners, pickup, explosion
void GeneratePointers(const std::string& out);       // resources/null.cur, Trffc10?.ico
void GenerateSounds(const std::string& out);         // soundfx/*.wav
void GenerateTiles(const std::string& data, const std::string& out);    // resources/ral-set256.bmp
void GenerateCourses(const std::string& data, const std::string& out);  // Map<n>.ddt, bigmap, minimap
void GenerateSaves(const std::string& out);          // saves/saves.lst, never over existing careers

// What an install adds: the desktop icon at each size, from data/icon.txt, as
// icons/hicolor/NxN/apps/gravel-ghosts.png under out.
constexpr int IconSizes[] = {16, 32, 48, 64, 128, 256};
void GenerateIcons(const std::string& data, const std::string& out);

// Reads a file the generator wrote before, to leave it alone when its bytes would not
// change. Like the game's readers it refuses a folder, a device or a pipe and anything
// longer than the largest file it writes (the rivals' sheet, 7.3 MB), and throws a
// FileError naming the file and the reason.
constexpr std::size_t MaxGeneratedFileBytes = 16 << 20;
std::string ReadGeneratedFile(const std::string& path);

// A PNG of every sprite written so far, as the race draws them (for looking at the art).
void WriteContactSheet(const std::string& path);
