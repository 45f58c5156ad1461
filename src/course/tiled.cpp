// Courses as Tiled maps (.tmx XML, .tmj JSON): the tiles in a tile layer whose tileset is
// the game's own tile strip (tile id t is tile code t), the brake tiles as rectangles in
// an object layer "brake", the pickups as points named 1 to 11 in an object layer
// "pickups", and the name and laps as map properties.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>

#include "course/course.h"
#include "platform/platform.h"

std::string CourseFile;

namespace {

constexpr int CellCount = MapSize * MapSize;
constexpr int MaxLaps = 99;
constexpr std::size_t MaxNameLength = 99;  // what our own course files can hold
// A Tiled map of a course is some 20 KB, 60 KB pretty-printed; this leaves room for notes.
constexpr std::size_t MaxMapBytes = 1 << 20;
// Tiled keeps a tile's mirroring and turning in the top bits of its id.
constexpr std::uint32_t TurnedBits = 0xF0000000u;

[[noreturn]] void Refuse(const std::string& fileName, const std::string& problem) {
    throw FileError("Course file " + PrintableText(fileName) + " cannot be read: " + problem);
}

std::string Quoted(const std::string& text) { return "'" + QuoteInput(text) + "'"; }

struct MapObject {
    std::string Name;
    double X = 0, Y = 0, Width = 0, Height = 0;
};

struct TileLayer {
    std::string Name;
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Ids;
};

// What a course needs of a map, whichever of the two formats held it.
struct TiledMap {
    std::string Orientation;
    std::string Width, Height, TileWidth, TileHeight;
    bool Infinite = false;
    bool HasTileset = false;
    std::uint32_t FirstId = 1;
    std::vector<std::pair<std::string, std::string>> Properties;
    std::vector<TileLayer> Layers;
    std::vector<std::pair<std::string, std::vector<MapObject>>> ObjectLayers;
};

const std::vector<DocumentNode> NoChildren;

struct Reader {
    std::string FileName;

    std::string Get(const DocumentNode& node, const std::string& name) const {
        const std::string* value = node.Attribute(name);
        return value ? *value : "";
    }

    double Number(const std::string& text, const std::string& what) const {
        double value = 0;
        const char* end = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (ec != std::errc() || ptr != end || !std::isfinite(value))
            Refuse(FileName, what + " is " + Quoted(text) + ", not a number");
        return value;
    }

    // `where` is the layer's name, or empty for the tileset's first id.
    std::uint32_t TileId(const std::string& text, const std::string& where) const {
        std::uint64_t value = 0;
        const char* end = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (ec != std::errc() || ptr != end || value > 0xFFFFFFFFu)
            Refuse(FileName, (where.empty() ? std::string("the tileset's firstgid") : "layer " + Quoted(where)) +
                                 " holds " + Quoted(text) + ", which is not a tile id");
        return static_cast<std::uint32_t>(value);
    }

    void CsvIds(const std::string& text, TileLayer& layer) const {
        std::string item;
        auto flush = [&] {
            if (!item.empty()) layer.Ids.push_back(TileId(item, layer.Name));
            item.clear();
        };
        for (char c : text) {
            if (c == ',' || c == ' ' || c == '\n' || c == '\r' || c == '\t')
                flush();
            else if (layer.Ids.size() <= CellCount)  // enough to say there are too many
                item += c;
        }
        flush();
    }

    // Uncompressed base64: four bytes to a tile id, least significant first.
    void Base64Ids(const std::string& text, const std::string& compression,
                   TileLayer& layer) const {
        if (!compression.empty())
            Refuse(FileName, "layer " + Quoted(layer.Name) + " is compressed with " +
                                 Quoted(compression) +
                                 ", which the game cannot read: save it with the tile layer "
                                 "format CSV or Base64 (uncompressed)");
        std::vector<unsigned char> bytes;
        std::uint32_t bits = 0;
        int count = 0;
        for (char c : text) {
            int v = c >= 'A' && c <= 'Z'   ? c - 'A'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 26
                    : c >= '0' && c <= '9' ? c - '0' + 52
                    : c == '+'             ? 62
                    : c == '/'             ? 63
                                           : -1;
            if (c == '=' || c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
            if (v < 0)
                Refuse(FileName, "layer " + Quoted(layer.Name) + " is not valid base64");
            bits = (bits << 6) | static_cast<std::uint32_t>(v);
            if (++count == 4) {
                bytes.push_back(static_cast<unsigned char>(bits >> 16));
                bytes.push_back(static_cast<unsigned char>(bits >> 8));
                bytes.push_back(static_cast<unsigned char>(bits));
                bits = 0;
                count = 0;
            }
        }
        if (count == 2) bytes.push_back(static_cast<unsigned char>(bits >> 4));
        if (count == 3) {
            bytes.push_back(static_cast<unsigned char>(bits >> 10));
            bytes.push_back(static_cast<unsigned char>(bits >> 2));
        }
        if (bytes.size() % 4 != 0)
            Refuse(FileName, "layer " + Quoted(layer.Name) + " holds " +
                                 std::to_string(bytes.size()) +
                                 " bytes, not four to each tile");
        for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
            layer.Ids.push_back(bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) |
                                (static_cast<std::uint32_t>(bytes[i + 3]) << 24));
    }

    void Encoded(const std::string& encoding, const std::string& compression,
                 const std::string& text, TileLayer& layer) const {
        if (encoding == "csv")
            CsvIds(text, layer);
        else if (encoding == "base64")
            Base64Ids(text, compression, layer);
        else
            Refuse(FileName, "layer " + Quoted(layer.Name) + " has the encoding " +
                                 Quoted(encoding) + ", which the game cannot read");
    }

    MapObject Object(const DocumentNode& node, const std::string& layer) const {
        MapObject o;
        o.Name = Get(node, "name");
        std::string what = "in layer " + Quoted(layer) + ", object " + Quoted(o.Name) + "'s ";
        o.X = Number(Get(node, "x"), what + "x");
        o.Y = Number(Get(node, "y"), what + "y");
        if (const std::string* w = node.Attribute("width")) o.Width = Number(*w, what + "width");
        if (const std::string* h = node.Attribute("height"))
            o.Height = Number(*h, what + "height");
        return o;
    }

    // The map's size and shape, named alike in both formats; only how they write "yes" differs.
    TiledMap Header(const DocumentNode& root, const char* yes) const {
        TiledMap map;
        map.Orientation = Get(root, "orientation");
        map.Width = Get(root, "width");
        map.Height = Get(root, "height");
        map.TileWidth = Get(root, "tilewidth");
        map.TileHeight = Get(root, "tileheight");
        map.Infinite = Get(root, "infinite") == yes;
        return map;
    }

    // --- .tmx
    TiledMap FromXml(const DocumentNode& root) const {
        if (root.Name != "map") Refuse(FileName, "it is not a Tiled map (no <map> element)");
        TiledMap map = Header(root, "1");
        for (const DocumentNode& child : root.Children) {
            if (child.Name == "properties") {
                for (const DocumentNode& p : child.Children)
                    if (p.Name == "property")
                        map.Properties.emplace_back(
                            Get(p, "name"), p.Attribute("value") ? Get(p, "value") : p.Text);
            } else if (child.Name == "tileset" && !map.HasTileset) {
                map.HasTileset = true;
                map.FirstId = TileId(Get(child, "firstgid"), "");
            } else if (child.Name == "layer") {
                TileLayer layer;
                layer.Name = Get(child, "name");
                const DocumentNode* data = child.Child("data");
                if (!data) Refuse(FileName, "layer " + Quoted(layer.Name) + " has no data");
                if (data->Child("chunk"))
                    Refuse(FileName, "it is an infinite map; a course is 51 x 51 tiles");
                std::string encoding = Get(*data, "encoding");
                if (encoding.empty()) {
                    for (const DocumentNode& tile : data->Children)
                        if (tile.Name == "tile" && layer.Ids.size() <= CellCount)
                            layer.Ids.push_back(tile.Attribute("gid")
                                                    ? TileId(Get(tile, "gid"), layer.Name)
                                                    : 0);
                } else {
                    Encoded(encoding, Get(*data, "compression"), data->Text, layer);
                }
                map.Layers.push_back(std::move(layer));
            } else if (child.Name == "objectgroup") {
                std::string name = Get(child, "name");
                std::vector<MapObject> objects;
                for (const DocumentNode& o : child.Children)
                    if (o.Name == "object") objects.push_back(Object(o, name));
                map.ObjectLayers.emplace_back(name, std::move(objects));
            }
        }
        return map;
    }

    // --- .tmj
    TiledMap FromJson(const DocumentNode& root) const {
        if (root.IsList || Get(root, "type") != "map")
            Refuse(FileName, "it is not a Tiled map (no \"type\": \"map\")");
        TiledMap map = Header(root, "true");
        if (const DocumentNode* properties = root.Child("properties"))
            for (const DocumentNode& p : properties->Children)
                map.Properties.emplace_back(Get(p, "name"), Get(p, "value"));
        if (const DocumentNode* tilesets = root.Child("tilesets");
            tilesets && !tilesets->Children.empty()) {
            map.HasTileset = true;
            map.FirstId = TileId(Get(tilesets->Children[0], "firstgid"), "");
        }
        const DocumentNode* layers = root.Child("layers");
        for (const DocumentNode& child : layers ? layers->Children : NoChildren) {
            std::string type = Get(child, "type");
            std::string name = Get(child, "name");
            if (type == "tilelayer") {
                TileLayer layer;
                layer.Name = name;
                if (child.Child("chunks"))
                    Refuse(FileName, "it is an infinite map; a course is 51 x 51 tiles");
                if (const DocumentNode* data = child.Child("data")) {
                    for (const DocumentNode& id : data->Children)
                        if (layer.Ids.size() <= CellCount)
                            layer.Ids.push_back(TileId(id.Text, name));
                } else if (const std::string* text = child.Attribute("data")) {
                    std::string encoding = Get(child, "encoding");
                    Encoded(encoding.empty() ? "csv" : encoding, Get(child, "compression"),
                            *text, layer);
                } else {
                    Refuse(FileName, "layer " + Quoted(name) + " has no data");
                }
                map.Layers.push_back(std::move(layer));
            } else if (type == "objectgroup") {
                std::vector<MapObject> objects;
                if (const DocumentNode* list = child.Child("objects"))
                    for (const DocumentNode& o : list->Children) objects.push_back(Object(o, name));
                map.ObjectLayers.emplace_back(name, std::move(objects));
            }
        }
        return map;
    }

    const std::vector<MapObject>* ObjectLayer(const TiledMap& map, const std::string& name) const {
        for (const auto& [layerName, objects] : map.ObjectLayers)
            if (layerName == name) return &objects;
        return nullptr;
    }

    // The map into Course, with the limits of our own course files.
    void Build(const TiledMap& map) const {
        if (map.Infinite) Refuse(FileName, "it is an infinite map; a course is 51 x 51 tiles");
        if (map.Orientation != "orthogonal")
            Refuse(FileName, "its orientation is " + Quoted(map.Orientation) +
                                 "; a course is orthogonal");
        const std::string size = std::to_string(MapSize), tile = std::to_string(TileSize);
        if (map.Width != size || map.Height != size)
            Refuse(FileName, "it is " + QuoteInput(map.Width) + " x " + QuoteInput(map.Height) +
                                 " tiles; a course is " + size + " x " + size);
        if (map.TileWidth != tile || map.TileHeight != tile)
            Refuse(FileName, "its tiles are " + QuoteInput(map.TileWidth) + " x " +
                                 QuoteInput(map.TileHeight) + " pixels; a course's are " +
                                 tile + " x " + tile);
        if (!map.HasTileset)
            Refuse(FileName, "it has no tileset; a course's tiles come from the game's tile strip");
        if (map.Layers.empty()) Refuse(FileName, "it has no tile layer");
        const TileLayer& layer = map.Layers.front();
        if (layer.Ids.size() != CellCount)
            Refuse(FileName, "layer " + Quoted(layer.Name) + " holds " +
                                 (layer.Ids.size() > CellCount ? std::string("more than ") : "") +
                                 std::to_string(std::min<std::size_t>(layer.Ids.size(), CellCount)) +
                                 " tiles; a course has " + std::to_string(CellCount));

        auto where = [](int column, int row) {
            return "column " + std::to_string(column) + ", row " + std::to_string(row);
        };
        for (int row = 0; row < MapSize; ++row)
            for (int column = 0; column < MapSize; ++column) {
                std::uint32_t id = layer.Ids[static_cast<std::size_t>(row * MapSize + column)];
                i16 code = 0;  // a cell left empty is plain ground
                if (id & TurnedBits)
                    Refuse(FileName, "the tile at " + where(column, row) +
                                         " is mirrored or turned; the course shows every tile "
                                         "as the strip has it");
                if (id != 0) {
                    if (id < map.FirstId || id - map.FirstId > LastTileCode)
                        Refuse(FileName, "the tile id " + std::to_string(id) + " at " +
                                             where(column, row) +
                                             " is not one of the tile strip's " +
                                             std::to_string(LastTileCode + 1) + " tiles");
                    code = static_cast<i16>(id - map.FirstId);
                }
                Course.TileMap[column][row] = code;
                if (IsStartTile(code)) {
                    Course.StartTileCol = static_cast<i16>(column);
                    Course.StartTileRow = static_cast<i16>(row);
                }
            }

        // A brake area marks the cells whose middles it covers; under it the tiles are empty,
        // since a brake cell is drawn as nothing.
        if (const std::vector<MapObject>* brakes = ObjectLayer(map, "brake"))
            for (const MapObject& area : *brakes)
                for (int column = 0; column < MapSize; ++column)
                    for (int row = 0; row < MapSize; ++row) {
                        double x = (column + 0.5) * TileSize, y = (row + 0.5) * TileSize;
                        if (x < area.X || x > area.X + area.Width || y < area.Y ||
                            y > area.Y + area.Height)
                            continue;
                        i16& code = Course.TileMap[column][row];
                        if (code != 0 && code != TileSlowDown)
                            Refuse(FileName, "the brake area " + Quoted(area.Name) +
                                                 " covers tile " + std::to_string(code) + " at " +
                                                 where(column, row) +
                                                 "; a brake tile must be left empty");
                        code = TileSlowDown;
                    }

        const std::vector<MapObject>* pickups = ObjectLayer(map, "pickups");
        if (!pickups)
            Refuse(FileName, "it has no object layer 'pickups' (points named 1 to " +
                                 std::to_string(PickupCount) + ")");
        bool placed[PickupCount] = {};
        for (const MapObject& o : *pickups) {
            int number = 0;
            auto [ptr, ec] = std::from_chars(o.Name.data(), o.Name.data() + o.Name.size(), number);
            if (ec != std::errc() || ptr != o.Name.data() + o.Name.size() || number < 1 ||
                number > PickupCount)
                Refuse(FileName, "a pickup is named " + Quoted(o.Name) + "; pickups are named 1 to " +
                                     std::to_string(PickupCount));
            if (placed[number - 1])
                Refuse(FileName, "two pickups are named " + std::to_string(number));
            placed[number - 1] = true;
            Pickup& p = Course.Pickups[number - 1];
            // Far off the course is as far as a pickup needs to be to be refused for it.
            constexpr double Far = 1e6;
            p.X = static_cast<f32>(std::clamp(o.X + o.Width / 2, -Far, Far));
            p.Y = static_cast<f32>(std::clamp(o.Y + o.Height / 2, -Far, Far));
            p.State = 0;
        }
        for (int i = 0; i < PickupCount; ++i)
            if (!placed[i]) Refuse(FileName, "pickup " + std::to_string(i + 1) + " is missing");

        std::string name, laps;
        bool hasLaps = false;
        for (const auto& [key, value] : map.Properties) {
            if (key == "name") name = value;
            if (key == "laps") laps = value, hasLaps = true;
        }
        if (!hasLaps) Refuse(FileName, "it has no map property 'laps'");
        int lapCount = 0;
        auto [ptr, ec] = std::from_chars(laps.data(), laps.data() + laps.size(), lapCount);
        if (ec != std::errc() || ptr != laps.data() + laps.size() || lapCount < 1 ||
            lapCount > MaxLaps)
            Refuse(FileName, "its laps are " + Quoted(laps) + ", not a whole number from 1 to " +
                                 std::to_string(MaxLaps));
        if (name.size() > MaxNameLength)
            Refuse(FileName, "its name is longer than " + std::to_string(MaxNameLength) +
                                 " characters");
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }))
            Refuse(FileName, "its name holds control characters");
        Course.CourseName = name;
        Course.RaceLaps = static_cast<i16>(lapCount);
    }
};

bool EndsWith(const std::string& text, const std::string& end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string JsonEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 32) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

// Positions are whole pixels in our files; Tiled writes them the same way.
std::string Pixels(f32 value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

}  // namespace

MapFormat MapFormatOf(const std::string& fileName) {
    if (EndsWith(fileName, ".tmx")) return MapFormat::Tmx;
    if (EndsWith(fileName, ".tmj") || EndsWith(fileName, ".json")) return MapFormat::Tmj;
    return MapFormat::Own;
}

void ParseTiledCourse(const std::string& text, const std::string& fileName, MapFormat format) {
    Reader reader{fileName};
    TiledMap map;
    try {
        map = format == MapFormat::Tmx ? reader.FromXml(ReadXmlDocument(text))
                                       : reader.FromJson(ReadJsonDocument(text));
    } catch (const FileError& e) {
        std::string message = e.what();
        if (message.rfind("Course file ", 0) == 0) throw;
        Refuse(fileName, message);
    }
    reader.Build(map);
}

void ReadCourseFile(const std::string& path) {
    if (!FileExists(path)) throw FileError("Course file " + PrintableText(path) + " is missing");
    MapFormat format = MapFormatOf(path);
    std::string text = ReadFileText(path, MaxMapBytes);
    if (format == MapFormat::Own) {
        ParseCourse(text, path);
        // Our own files hold no laps: the course races the laps of the one it stands in for.
        if (CurrentCourse >= 1 && CurrentCourse <= CourseCount)
            RaceLaps = LapsPerCourse[CurrentCourse];
    } else {
        ParseTiledCourse(text, path, format);
    }
    CheckCourse(path);
}

std::string TiledCourseText(MapFormat format, const std::string& tileStrip, int stripWidth,
                            int stripHeight) {
    // Brake tiles are drawn as nothing: the tile layer leaves them empty and a rectangle of
    // their own marks each.
    std::vector<std::pair<int, int>> brakes;
    std::ostringstream ids;
    for (int row = 0; row < MapSize; ++row)
        for (int column = 0; column < MapSize; ++column) {
            i16 code = Course.TileMap[column][row];
            if (code == TileSlowDown) brakes.emplace_back(column, row);
            ids << (code == TileSlowDown ? 0 : code + 1)
                << (row == MapSize - 1 && column == MapSize - 1 ? "" : ",");
            if (column == MapSize - 1 && format == MapFormat::Tmx) ids << "\n";
        }
    const int nextObject = 1 + PickupCount + static_cast<int>(brakes.size());
    const std::string tiles = std::to_string(LastTileCode + 1);
    std::ostringstream out;
    if (format == MapFormat::Tmx) {
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            << "<map version=\"1.8\" tiledversion=\"1.8.2\" orientation=\"orthogonal\" "
               "renderorder=\"right-down\" width=\"" << MapSize << "\" height=\"" << MapSize
            << "\" tilewidth=\"" << TileSize << "\" tileheight=\"" << TileSize
            << "\" infinite=\"0\" nextlayerid=\"4\" nextobjectid=\"" << nextObject << "\">\n"
            << " <properties>\n"
            << "  <property name=\"laps\" type=\"int\" value=\"" << RaceLaps << "\"/>\n"
            << "  <property name=\"name\" value=\"" << XmlEscaped(Course.CourseName) << "\"/>\n"
            << " </properties>\n"
            << " <tileset firstgid=\"1\" name=\"tiles\" tilewidth=\"" << TileSize
            << "\" tileheight=\"" << TileSize << "\" tilecount=\"" << tiles << "\" columns=\""
            << tiles << "\">\n"
            << "  <image source=\"" << XmlEscaped(tileStrip) << "\" width=\"" << stripWidth
            << "\" height=\"" << stripHeight << "\"/>\n"
            << " </tileset>\n"
            << " <layer id=\"1\" name=\"tiles\" width=\"" << MapSize << "\" height=\"" << MapSize
            << "\">\n  <data encoding=\"csv\">\n" << ids.str() << "</data>\n </layer>\n"
            << " <objectgroup id=\"2\" name=\"brake\">\n";
        int id = 1;
        for (auto [column, row] : brakes)
            out << "  <object id=\"" << id++ << "\" x=\"" << column * TileSize << "\" y=\""
                << row * TileSize << "\" width=\"" << TileSize << "\" height=\"" << TileSize
                << "\"/>\n";
        out << " </objectgroup>\n <objectgroup id=\"3\" name=\"pickups\">\n";
        for (int i = 0; i < PickupCount; ++i)
            out << "  <object id=\"" << id++ << "\" name=\"" << i + 1 << "\" x=\""
                << Pixels(Course.Pickups[i].X) << "\" y=\"" << Pixels(Course.Pickups[i].Y)
                << "\">\n   <point/>\n  </object>\n";
        out << " </objectgroup>\n</map>\n";
        return out.str();
    }
    out << "{ \"type\":\"map\", \"version\":\"1.8\", \"tiledversion\":\"1.8.2\",\n"
        << "  \"orientation\":\"orthogonal\", \"renderorder\":\"right-down\", \"infinite\":false,\n"
        << "  \"width\":" << MapSize << ", \"height\":" << MapSize << ", \"tilewidth\":" << TileSize
        << ", \"tileheight\":" << TileSize << ", \"compressionlevel\":-1,\n"
        << "  \"nextlayerid\":4, \"nextobjectid\":" << nextObject << ",\n"
        << "  \"properties\":[{\"name\":\"laps\", \"type\":\"int\", \"value\":" << RaceLaps
        << "},\n                {\"name\":\"name\", \"type\":\"string\", \"value\":\""
        << JsonEscaped(Course.CourseName) << "\"}],\n"
        << "  \"tilesets\":[{\"firstgid\":1, \"name\":\"tiles\", \"image\":\""
        << JsonEscaped(tileStrip) << "\", \"imagewidth\":" << stripWidth
        << ", \"imageheight\":" << stripHeight << ", \"tilewidth\":" << TileSize
        << ", \"tileheight\":" << TileSize << ", \"tilecount\":" << tiles
        << ", \"columns\":" << tiles << ", \"margin\":0, \"spacing\":0}],\n"
        << "  \"layers\":[\n"
        << "   {\"id\":1, \"name\":\"tiles\", \"type\":\"tilelayer\", \"width\":" << MapSize
        << ", \"height\":" << MapSize
        << ", \"x\":0, \"y\":0, \"opacity\":1, \"visible\":true,\n    \"data\":[" << ids.str()
        << "]},\n"
        << "   {\"id\":2, \"name\":\"brake\", \"type\":\"objectgroup\", \"draworder\":\"topdown\", "
           "\"x\":0, \"y\":0, \"opacity\":1, \"visible\":true, \"objects\":[";
    int id = 1;
    for (auto [column, row] : brakes) {
        out << (id > 1 ? "," : "");
        out << "\n    {\"id\":" << id++ << ", \"name\":\"\", \"type\":\"\", \"rotation\":0, \"visible\":true, \"x\":"
            << column * TileSize << ", \"y\":" << row * TileSize << ", \"width\":" << TileSize
            << ", \"height\":" << TileSize << "}";
    }
    out << "]},\n"
        << "   {\"id\":3, \"name\":\"pickups\", \"type\":\"objectgroup\", \"draworder\":\"topdown\", "
           "\"x\":0, \"y\":0, \"opacity\":1, \"visible\":true, \"objects\":[";
    for (int i = 0; i < PickupCount; ++i)
        out << (i ? "," : "") << "\n    {\"id\":" << id++ << ", \"name\":\"" << i + 1
            << "\", \"type\":\"\", \"point\":true, \"rotation\":0, \"visible\":true, \"x\":"
            << Pixels(Course.Pickups[i].X) << ", \"y\":" << Pixels(Course.Pickups[i].Y)
            << ", \"width\":0, \"height\":0}";
    out << "]}]\n}\n";
    return out.str();
}

std::vector<CustomCourse> ListCustomCourses() {
    std::vector<CustomCourse> courses;
    std::string folder;
    try {
        folder = CustomCoursesFolder();
    } catch (const FileError&) {
        return courses;  // no home: nobody can have put courses there
    }
    // Reading a file fills Course; the course being raced is put back after.
    const CourseMap raced = Course;
    for (const std::string& name : FileNamesIn(folder)) {
        if (MapFormatOf(name) == MapFormat::Own) continue;
        CustomCourse course;
        course.Path = folder + "/" + name;
        try {
            ReadCourseFile(course.Path);
            course.Name = Course.CourseName;
            course.Laps = Course.RaceLaps;
        } catch (const FileError& e) {
            course.Problem = e.what();
        }
        courses.push_back(std::move(course));
    }
    Course = raced;
    return courses;
}
