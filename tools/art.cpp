// The race sprites: the car sheet and the small sheets the race view cuts its sprites from.
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "assetgen.h"
#include "draw_cairo.h"
#include "draw_shapes.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

std::string Graphics(const std::string& out, const char* name) {
    return (std::filesystem::path(out) / "graphics" / name).string();
}

}  // namespace

namespace {

constexpr int CellW = 160, CellH = 100, Frames = 20;

double HeadingOf(int frame) { return frame * 18.0 * Pi / 180.0; }  // clockwise from north

// A shadow cast to the south-east, part of the shared mask so it is drawn with the car.
// The race can only cover the ground or keep it, so the shadow is a screen of dark
// pixels, denser in the middle than at the rim: from above it reads as a soft shade.
// It is laid in the 2 x 2 blocks the race sees as single pixels, into the mask and into
// every picture column listed. It is worked out from the bodies alone before any of it is
// laid, or each shaded block would cast a shadow of its own down to the cell's corner.
void CastShadows(Surface& mask, Surface& pictures, std::initializer_list<int> columns) {
    constexpr int ShadowX = 4, ShadowY = 4, Rim = 4;
    constexpr std::uint32_t Shade = 0x1C1E1C;
    for (int f = 0; f < Frames; ++f) {
        auto body = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < CellW && y < CellH && mask.Pixel(x, f * CellH + y) == 0xFFFFFF;
        };
        auto shadow = [&](int x, int y) { return body(x - ShadowX, y - ShadowY); };
        std::vector<std::pair<int, int>> dark;
        for (int y = 0; y < CellH; y += 2)
            for (int x = 0; x < CellW; x += 2) {
                if (body(x, y) || !shadow(x, y)) continue;
                bool rim = !shadow(x - Rim, y) || !shadow(x + Rim, y) || !shadow(x, y - Rim) || !shadow(x, y + Rim);
                int bx = x / 2, by = y / 2;
                if (rim ? (bx + by) % 2 == 0 : !(bx % 2 == 1 && by % 2 == 1)) dark.push_back({x, y});
            }
        for (auto [x, y] : dark)
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    int py = f * CellH + y + dy;
                    mask.SetPixel(x + dx, py, 0xFFFFFF);
                    for (int column : columns) pictures.SetPixel(column * CellW + x + dx, py, Shade);
                }
    }
}

}  // namespace

void GenerateCarSheet(const std::string& out) {
    // Three columns (player, shared mask, computer car) of 20 headings, drawn at twice the
    // size the race paints them.
    Surface sheet, mask, rivalMask;
    sheet.Resize(3 * CellW, Frames * CellH, 0xFFFFFF);
    mask.Resize(CellW, Frames * CellH);
    // The rival is cut at its own column of the sheet, and the mask is cut at the same
    // place, so its throw-away mask must be as wide as the sheet.
    rivalMask.Resize(3 * CellW, Frames * CellH);
    for (int f = 0; f < Frames; ++f) {
        Canvas player(CellW, CellH), rival(CellW, CellH);
        DrawCar(player.Cr, CellW / 2.0, CellH / 2.0, HeadingOf(f), PlayerLivery());
        DrawCar(rival.Cr, CellW / 2.0, CellH / 2.0, HeadingOf(f), RivalLivery());
        // Both liveries paint the same body outline, so one mask serves both cars.
        CutSpriteInBlocks(player, 0, 0, CellW, CellH, sheet, mask, 0, f * CellH);
        CutSpriteInBlocks(rival, 0, 0, CellW, CellH, sheet, rivalMask, 2 * CellW, f * CellH);
    }
    Surface bodies = mask;  // before the shadow joins the mask
    CastShadows(mask, sheet, {0, 2});
    for (int y = 0; y < Frames * CellH; ++y)
        for (int x = 0; x < CellW; ++x) sheet.SetPixel(CellW + x, y, mask.Pixel(x, y));
    WritePicture(Graphics(out, "car256.bmp"), sheet);

    // Every computer car in its own colours, one column per car, cut to the car sheet's
    // mask so the race draws them with it; the car sheet itself keeps its three columns.
    Surface rivals, rivalsMask;
    rivals.Resize(RivalLiveries * CellW, Frames * CellH, 0xFFFFFF);
    rivalsMask.Resize(RivalLiveries * CellW, Frames * CellH);
    for (int f = 0; f < Frames; ++f)
        for (int k = 0; k < RivalLiveries; ++k) {
            Canvas rival(CellW, CellH);
            DrawCar(rival.Cr, CellW / 2.0, CellH / 2.0, HeadingOf(f), RivalLivery(k));
            CutSpriteInBlocks(rival, 0, 0, CellW, CellH, rivals, rivalsMask, k * CellW, f * CellH);
        }
    CastShadows(bodies, rivals, {0, 1, 2, 3, 4, 5, 6, 7});
    WritePicture(Graphics(out, "rivals.bmp"), rivals);
}

void GenerateSaves(const std::string& out) {
    // Players' careers live in this file: a rebuild must never blank it.
    std::filesystem::path list = std::filesystem::path(out) / "saves" / "saves.lst";
    if (std::filesystem::exists(list)) return;
    WriteFileIfChanged(list.string(), std::vector<std::uint8_t>(90, ' '));
}
