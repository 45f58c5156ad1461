// One race frame's composition: the background and the sprites of nine cars into the back
// buffer, the mini-map window with nine markers, and the copy to the visible view.
// The goal is well under half a millisecond, so the 30 ms frame is all game logic and wait.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "course/course.h"
#include "platform/headless/headless.h"
#include "race/race_internal.h"

namespace {

void UseTheBuiltGame() {
    std::string game = AppPath() + "/game";
    if (std::filesystem::exists(game + "/graphics/car256.bmp")) SetAppPath(game);
}

bool LoadSheetsOrPaintThem() {
    try {
        LoadRaceSheets();
        return true;
    } catch (const FileError&) {
        // No art built: sheets of plain colours cost the same to copy.
        Pics.Resize(360, 2000, 0xFFFFFF);
        AniPics.Resize(500, 650, 0xFFFFFF);
        ExplosionPics.Resize(1702, 100, 0xFF8000);
        ExplosionMask.Resize(1702, 100, 0);
        MapPic.Resize(4400, 210, 0x406040);
        return false;
    }
}

void SetUpRace() {
    ResetTileMap();
    CurrentCourse = 1;
    try {
        LoadCourse();
    } catch (const FileError&) {
        for (int r = 0; r < 50; ++r)
            for (int c = 0; c < 50; ++c) Course.TileMap[c][r] = static_cast<i16>((c + r) % 12);
    }
    Race.LastCarIndex = 8;
    RaceLaps = 3;
    ScrollX = 1800;
    ScrollY = 1800;
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        CarRecord& car = Cars[i];
        car = CarRecord{};
        car.ScreenX = static_cast<f32>(60 + 50 * i);
        car.ScreenY = static_cast<f32>(80 + 45 * i);
        car.TileCol = 10;
        car.TileRow = 10;
        car.SpriteWidth = 80;
        car.SpriteHeight = 50;
        car.Heading = static_cast<i16>(50 * (2 * i % 20));
        car.SheetX = i == 0 ? 0 : 160;
        car.SmokeTick = i % 3 == 0 ? 1 : 0;  // a few cars just bumped
    }
    for (int k = 0; k < PickupCount; ++k)
        Pickups[k] = Pickup{static_cast<f32>(40 * k), static_cast<f32>(500 - 40 * k), 0};
}

void BM_RaceFrame(benchmark::State& state) {
    InstallHeadlessBackend();
    UseTheBuiltGame();
    state.SetLabel(LoadSheetsOrPaintThem() ? "game art" : "plain sheets");
    SetUpRace();
    Surface visible, fullMap, miniWindow;
    visible.Resize(550, 550);
    fullMap.Resize(250, 200, 0x202020);
    miniWindow.Resize(153, 123);

    for (auto _ : state) {
        DrawBackground();
        DrawSprites();
        BitBlt(visible, 0, 0, 550, 550, RaceViewSurface(), 0, 0, SRCCOPY);
        BitBlt(miniWindow, 0, 0, 153, 123, fullMap, 18, 18, SRCCOPY);
        for (int i = 0; i <= Race.LastCarIndex; ++i)
            BitBlt(miniWindow, 10 + 12 * i, 20 + 9 * i, 5, 5, AniPics, i == 0 ? 0 : 5, 200,
                   SRCCOPY);
        benchmark::DoNotOptimize(visible.Pixels.data());
        // Keep the puffs going so every frame draws the same amount.
        for (int i = 0; i <= Race.LastCarIndex; i += 3)
            if (Cars[i].SmokeTick == 0) Cars[i].SmokeTick = 1;
    }
}
BENCHMARK(BM_RaceFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
