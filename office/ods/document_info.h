// What a document says beside its cells: properties (meta) and how its
// windows looked when saved (view settings).
#pragma once

#include "office/model/workbook.h"

#include <map>
#include <optional>
#include <string>

namespace brindlemoor::office::ods {

class XmlReader;

// Reads the children of office:meta.
void readMeta(XmlReader& xml, DocumentProperties& properties);

struct SheetViewSettings {
    std::map<std::string, std::string, std::less<>> items;  // config item name -> value
};

struct ViewSettings {
    std::string activeTable;
    std::map<std::string, std::string, std::less<>> global;
    std::map<std::string, SheetViewSettings, std::less<>> sheets;
};

// Reads the children of office:settings (the first view only).
void readSettings(XmlReader& xml, ViewSettings& settings);

// Applies cursor, frozen panes, scroll position, zoom, grid and tab colour
// to the sheets they name, and the active sheet to the workbook.
void applyViewSettings(const ViewSettings& settings, Workbook& workbook);

}  // namespace brindlemoor::office::ods
