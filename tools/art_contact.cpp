// A contact sheet of every sprite as the race shows it: cut from the written pictures,
// scaled the way the race paints them and drawn with the mask-then-picture pair over
// road and grass, once at game size and once doubled.
#include <map>

#include "assetgen.h"
#include "draw_cairo.h"

namespace {

const Surface& Find(const std::map<std::string, const Surface*>& all, const std::string& name) {
    static Surface empty;
    auto it = all.find(name);
    return it == all.end() ? empty : *it->second;
}

// Nearest-pixel stretch of a source rectangle, as a plain picture paint.
Surface Stretch(const Surface& src, int sx, int sy, int sw, int sh, int w, int h) {
    Surface out;
    out.Resize(w, h);
    if (src.Empty()) return out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.SetPixel(x, y, src.Pixel(sx + (2 * x + 1) * sw / (2 * w),
                                         sy + (2 * y + 1) * sh / (2 * h)));
    return out;
}

void Blit(Surface& dst, int x, int y, const Surface& src, bool orWith) {
    for (int j = 0; j < src.Height; ++j)
        for (int i = 0; i < src.Width; ++i) {
            int dx = x + i, dy = y + j;
            if (dx < 0 || dy < 0 || dx >= dst.Width || dy >= dst.Height) continue;
            std::uint32_t d = dst.Pixel(dx, dy), s = src.Pixel(i, j);
            dst.SetPixel(dx, dy, orWith ? (d | s) : (d & s));
        }
}

void Sprite(Surface& dst, int x, int y, const Surface& picture, const Surface& mask) {
    Blit(dst, x, y, mask, true);
    Blit(dst, x, y, picture, false);
}

}  // namespace

void WriteContactSheet(const std::string& path) {
    std::map<std::string, const Surface*> all;
    for (const WrittenPicture& p : WrittenPictures()) all[p.Name] = &p.Picture;

    constexpr int W = 1000, H = 330;
    Surface game;
    game.Resize(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            bool road = (y / 55) % 2 == 0;
            std::uint32_t base = road ? 0x6E6B66 : 0x4F7A32;
            unsigned noise = ((x * 73856093u) ^ (y * 19349663u)) % 13;
            game.SetPixel(x, y, base + noise * 0x010101);
        }

    const Surface& cars = Find(all, "car256.bmp");
    Surface halved = Stretch(cars, 0, 0, cars.Width, cars.Height, cars.Width / 2,
                             cars.Height / 2);
    for (int f = 0; f < 20; ++f)
        for (int column : {0, 2}) {
            Surface picture = Stretch(halved, column * 80, f * 50, 80, 50, 80, 50);
            Surface mask = Stretch(halved, 80, f * 50, 80, 50, 80, 50);
            Sprite(game, 5 + f * 48 - 20, (column == 0 ? 0 : 55) + 2, picture, mask);
        }

    int x = 5;
    for (char k : {'a', 'b', 'c', 'd'}) {
        const Surface& smoke = Find(all, std::string("smoke1") + k + ".bmp");
        const Surface& smask = Find(all, std::string("smask1") + k + ".bmp");
        Sprite(game, x, 118, Stretch(smoke, 0, 0, 100, 100, 30, 30),
               Stretch(smask, 0, 0, 100, 100, 30, 30));
        x += 40;
    }
    for (const char* blip : {"carblip1.bmp", "carblip2.bmp"}) {
        const Surface& b = Find(all, blip);
        Surface square = Stretch(b, 0, 0, b.Width, b.Height, 5, 5);
        Blit(game, x, 128, square, false);  // a plain copy: clear, then OR in
        Surface black;
        black.Resize(5, 5, 0);
        Blit(game, x, 128, black, false);
        Blit(game, x, 128, square, true);
        x += 12;
    }
    x += 10;
    const Surface& pylon = Find(all, "pylon1.bmp");
    Sprite(game, x, 120, pylon, Find(all, "pylmsk.bmp"));
    x += 40;
    const char* banners[][2] = {{"1place.bmp", "1plmask.bmp"}, {"2place.bmp", "2plmask.bmp"},
                                {"3place.bmp", "3plmask.bmp"}, {"0place.bmp", "0plmsk.bmp"}};
    for (auto& b : banners) {
        const Surface& p = Find(all, b[0]);
        Sprite(game, x, 112, Stretch(p, 0, 0, p.Width, p.Height, 150, 50),
               Stretch(Find(all, b[1]), 0, 0, p.Width, p.Height, 150, 50));
        x += 160;
    }
    const Surface& blast = Find(all, "exp-1-256.bmp");
    const Surface& blastMask = Find(all, "exp-1mask.bmp");
    for (int k = 0; k < 24; ++k) {
        int fx = 71 * k;
        Surface p = Stretch(blast, fx, 0, 75, 75, 75, 75);
        Surface m = Stretch(blastMask, fx, 0, 75, 75, 75, 75);
        int gx = 5 + (k % 12) * 82, gy = 170 + (k / 12) * 80;
        if (k < 10) {  // the car is still there under the first frames
            Surface cp = Stretch(halved, 160, 5 * 50, 80, 50, 80, 50);
            Surface cm = Stretch(halved, 80, 5 * 50, 80, 50, 80, 50);
            Sprite(game, gx, gy + 25, cp, cm);
        }
        if (!blast.Empty()) Sprite(game, gx, gy, p, m);
    }

    Surface sheet;
    sheet.Resize(W, H * 3);
    for (int y = 0; y < H; ++y)
        for (int x2 = 0; x2 < W; ++x2) sheet.SetPixel(x2, y, game.Pixel(x2, y));
    for (int y = 0; y < 2 * H; ++y)
        for (int x2 = 0; x2 < W; ++x2) sheet.SetPixel(x2, H + y, game.Pixel(x2 / 2, y / 2));
    SavePng(sheet, path);
}
