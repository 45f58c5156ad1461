// The race screen's sprite sheets, painted once from the picture files when the race
// window loads. The drawing code addresses sprites by their place in these sheets.
#include "race/race_internal.h"

#include "course/course.h"

Surface Pics;
Surface AniPics;
Surface ExplosionPics;
Surface ExplosionMask;
Surface MapPic;
Surface RivalPics;

namespace {

constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Black = 0x000000;

enum class Role { Picture, Mask };

// One picture file and where it lands. Scaled rows stretch the source rectangle
// (SourceW x SourceH, 0 = the whole picture) onto the W x H cell; the others are painted
// at their own size and W x H is only the cell they are meant to fill.
struct SheetRow {
    const char* File;
    Surface* Sheet;
    int X, Y, W, H;
    bool Scaled;
    int SourceW, SourceH;
    Role Kind;
};

const SheetRow SheetRows[] = {
    {"\\graphics\\car256.bmp", &Pics, 0, 0, 240, 1000, true, 480, 2000, Role::Picture},
    {"\\graphics\\smoke1a.bmp", &AniPics, 0, 0, 30, 30, true, 100, 100, Role::Picture},
    {"\\graphics\\smoke1b.bmp", &AniPics, 100, 0, 30, 30, true, 100, 100, Role::Picture},
    {"\\graphics\\smoke1c.bmp", &AniPics, 200, 0, 30, 30, true, 100, 100, Role::Picture},
    {"\\graphics\\smoke1d.bmp", &AniPics, 300, 0, 30, 30, true, 100, 100, Role::Picture},
    {"\\graphics\\smask1a.bmp", &AniPics, 0, 100, 30, 30, true, 100, 100, Role::Mask},
    {"\\graphics\\smask1b.bmp", &AniPics, 100, 100, 30, 30, true, 100, 100, Role::Mask},
    {"\\graphics\\smask1c.bmp", &AniPics, 200, 100, 30, 30, true, 100, 100, Role::Mask},
    {"\\graphics\\smask1d.bmp", &AniPics, 300, 100, 30, 30, true, 100, 100, Role::Mask},
    {"\\graphics\\carblip1.bmp", &AniPics, 0, 200, 5, 5, true, 0, 0, Role::Picture},
    {"\\graphics\\carblip2.bmp", &AniPics, 5, 200, 5, 5, true, 0, 0, Role::Picture},
    {"\\graphics\\1place.bmp", &AniPics, 0, 205, 150, 50, true, 0, 0, Role::Picture},
    {"\\graphics\\1plmask.bmp", &AniPics, 150, 205, 150, 50, true, 0, 0, Role::Mask},
    {"\\graphics\\2place.bmp", &AniPics, 0, 255, 150, 50, true, 0, 0, Role::Picture},
    {"\\graphics\\2plmask.bmp", &AniPics, 150, 255, 150, 50, true, 0, 0, Role::Mask},
    {"\\graphics\\3place.bmp", &AniPics, 0, 305, 150, 50, true, 0, 0, Role::Picture},
    {"\\graphics\\3plmask.bmp", &AniPics, 150, 305, 150, 50, true, 0, 0, Role::Mask},
    {"\\graphics\\0place.bmp", &AniPics, 0, 505, 150, 50, true, 0, 0, Role::Picture},
    {"\\graphics\\0plmsk.bmp", &AniPics, 150, 505, 150, 50, true, 0, 0, Role::Mask},
    {"\\graphics\\pylon1.bmp", &AniPics, 0, 405, 25, 25, false, 0, 0, Role::Picture},
    {"\\graphics\\pylmsk.bmp", &AniPics, 25, 405, 25, 25, false, 0, 0, Role::Mask},
    {"\\graphics\\exp-1-256.bmp", &ExplosionPics, 0, 0, 1702, 100, false, 0, 0, Role::Picture},
    {"\\graphics\\exp-1mask.bmp", &ExplosionMask, 0, 0, 1702, 100, false, 0, 0, Role::Mask},
    {"\\resources\\ral-set256.bmp", &MapPic, 0, 0, 4400, 210, false, 0, 0, Role::Picture},
};

// A picture drawn finer than its cell is scaled down, but one far larger than the cell is
// a wrong file, and loading it would only fill the memory.
constexpr int MostTimesCell = 4;

Surface LoadSheetPicture(const SheetRow& row) {
    std::string path = GamePath(row.File);
    int cellW = row.SourceW ? row.SourceW : row.W, cellH = row.SourceH ? row.SourceH : row.H;
    Surface picture = LoadPicture(path, MostTimesCell * cellW, MostTimesCell * cellH);
    // Tiles are cut from the strip by their code, so a short strip would paint the course
    // with whatever lies beyond it.
    if (row.Sheet == &MapPic && (picture.Width < row.W || picture.Height < TileSize))
        throw FileError("The picture " + path + " cannot be used: it is " +
                        std::to_string(picture.Width) + " x " + std::to_string(picture.Height) +
                        " pixels, too small to hold every tile (" + std::to_string(row.W) +
                        " x " + std::to_string(TileSize) + ").");
    return picture;
}

}  // namespace

void LoadRaceSheets() {
    Pics.Resize(360, 2000, Black);
    AniPics.Resize(500, 650, Black);
    ExplosionPics.Resize(1702, 100, Black);
    ExplosionMask.Resize(1702, 100, Black);
    MapPic.Resize(4400, 210, Black);

    for (const SheetRow& row : SheetRows) {
        Surface picture = LoadSheetPicture(row);
        // A picture smaller than its cell must leave the sprite see-through where it did
        // not paint: white passes SRCAND untouched, black passes SRCPAINT untouched.
        row.Sheet->FillRect(row.X, row.Y, row.W, row.H, row.Kind == Role::Picture ? White : Black);
        if (!row.Scaled) {
            PaintPicture(*row.Sheet, picture, row.X, row.Y);
            continue;
        }
        int sourceW = row.SourceW ? row.SourceW : picture.Width;
        int sourceH = row.SourceH ? row.SourceH : picture.Height;
        PaintPicture(*row.Sheet, picture, row.X, row.Y, row.W, row.H, 0, 0, sourceW, sourceH);
    }
    LoadRivalColours();
}

void LoadRivalColours() {
    // Optional: without the file every computer car wears the car sheet's one colour.
    RivalPics = Surface{};
    std::string path = GamePath("\\graphics\\rivals.bmp");
    if (!FileExists(path)) return;
    constexpr int FileW = 2 * RivalColumns * 80, FileH = 2000;
    Surface picture = LoadPicture(path, MostTimesCell * FileW, MostTimesCell * FileH);
    if (picture.Width != FileW || picture.Height != FileH)
        throw FileError("The picture " + path + " cannot be used: it is " +
                        std::to_string(picture.Width) + " x " + std::to_string(picture.Height) +
                        " pixels, not " + std::to_string(FileW) + " x " + std::to_string(FileH) +
                        " (one column of 20 headings per computer car).");
    RivalPics.Resize(FileW / 2, FileH / 2, White);
    PaintPicture(RivalPics, picture, 0, 0, FileW / 2, FileH / 2, 0, 0, FileW, FileH);
}
