// The desktop icon: flat shapes from data/icon.txt painted with Cairo at each size the
// desktop asks for. Each shape names the sizes it is drawn at, so the small icons keep
// only what still reads at 16 pixels.
#include <cairo.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "assetgen.h"
#include "draw_cairo.h"
#include "draw_shapes.h"

namespace fs = std::filesystem;

namespace {

constexpr double IconUnits = 256;  // the source's square, whatever size is drawn

struct IconShape {
    int FromSize = 0, ToSize = 0;
    std::string Kind;  // rect, poly, circle
    std::uint32_t Rgb = 0;
    double Alpha = 1;
    std::vector<double> Numbers;
};

std::uint32_t ParseColour(const std::string& text, double& alpha, const std::string& where) {
    if ((text.size() != 7 && text.size() != 9) || text[0] != '#' ||
        text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        throw std::runtime_error(where + ": a colour is #RRGGBB or #RRGGBBAA, not " + text);
    unsigned long value = std::stoul(text.substr(1), nullptr, 16);
    alpha = 1;
    if (text.size() == 9) {
        alpha = (value & 0xFF) / 255.0;
        value >>= 8;
    }
    return static_cast<std::uint32_t>(value);
}

// "16-32" draws at 16 and 32 only, "48-" from 48 up, "-" at every size.
void ParseSizes(const std::string& text, IconShape& shape, const std::string& where) {
    std::size_t dash = text.find('-');
    if (dash == std::string::npos)
        throw std::runtime_error(where + ": sizes are FROM-TO, FROM- or -");
    try {
        shape.FromSize = dash == 0 ? 0 : std::stoi(text.substr(0, dash));
        shape.ToSize = dash + 1 == text.size() ? 1 << 20 : std::stoi(text.substr(dash + 1));
    } catch (const std::exception&) {
        throw std::runtime_error(where + ": sizes are FROM-TO, FROM- or -, not " + text);
    }
}

std::vector<IconShape> ReadIconSource(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<IconShape> shapes;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string sizes;
        if (!(words >> sizes) || sizes[0] == '#') continue;
        std::string where = path + " line " + std::to_string(number);
        IconShape shape;
        ParseSizes(sizes, shape, where);
        std::string colour;
        if (!(words >> shape.Kind >> colour))
            throw std::runtime_error(where + ": a shape and a colour are missing");
        shape.Rgb = ParseColour(colour, shape.Alpha, where);
        for (double n; words >> n;) shape.Numbers.push_back(n);
        if (!words.eof()) throw std::runtime_error(where + ": only numbers may follow the colour");
        std::size_t count = shape.Numbers.size();
        bool fits = (shape.Kind == "rect" && count == 5) ||
                    (shape.Kind == "circle" && count == 3) ||
                    (shape.Kind == "poly" && count >= 6 && count % 2 == 0);
        if (!fits)
            throw std::runtime_error(where +
                                     ": rect takes x y w h radius, circle cx cy r, "
                                     "poly three or more x y pairs");
        shapes.push_back(shape);
    }
    return shapes;
}

void DrawIcon(const std::vector<IconShape>& shapes, int size, const std::string& path) {
    Canvas icon(size, size);
    cairo_t* cr = icon.Cr;
    cairo_scale(cr, size / IconUnits, size / IconUnits);
    for (const IconShape& shape : shapes) {
        if (size < shape.FromSize || size > shape.ToSize) continue;
        const std::vector<double>& n = shape.Numbers;
        if (shape.Kind == "rect") {
            RoundedRect(cr, n[0], n[1], n[2], n[3], n[4]);
        } else if (shape.Kind == "circle") {
            cairo_new_path(cr);
            cairo_arc(cr, n[0], n[1], n[2], 0, 6.283185307179586);
        } else {
            cairo_move_to(cr, n[0], n[1]);
            for (std::size_t i = 2; i < n.size(); i += 2) cairo_line_to(cr, n[i], n[i + 1]);
            cairo_close_path(cr);
        }
        SetRgb(cr, shape.Rgb, shape.Alpha);
        cairo_fill(cr);
    }
    icon.SavePng(path);
}

}  // namespace

void GenerateIcons(const std::string& data, const std::string& out) {
    std::vector<IconShape> shapes = ReadIconSource((fs::path(data) / "icon.txt").string());
    for (int size : IconSizes) {
        std::string edge = std::to_string(size);
        fs::path folder = fs::path(out) / "icons" / "hicolor" / (edge + "x" + edge) / "apps";
        fs::create_directories(folder);
        DrawIcon(shapes, size, (folder / "gravel-ghosts.png").string());
    }
}
