// The race view: the camera that follows the player's car, and the composition of one
// frame (tiles, pickups, cars, smoke, explosions, the finish banner) in the back buffer.
#include <algorithm>

#include "course/course.h"
#include "race/race_internal.h"

f32 ScrollX = 0;
f32 ScrollY = 0;
bool DrawingEnabled = true;
i16 ViewLeft = 75;
i16 ViewTop = 75;

namespace {

constexpr int ViewSize = 550;
constexpr int TilesAcross = 6;  // 1200 pixels: covers the view in any scroll position

// Driving right or down the car settles near this edge distance; driving left or up,
// near the far threshold, so more of the road ahead is in view.
constexpr f32 NearThreshold = 120;

// AniPics places.
constexpr int PickupSize = 25;
constexpr int PickupPictureX = 0, PickupMaskX = 25, PickupRow = 405;
constexpr int PuffSize = 30;
constexpr int PuffPictureRow = 0, PuffMaskRow = 100;
constexpr int BannerW = 150, BannerH = 50;
constexpr int BannerPictureX = 0, BannerMaskX = 150;
constexpr int BlastSize = 75;
constexpr int BlastStep = 71;

Surface OwnBackBuffer;

// One axis of the camera. Below the near threshold (or above the far one when going back)
// the world slides under a car that stays put; otherwise the world moves twice as fast as
// the car, which drifts back toward its threshold.
struct Axis {
    f32 CarRecord::*Screen;
    f32 Pickup::*PickupPos;
    f32* Scroll;
};

void ScrollAxis(const Axis& axis, f32 d, f32 farThreshold) {
    if (d == 0) return;
    f32& player = Cars[0].*axis.Screen;
    bool single = d > 0 ? player < NearThreshold : player > farThreshold;
    f32 worldStep = d;
    if (!single) {
        player -= d;
        worldStep = 2 * d;
    }
    *axis.Scroll += worldStep;
    for (int i = 1; i <= Race.LastCarIndex; ++i) Cars[i].*axis.Screen -= worldStep;
    for (int k = 0; k < PickupCount; ++k) Pickups[k].*axis.PickupPos -= worldStep;
}

constexpr int ComputerCarX = 160;

void DrawCar(Surface& view, const CarRecord& car, int i) {
    // A computer car takes its own colours, so the player can tell who he is racing; the
    // shared mask fits every column, since every colour is painted on the same outline.
    if (car.SheetX == ComputerCarX && i > 0 && !RivalPics.Empty()) {
        int column = (i - 1) % RivalColumns * 80;
        DrawMasked(view, car.ScreenX, car.ScreenY, car.SpriteWidth, car.SpriteHeight, RivalPics,
                   column, car.Heading, Pics, car.SpriteWidth, car.Heading);
        return;
    }
    DrawMasked(view, car.ScreenX, car.ScreenY, car.SpriteWidth, car.SpriteHeight, Pics, car.SheetX,
               car.Heading, Pics, car.SpriteWidth, car.Heading);
}

void DrawSmoke(Surface& view, const CarRecord& car) {
    if (car.SmokeTick == 0) return;
    int x = CInt(car.ScreenX + 15.0f), y = CInt(car.ScreenY + 15.0f);
    // In 16-bit colour the puff is laid on with the AND pass alone: a darkening smudge.
    if (Settings.ColourDepth == 8)
        BitBlt(view, x, y, PuffSize, PuffSize, AniPics, car.SmokeFrameX, PuffMaskRow, SRCPAINT);
    BitBlt(view, x, y, PuffSize, PuffSize, AniPics, car.SmokeFrameX, PuffPictureRow, SRCAND);
}

void AdvanceSmoke(CarRecord& car) {
    if (car.SmokeTick == 0) return;
    // Four puff frames, three race frames each.
    car.SmokeTick += 1;
    if (car.SmokeTick > 3) {
        car.SmokeTick = 1;
        car.SmokeFrameX += 100;
        if (car.SmokeFrameX > 300) {
            car.SmokeFrameX = 0;
            car.SmokeTick = 0;
        }
    }
}

void DrawExplosion(Surface& view, const CarRecord& car) {
    DrawMasked(view, car.ScreenX, car.ScreenY - 25.0f, BlastSize, BlastSize, ExplosionPics,
               car.BlastFrameX, car.BlastFrameY, ExplosionMask, car.BlastFrameX, car.BlastFrameY);
}

void AdvanceExplosion(int i) {
    CarRecord& car = Cars[i];
    car.BlastTick += 1;
    if (car.BlastTick > 3) {
        car.BlastTick = 0;
        car.BlastFrameX += BlastStep;
    }
    // The wreck leaves the race while still burning; only the fire's end finishes it.
    if (car.BlastFrameX >= 700 && car.BlastFrameX <= 1200) {
        car.Status = StatusOut;
    } else if (car.BlastFrameX > 1200 && car.BlastFrameX <= 1600) {
        car.FxState = 0;
        car.BlastFrameX = 0;
        if (i == 0) Race.Outcome = Outcome::Abandoned;
    }
}

// The banner row for the player's place; 0 when there is no banner for it.
int BannerRow(i16 place) {
    if (place == 1) return 205;
    if (place == 2) return 255;
    if (place == 3) return 305;
    if (place >= 4 && place <= 10) return 505;
    return 0;
}

}  // namespace

Surface& RaceViewSurface() {
    Surface* view = &OwnBackBuffer;
    if (PlayArea[1]) view = &PlayArea[1]->Picture;
    if (view->Empty()) view->Resize(ViewSize, ViewSize);
    return *view;
}

void DrawMasked(Surface& target, double x, double y, int w, int h, const Surface& sheet,
                int pictureX, int pictureY, const Surface& maskSheet, int maskX, int maskY) {
    int left = CInt(x), top = CInt(y);
    BitBlt(target, left, top, w, h, maskSheet, maskX, maskY, SRCPAINT);
    BitBlt(target, left, top, w, h, sheet, pictureX, pictureY, SRCAND);
}

void ScrollView() {
    f32 dx = DirSign[0] * Cars[0].VelX;
    f32 dy = DirSign[0] * Cars[0].VelY;
    ScrollAxis({&CarRecord::ScreenX, &Pickup::X, &ScrollX}, dx, 2.0f * ViewLeft + 220);
    ScrollAxis({&CarRecord::ScreenY, &Pickup::Y, &ScrollY}, dy, 2.0f * ViewTop + 220);
}

void DrawBackground() {
    Surface& view = RaceViewSurface();
    int c0 = Cars[0].TileCol - 3, r0 = Cars[0].TileRow - 3;
    for (int r = r0; r < r0 + TilesAcross; ++r) {
        for (int c = c0; c < c0 + TilesAcross; ++c) {
            // Beyond the course's 50 x 50 cells we lay bare ground rather than leave
            // whatever the last frame had there.
            bool onCourse = c >= 0 && c < 50 && r >= 0 && r < 50;
            int tile = onCourse ? Course.TileMap[c][r] : 0;
            int x = CInt(static_cast<f32>(TileSize * c) - ScrollX);
            int y = CInt(static_cast<f32>(TileSize * r) - ScrollY);
            BitBlt(view, x, y, TileSize, TileSize, MapPic, TileSize * tile, 0, SRCCOPY);
        }
    }
    for (int k = 0; k < PickupCount; ++k) {
        if (Pickups[k].State == PickupTaken) continue;
        DrawMasked(view, Pickups[k].X, Pickups[k].Y, PickupSize, PickupSize, AniPics,
                   PickupPictureX, PickupRow, AniPics, PickupMaskX, PickupRow);
    }
}

void DrawSprites() {
    Surface& view = RaceViewSurface();
    DrawGhost(view);
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        if (Cars[i].Status == StatusOut) continue;
        DrawCar(view, Cars[i], i);
        DrawSmoke(view, Cars[i]);
    }
    for (int i = 0; i <= Race.LastCarIndex; ++i)
        if (Cars[i].FxState == FxExploding) DrawExplosion(view, Cars[i]);

    const CarRecord& player = Cars[0];
    if (player.LapCount < RaceLaps) return;
    if (int row = BannerRow(Race.FinishCount)) {
        DrawMasked(view, player.ScreenX - 45.0f, player.ScreenY - 45.0f, BannerW, BannerH, AniPics,
                   BannerPictureX, row, AniPics, BannerMaskX, row);
    }
}

void AdvanceEffects() {
    // The same cars in the same order as the sprites are drawn, so a frame's picture
    // shows each animation one step before it moves on.
    for (int i = 0; i <= Race.LastCarIndex; ++i)
        if (Cars[i].Status != StatusOut) AdvanceSmoke(Cars[i]);
    for (int i = 0; i <= Race.LastCarIndex; ++i)
        if (Cars[i].FxState == FxExploding) AdvanceExplosion(i);
    // The first frame the player counts as finished starts the wait before the result.
    if (Cars[0].LapCount >= RaceLaps && Race.FinishTime == 0) Race.FinishTime = RaceClock();
}
