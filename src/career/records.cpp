// Course records: the best lap and the best race time per course, difficulty and mode,
// with who set them and when, and the ghost of a Time Trial record. One small text file
// each in the player's records/ folder, written atomically like the careers; a file the
// game cannot read is set aside and the course starts again without records, so a
// damaged file never keeps anyone from racing.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "career/career.h"
#include "platform/platform.h"

std::function<void(const std::string&)> TellRecordsProblem = [](const std::string& text) {
    std::cerr << "gravel-ghosts: " << text << "\n";
};

namespace {

// A course file's name as part of a file name: letters, digits, '-' and '.' as they are,
// anything else (a backslash, legal in a name here, among them) as _xx, so no name leaves
// the folder or meets another's. The folder holding the courses is on the same disk as records/, so names that
// differ only in case cannot both be there. Very long names keep their start and a hash.
std::string SafeName(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    std::string safe;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '.') {
            safe += static_cast<char>(c);
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "_%02x", c);
            safe += code;
        }
    }
    constexpr std::size_t Longest = 160;
    if (safe.size() <= Longest) return safe;
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    char tail[24];
    std::snprintf(tail, sizeof tail, "_%016llx", static_cast<unsigned long long>(hash));
    return safe.substr(0, Longest) + tail;
}

std::string FileStem(const CourseKey& course, bool easy, RaceMode mode) {
    char number[16];
    std::snprintf(number, sizeof number, "course%02d", course.Number);
    return (course.Number ? std::string(number) : "custom-" + SafeName(course.File)) + "-" +
           (easy ? "easy" : "normal") + "-" + (mode == RaceMode::Trial ? "trial" : "quick");
}

std::string RecordsPath(const CourseKey& course, bool easy, RaceMode mode, const char* ending) {
    return RecordsFolder() + "/" + FileStem(course, easy, mode) + ending;
}

// "83.47": digits, a point and exactly two decimals, as the HUD writes a time.
bool ParseHundredths(const std::string& text, i32& hundredths) {
    std::size_t point = text.find('.');
    if (point == std::string::npos || point == 0 || point > 5 || text.size() != point + 3)
        return false;
    i32 value = 0;
    for (char c : text) {
        if (c == '.') continue;
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    hundredths = value;
    return value > 0;
}

bool ParseDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 4 && i != 7 && !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// False when the text is nothing the game could have written.
bool ParseRecords(const std::string& text, CourseRecords& records) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string kind, time, date, driver;
        words >> kind >> time >> date;
        std::getline(words >> std::ws, driver);
        CourseRecord* record = kind == "lap" ? &records.Lap : kind == "race" ? &records.Race : nullptr;
        if (!record || record->Hundredths || !ParseHundredths(time, record->Hundredths) ||
            !ParseDate(date) || driver.empty())
            return false;
        record->Date = date;
        record->Driver = driver;
    }
    return true;
}

void WriteRecordLine(std::string& out, const char* kind, const CourseRecord& record) {
    if (!record.Hundredths) return;
    out += std::string(kind) + " " + HundredthsText(record.Hundredths) + " " + record.Date + " " +
           record.Driver + "\n";
}

}  // namespace

i32 Hundredths(f32 seconds) {
    i32 value = 0;
    return ParseHundredths(Format(seconds, "00.00"), value) ? value : 0;
}

std::string HundredthsText(i32 hundredths) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d", hundredths / 100, hundredths % 100);
    return text;
}

CourseRecords ReadRecords(const CourseKey& course, bool easy, RaceMode mode, bool setAside) {
    CourseRecords records;
    std::string path;
    try {
        path = RecordsPath(course, easy, mode, ".txt");
        if (!FileExists(path)) return records;
        if (ParseRecords(ReadFileText(path, 4096), records)) return records;
        records = {};
        if (!setAside) return records;
        std::string aside = SetFileAside(path);
        TellRecordsProblem("The record file " + PrintableText(path) +
                           " could not be read and was set aside as " + PrintableText(aside) +
                           "; the course has no records until the next one is set.");
    } catch (const FileError& e) {
        records = {};
        if (!setAside) return records;
        // A file that cannot even be read (a folder in its place, a device) goes aside too.
        std::string told = e.what();
        try {
            if (!path.empty() && FileExists(path))
                told += "; it was set aside as " + PrintableText(SetFileAside(path));
        } catch (const FileError& aside) {
            told += std::string("; ") + aside.what();
        }
        TellRecordsProblem(told);
    }
    return records;
}

RecordNews NoteRecords(const CourseKey& course, bool easy, RaceMode mode, const RunTimes& run,
                       const std::string& driver, const std::string& ghost) {
    RecordNews news;
    CourseRecords records = ReadRecords(course, easy, mode);
    const std::string date = LocalTimeStamp().substr(0, 10);
    auto better = [&](CourseRecord& record, i32 time) {
        if (time <= 0 || (record.Hundredths && time >= record.Hundredths)) return false;
        record = {time, driver.empty() ? "You" : driver, date};
        return true;
    };
    news.Lap = better(records.Lap, run.Lap);
    news.Race = better(records.Race, run.Race);
    if (!news.Lap && !news.Race) return news;
    try {
        MakeFolder(RecordsFolder());
        std::string text = "# gravel-ghosts records: kind, time, date, driver\n";
        WriteRecordLine(text, "lap", records.Lap);
        WriteRecordLine(text, "race", records.Race);
        // The ghost first: a record on the disk always has the run that set it beside it.
        if (news.Race && mode == RaceMode::Trial && !ghost.empty())
            WriteFileText(RecordsPath(course, easy, mode, ".ghost"), ghost);
        WriteFileText(RecordsPath(course, easy, mode, ".txt"), text);
    } catch (const FileError& e) {
        TellRecordsProblem(e.what());
        return {};
    }
    return news;
}

std::string ReadGhost(const CourseKey& course, bool easy) {
    try {
        std::string path = RecordsPath(course, easy, RaceMode::Trial, ".ghost");
        if (!FileExists(path)) return {};
        return ReadFileText(path, MaxTextFileBytes);
    } catch (const FileError& e) {
        TellRecordsProblem(e.what());
        return {};
    }
}
