// Drawing helpers for the generator: Cairo canvases, the game's two-pass sprite art
// (picture on white + white-on-black mask) and quiet file writing.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// An ARGB Cairo canvas, cleared to transparent.
struct Canvas {
    cairo_surface_t* Image = nullptr;
    cairo_t* Cr = nullptr;
    int Width = 0, Height = 0;

    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Straight (not premultiplied) alpha and colour of a pixel.
    std::uint8_t Alpha(int x, int y) const;
    std::uint32_t Colour(int x, int y) const;  // 0x00RRGGBB, un-premultiplied
    void SavePng(const std::string& path) const;
};

void SetRgb(cairo_t* cr, std::uint32_t rgb, double alpha = 1.0);

// Where the canvas is at least half covered the mask is white and the picture takes the
// drawn colour; elsewhere the mask is black and the picture white. Cutting both from one
// threshold keeps the two silhouettes identical, whatever the game later scales them by.
void CutSprite(const Canvas& art, int artX, int artY, int w, int h, Surface& picture,
               Surface& mask, int atX, int atY);

// As CutSprite, but every 2 x 2 block of the art becomes one averaged colour written to
// all four pixels: a half-size nearest-pixel copy then shows the smooth average instead
// of whichever stray edge pixel the sampling lands on.
void CutSpriteInBlocks(const Canvas& art, int artX, int artY, int w, int h, Surface& picture,
                       Surface& mask, int atX, int atY);

// A plain picture: the canvas over a solid background colour.
Surface Flatten(const Canvas& art, std::uint32_t background);

// Writes bytes only when the file is missing or different, so rebuilds stay quiet.
void WriteFileIfChanged(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Saves a picture as a Windows bitmap through the platform layer, only when it changes.
// Every picture written is also kept for the contact sheet.
void WritePicture(const std::string& path, const Surface& picture);

// A picture as PNG, for looking at the art.
void SavePng(const Surface& picture, const std::string& path);

struct WrittenPicture {
    std::string Name;
    Surface Picture;
};
const std::vector<WrittenPicture>& WrittenPictures();
