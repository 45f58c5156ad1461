// The shape of every tile piece: where its walls stop cars, which sides are open road,
// and the picture drawn from that, so the art can never disagree with the walls.
#pragma once

#include <cstdint>

constexpr int TileCodes = 22;  // the tile strip holds codes 0..21
constexpr int TilePixels = 200;

enum TileSide { SideWest = 0, SideEast = 1, SideNorth = 2, SideSouth = 3 };
constexpr int SideBit(TileSide s) { return 1 << s; }

// A car whose centre (TileX, TileY) lies here is pushed back by one of the tile's walls.
bool WallZone(int code, double tileX, double tileY);
// Sides a car can drive through into the neighbouring tile (bits of SideBit); 0 for
// plain ground, which is not part of any road.
int OpenSides(int code);
bool IsRoadPiece(int code);
bool IsStartPiece(int code);  // 18, 19, 20, 21

// How far the pixel centre (px, py) lies inside the drawn barrier, in pixels: 0 or less
// is road, 0..12 kerb, 12..24 concrete, beyond that ground. Corners are rounded.
double BarrierDepth(int code, double px, double py);

// The picture of one tile pixel, 0x00RRGGBB.
std::uint32_t TilePixel(int code, int x, int y);
