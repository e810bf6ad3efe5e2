// The spreadsheet's workbook files: their limits, read and written.  Host
// internal, so that the workbook fuzzer reaches the reader; not exported.
#ifndef MDLHOST_SVC_WORKBOOK_HOST_H
#define MDLHOST_SVC_WORKBOOK_HOST_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mdlhost {

namespace sheet {

// The format's own limits.
constexpr uint32_t kMaxRows = 1048576;
constexpr uint32_t kMaxCols = 16384;
constexpr size_t kMaxCellBytes = 32767;
constexpr size_t kMaxSheetNameChars = 31;
// Ours, so that a hostile or runaway workbook cannot take all memory.
constexpr size_t kMaxSheets = 256;
constexpr size_t kMaxCells = 1u << 20; // in one workbook

struct Cell {
    enum class Kind : uint8_t { Text, Number, Boolean, Formula };
    Kind kind = Kind::Text;
    std::string text; // Text: UTF-8; Formula: with its leading '='
    double number = 0; // Number; Boolean: 0 or 1
};

using CellKey = std::pair<uint32_t, uint32_t>; // row, column from 0

struct Range {
    uint32_t row1 = 0, col1 = 0, row2 = 0, col2 = 0; // inclusive, row1 <= row2
};

struct Sheet {
    std::string name; // UTF-8
    std::map<CellKey, Cell> cells;
    Range selection;
};

struct Workbook {
    std::string name; // the file name with its extension, UTF-8
    std::string path; // as the command gave it (system form); "" until saved
    std::vector<Sheet> sheets;
    size_t active = 0;
};

size_t cellCount(const Workbook &book);

// Sheet names as the format allows them; false with error set otherwise.
bool validSheetName(const std::string &name, std::string &error);

// Reads the workbook file at localPath (sheets and cell values; styles
// are not kept).  False with error set; book is then unchanged.
bool readWorkbook(const std::string &localPath, Workbook &book, std::string &error);
// Writes the workbook to localPath through a temporary file in the same
// directory, so that a failed write leaves the old file.
bool writeWorkbook(const Workbook &book, const std::string &localPath, std::string &error);

} // namespace sheet
} // namespace mdlhost

#endif
