// Reads a workbook back with GDAL's own reader (ogrinfo), so tests check
// written files with code that is not ours.  Rows and columns count from
// 1 (feature N is row N, FieldK is column K); sheets without cells are not
// listed by the reader.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sheettest {

struct Cell {
    std::string type;  // the reader's field type: "String", "Real", "Integer", ...
    std::string value; // as the reader prints it; a formula shows its stored result
};

struct Workbook {
    bool read = false; // false when the reader could not open the file
    std::vector<std::string> sheets;
    std::map<std::string, std::map<std::pair<int, int>, Cell>> cells;

    // The cell's value, "-" when it is empty.
    std::string at(const std::string &sheet, int row, int col) const
    {
        auto s = cells.find(sheet);
        if (s == cells.end())
            return "-";
        auto c = s->second.find({row, col});
        return c == s->second.end() ? "-" : c->second.value;
    }
    std::string typeAt(const std::string &sheet, int row, int col) const
    {
        auto s = cells.find(sheet);
        if (s == cells.end())
            return "-";
        auto c = s->second.find({row, col});
        return c == s->second.end() ? "-" : c->second.type;
    }
};

inline Workbook readWithOgr(const std::string &path)
{
    Workbook book;
    // The open option alone leaves header detection on for the first sheet.
    std::string command =
        "ogrinfo -ro -al --config OGR_XLSX_HEADERS DISABLE -oo HEADERS=DISABLE '" + path + "' 2>/dev/null";
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr)
        return book;
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    book.read = pclose(p) == 0;
    std::string sheet;
    int row = 0;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        std::string line = out.substr(start, end - start);
        start = end + 1;
        if (line.rfind("Layer name: ", 0) == 0) {
            sheet = line.substr(12);
            book.sheets.push_back(sheet);
        } else if (line.rfind("OGRFeature(", 0) == 0) {
            size_t colon = line.rfind("):");
            row = colon == std::string::npos ? 0 : std::stoi(line.substr(colon + 2));
        } else if (line.rfind("  Field", 0) == 0) {
            size_t open = line.find(" (", 7), close = line.find(") = ", 7);
            if (open == std::string::npos || close == std::string::npos)
                continue;
            int col = std::stoi(line.substr(7, open - 7));
            book.cells[sheet][{row, col}] = {line.substr(open + 2, close - open - 2), line.substr(close + 4)};
        }
    }
    return book;
}

} // namespace sheettest
