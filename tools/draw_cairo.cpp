#include "draw_cairo.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "assetgen.h"

namespace {

std::vector<WrittenPicture>& Written() {
    static std::vector<WrittenPicture> pictures;
    return pictures;
}

std::uint32_t PremultipliedAt(const Canvas& c, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(c.Image) +
                               static_cast<std::size_t>(y) * cairo_image_surface_get_stride(c.Image);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
}

std::uint32_t Unpremultiply(std::uint32_t argb) {
    unsigned a = argb >> 24;
    if (a == 0) return 0;
    auto channel = [a](unsigned v) { return std::min(255u, (v * 255 + a / 2) / a); };
    return channel((argb >> 16) & 0xFF) << 16 | channel((argb >> 8) & 0xFF) << 8 |
           channel(argb & 0xFF);
}

}  // namespace

Canvas::Canvas(int width, int height) : Width(width), Height(height) {
    Image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    Cr = cairo_create(Image);
    cairo_set_antialias(Cr, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
    cairo_destroy(Cr);
    cairo_surface_destroy(Image);
}

std::uint8_t Canvas::Alpha(int x, int y) const {
    cairo_surface_flush(Image);
    return static_cast<std::uint8_t>(PremultipliedAt(*this, x, y) >> 24);
}

std::uint32_t Canvas::Colour(int x, int y) const {
    cairo_surface_flush(Image);
    return Unpremultiply(PremultipliedAt(*this, x, y));
}

void Canvas::SavePng(const std::string& path) const {
    cairo_surface_flush(Image);
    cairo_surface_write_to_png(Image, path.c_str());
}

void SetRgb(cairo_t* cr, std::uint32_t rgb, double alpha) {
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                          (rgb & 0xFF) / 255.0, alpha);
}

void CutSprite(const Canvas& art, int artX, int artY, int w, int h, Surface& picture,
               Surface& mask, int atX, int atY) {
    cairo_surface_flush(art.Image);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t argb = PremultipliedAt(art, artX + x, artY + y);
            bool inside = (argb >> 24) >= 128;
            picture.SetPixel(atX + x, atY + y, inside ? Unpremultiply(argb) : 0xFFFFFF);
            mask.SetPixel(atX + x, atY + y, inside ? 0xFFFFFF : 0x000000);
        }
}

void CutSpriteInBlocks(const Canvas& art, int artX, int artY, int w, int h, Surface& picture,
                       Surface& mask, int atX, int atY) {
    cairo_surface_flush(art.Image);
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; x += 2) {
            unsigned sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    std::uint32_t argb = PremultipliedAt(art, artX + x + dx, artY + y + dy);
                    for (int c = 0; c < 4; ++c) sum[c] += (argb >> (8 * c)) & 0xFF;
                }
            std::uint32_t average = 0;
            for (int c = 0; c < 4; ++c) average |= ((sum[c] + 2) / 4) << (8 * c);
            bool inside = (average >> 24) >= 128;
            std::uint32_t colour = inside ? Unpremultiply(average) : 0xFFFFFF;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    picture.SetPixel(atX + x + dx, atY + y + dy, colour);
                    mask.SetPixel(atX + x + dx, atY + y + dy, inside ? 0xFFFFFF : 0x000000);
                }
        }
}

Surface Flatten(const Canvas& art, std::uint32_t background) {
    Surface out;
    out.Resize(art.Width, art.Height);
    cairo_surface_flush(art.Image);
    for (int y = 0; y < art.Height; ++y)
        for (int x = 0; x < art.Width; ++x) {
            std::uint32_t argb = PremultipliedAt(art, x, y);
            unsigned a = argb >> 24;
            std::uint32_t pixel = 0;
            for (int c = 0; c < 3; ++c) {
                unsigned src = (argb >> (8 * c)) & 0xFF;
                unsigned bg = (background >> (8 * c)) & 0xFF;
                pixel |= std::min(255u, src + (bg * (255 - a) + 127) / 255) << (8 * c);
            }
            out.SetPixel(x, y, pixel);
        }
    return out;
}

void WriteFileIfChanged(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (std::filesystem::exists(path) &&
        ReadGeneratedFile(path) == std::string(bytes.begin(), bytes.end()))
        return;
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path);
    }
    std::filesystem::rename(temporary, path);
}

void WritePicture(const std::string& path, const Surface& picture) {
    Written().push_back({std::filesystem::path(path).filename().string(), picture});
    std::string temporary = path + ".bmp-new";
    SavePicture(picture, temporary);
    std::string text = ReadGeneratedFile(temporary);
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    std::filesystem::remove(temporary);
    WriteFileIfChanged(path, bytes);
}

void SavePng(const Surface& picture, const std::string& path) {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.Width,
                                                        picture.Height);
    unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x)
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride)[x] =
                picture.Pixel(x, y);
    cairo_surface_mark_dirty(image);
    cairo_surface_write_to_png(image, path.c_str());
    cairo_surface_destroy(image);
}

const std::vector<WrittenPicture>& WrittenPictures() { return Written(); }
