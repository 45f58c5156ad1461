// Text for labels, list boxes and text boxes: fonts found by fontconfig, drawn by SDL_ttf.
// Needs no display: only the TrueType library is started, never SDL's video.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "platform/text/ttf_text.h"

namespace {

// The game's two typefaces and the metric-compatible free faces drawn in their place.
std::string FamilyFor(const std::string& name) {
    if (name == "Times New Roman") return "Liberation Serif";
    return "Liberation Sans";
}

std::string FindFontFile(const std::string& family, bool bold) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
        file = reinterpret_cast<const char*>(path);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

class TtfTextRenderer : public TextRenderer {
public:
    ~TtfTextRenderer() override {
        for (auto& [key, font] : Fonts)
            if (font) TTF_CloseFont(font);
        TTF_Quit();
    }

    void Measure(const Font& font, const std::string& text, int& width, int& height) override {
        width = height = 0;
        TTF_Font* f = Open(font);
        if (!f) return;
        height = TTF_FontLineSkip(f);
        if (!text.empty()) TTF_SizeUTF8(f, text.c_str(), &width, nullptr);
    }

    void Draw(Surface& target, int x, int y, int w, int h, const std::string& text,
              const Font& font, std::uint32_t pixel, Alignment align, bool wordWrap) override {
        TTF_Font* f = Open(font);
        if (!f || text.empty() || w <= 0 || h <= 0) return;
        int lineSkip = TTF_FontLineSkip(f);
        int top = y;
        for (const std::string& line : Lines(f, text, w, wordWrap)) {
            if (top >= y + h) break;
            if (!line.empty()) {
                int lw = 0;
                TTF_SizeUTF8(f, line.c_str(), &lw, nullptr);
                int left = align == Alignment::Centre ? x + (w - lw) / 2 : x;
                DrawLine(target, f, line, left, top, x, y, w, h, pixel);
            }
            top += lineSkip;
        }
    }

    std::map<std::pair<std::string, int>, TTF_Font*> Fonts;

private:
    TTF_Font* Open(const Font& font) {
        // Point sizes at 96 dots an inch; the game's sizes (8.25, 15.75, ...) are whole pixels.
        int pixels = std::max(1, static_cast<int>(std::lround(font.Size * 96.0 / 72.0)));
        std::string family = FamilyFor(font.Name);
        std::string key = family + (font.Bold ? ":bold" : "");
        auto it = Fonts.find({key, pixels});
        if (it != Fonts.end()) return it->second;
        TTF_Font* f = nullptr;
        auto file = Files.find(key);
        if (file == Files.end()) file = Files.emplace(key, FindFontFile(family, font.Bold)).first;
        if (!file->second.empty()) f = TTF_OpenFont(file->second.c_str(), pixels);
        if (f) TTF_SetFontHinting(f, TTF_HINTING_LIGHT);
        Fonts[{key, pixels}] = f;
        return f;
    }

    static int Width(TTF_Font* f, const std::string& s) {
        int w = 0;
        if (!s.empty()) TTF_SizeUTF8(f, s.c_str(), &w, nullptr);
        return w;
    }

    // Breaks at line feeds, and when asked at the last space that keeps a line inside the
    // width; a word wider than the box stands on a line of its own.
    static std::vector<std::string> Lines(TTF_Font* f, const std::string& text, int w, bool wrap) {
        std::vector<std::string> lines;
        std::string paragraph;
        auto flush = [&](const std::string& p) {
            if (!wrap) {
                lines.push_back(p);
                return;
            }
            std::string line;
            std::size_t pos = 0;
            while (pos <= p.size()) {
                std::size_t space = p.find(' ', pos);
                std::string word = p.substr(pos, space == std::string::npos ? std::string::npos
                                                                            : space - pos);
                std::string candidate = line.empty() ? word : line + " " + word;
                if (!line.empty() && Width(f, candidate) > w) {
                    lines.push_back(line);
                    line = word;
                } else {
                    line = candidate;
                }
                if (space == std::string::npos) break;
                pos = space + 1;
            }
            lines.push_back(line);
        };
        for (char c : text) {
            if (c == '\r') continue;
            if (c == '\n') {
                flush(paragraph);
                paragraph.clear();
            } else {
                paragraph += c;
            }
        }
        flush(paragraph);
        return lines;
    }

    // Blends one rendered line into the target, clipped to the box and the target.
    static void DrawLine(Surface& target, TTF_Font* f, const std::string& line, int left, int top,
                         int bx, int by, int bw, int bh, std::uint32_t pixel) {
        SDL_Surface* glyphs = TTF_RenderUTF8_Blended(f, line.c_str(), SDL_Color{255, 255, 255, 255});
        if (!glyphs) return;
        SDL_Surface* argb = glyphs->format->format == SDL_PIXELFORMAT_ARGB8888
                                ? glyphs
                                : SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_ARGB8888, 0);
        if (argb) {
            int x0 = std::max({left, bx, 0}), y0 = std::max({top, by, 0});
            int x1 = std::min({left + argb->w, bx + bw, target.Width});
            int y1 = std::min({top + argb->h, by + bh, target.Height});
            int cr = (pixel >> 16) & 0xFF, cg = (pixel >> 8) & 0xFF, cb = pixel & 0xFF;
            SDL_LockSurface(argb);
            for (int ty = y0; ty < y1; ++ty) {
                const auto* src = reinterpret_cast<const std::uint32_t*>(
                    static_cast<const unsigned char*>(argb->pixels) + (ty - top) * argb->pitch);
                std::uint32_t* dst = &target.Pixels[ty * target.Width];
                for (int tx = x0; tx < x1; ++tx) {
                    int a = src[tx - left] >> 24;
                    if (a == 0) continue;
                    std::uint32_t d = dst[tx];
                    int r = (d >> 16) & 0xFF, g = (d >> 8) & 0xFF, b = d & 0xFF;
                    r += ((cr - r) * a + 127) / 255;
                    g += ((cg - g) * a + 127) / 255;
                    b += ((cb - b) * a + 127) / 255;
                    dst[tx] = (r << 16) | (g << 8) | b;
                }
            }
            SDL_UnlockSurface(argb);
            if (argb != glyphs) SDL_FreeSurface(argb);
        }
        SDL_FreeSurface(glyphs);
    }

    std::map<std::string, std::string> Files;
};

}  // namespace

std::unique_ptr<TextRenderer> MakeTtfTextRenderer() {
    if (!FcInit()) return nullptr;
    // Without both faces there is nothing sensible to draw with.
    if (FindFontFile("Liberation Sans", false).empty()) return nullptr;
    if (TTF_Init() != 0) return nullptr;  // counted: every renderer quits once
    auto renderer = std::make_unique<TtfTextRenderer>();
    int w = 0, h = 0;
    renderer->Measure(Font{}, "Ag", w, h);
    if (h <= 0) return nullptr;  // the face would not open
    return renderer;
}
