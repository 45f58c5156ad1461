// One race frame's block transfers: the 6 x 6 tiles around the view copied into the
// 550 x 550 back buffer, straddling its edges, then 20 masked 80 x 50 sprites.
#include <benchmark/benchmark.h>

#include "platform/backend.h"

namespace {

Surface Sheet(int w, int h, std::uint32_t seed) {
    Surface s;
    s.Resize(w, h);
    for (std::size_t i = 0; i < s.Pixels.size(); ++i)
        s.Pixels[i] = static_cast<std::uint32_t>((i * 2654435761u + seed) & 0xFFFFFF);
    return s;
}

void BM_RaceFrame(benchmark::State& state) {
    Surface tiles = Sheet(1200, 1200, 1);  // a sheet of 6 x 6 tile pictures
    Surface cars = Sheet(800, 500, 2);
    Surface masks = Sheet(800, 500, 3);
    Surface buffer;
    buffer.Resize(550, 550);
    int frame = 0;
    for (auto _ : state) {
        // The view scrolls, so tiles start up to one tile before the buffer's corner.
        int offX = -(frame * 7 % 200), offY = -(frame * 3 % 200);
        for (int row = 0; row < 6; ++row)
            for (int col = 0; col < 6; ++col)
                BitBlt(buffer, offX + col * 200, offY + row * 200, 200, 200, tiles, col * 200,
                       row * 200, SRCCOPY);
        for (int car = 0; car < 20; ++car) {
            int x = (car * 97 + frame * 5) % 600 - 40, y = (car * 53 + frame * 2) % 600 - 25;
            int sx = (car % 10) * 80, sy = (car / 10) * 50;
            BitBlt(buffer, x, y, 80, 50, masks, sx, sy, SRCPAINT);
            BitBlt(buffer, x, y, 80, 50, cars, sx, sy, SRCAND);
        }
        benchmark::DoNotOptimize(buffer.Pixels.data());
        benchmark::ClobberMemory();
        ++frame;
    }
}
BENCHMARK(BM_RaceFrame)->Unit(benchmark::kMicrosecond);

// The whole canvas composed as DoEvents does when the screen has changed.
void BM_ComposeRaceCanvas(benchmark::State& state) {
    ResetPlatform();
    Form* race = CreateForm("Race");
    ShowForm(race);
    Control* view = AddControl(race, nullptr, ControlKind::PictureBox, "PlayArea", 237, 100, 550, 550);
    view->Index = 0;
    view->Picture = Sheet(550, 550, 4);
    Control* hud = AddControl(race, nullptr, ControlKind::Panel, "HudFrame", 20, 100, 200, 550);
    hud->BackColor = RGB(64, 64, 64);
    Control* mini = AddControl(race, hud, ControlKind::PictureBox, "MiniView", 20, 380, 153, 123);
    mini->Index = 1;
    mini->Picture = Sheet(153, 123, 5);
    for (int i = 0; i < 3; ++i)
        AddControl(race, hud, ControlKind::Shape, "DamFill", 20, 100 + 20 * i, 150, 10)->Index = i;
    for (auto _ : state) benchmark::DoNotOptimize(ComposeCanvas().Pixels.data());
    ResetPlatform();
}
BENCHMARK(BM_ComposeRaceCanvas)->Unit(benchmark::kMicrosecond);

}  // namespace
