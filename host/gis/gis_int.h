// The open project's snapshot.  Not exported.
#ifndef MDLHOST_GIS_INT_H
#define MDLHOST_GIS_INT_H

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "gis/mdlgis.h"

struct GeoCategory {
    long mslink = 0;
    std::u16string name, extension, indexFile;
};

struct GeoFeature {
    long mslink = 0;
    int categoryIndex = -1;
    int entity = 0;
    int newdup = 0;
    int type = 0, elementType = 0, style = 0, weight = 0, color = 0, lineLength = 0, font = 0, justification = 0,
        snapType = 0;
    double angle = 0, height = 0, width = 0, lineSpacing = 0, cellScale = 0, streamDelta = 0, streamTolerance = 0,
           snapTolerance = 0;
    std::u16string code, name, level, styleName, cellLibrary, cellName;
};

struct GeoMap {
    long mslink = 0;
    std::u16string name, folder;
};

struct GeoProject {
    std::vector<GeoCategory> categories;
    std::vector<GeoFeature> features;
    std::vector<std::optional<GeoMap>> maps; // index = mslink - 1
    int activeFeature = -1;
    int featureEntity = 0;
    // Storage behind the control block.
    std::vector<int> entityNumbers;
    std::vector<std::string> entityTables;
    std::vector<const char *> entityTablePtrs;
    std::vector<GeoJoin> joins;
    std::vector<std::u16string> tables;
    std::vector<const char16_t *> tablePtrs;
    std::u16string folder, name, server, source;
    GeoControlBlock fcb{};
};

namespace mdlhost::gis {

// A table's rows by lower-case column name; false when it cannot be read.
using Row = std::map<std::string, std::optional<std::string>>;
bool readTable(const char *sql, std::vector<Row> &rows);

} // namespace mdlhost::gis

#endif
