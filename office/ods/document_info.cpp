#include "office/ods/document_info.h"

#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <algorithm>

namespace brindlemoor::office::ods {
namespace {

std::string configName(const XmlReader& xml) {
    return std::string(xml.attribute(Ns::Config, "name").value_or(""));
}

// Reads config items of a map entry into `items`; `onNamedMap` sees nested
// named maps.
template <typename OnNamedMap>
void readConfigEntry(XmlReader& xml, std::map<std::string, std::string, std::less<>>& items, OnNamedMap onNamedMap) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Config, "config-item")) {
            std::string name = configName(xml);
            items.insert_or_assign(std::move(name), xml.readText());
        } else if (xml.is(Ns::Config, "config-item-map-named")) {
            onNamedMap(configName(xml));
        } else {
            xml.skipElement();
        }
    }
}

void readTables(XmlReader& xml, ViewSettings& settings) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Config, "config-item-map-entry")) {
            SheetViewSettings& sheet = settings.sheets[configName(xml)];
            readConfigEntry(xml, sheet.items, [&](const std::string&) { xml.skipElement(); });
        } else {
            xml.skipElement();
        }
    }
}

void readViews(XmlReader& xml, ViewSettings& settings) {
    bool first = true;
    while (xml.nextChild()) {
        if (first && xml.is(Ns::Config, "config-item-map-entry")) {
            first = false;
            readConfigEntry(xml, settings.global, [&](const std::string& name) {
                if (name == "Tables") readTables(xml, settings);
                else xml.skipElement();
            });
        } else {
            xml.skipElement();
        }
    }
}

std::optional<long long> integerItem(const std::map<std::string, std::string, std::less<>>& items, std::string_view name) {
    auto it = items.find(name);
    return it == items.end() ? std::nullopt : parseInteger(it->second);
}

std::optional<bool> boolItem(const std::map<std::string, std::string, std::less<>>& items, std::string_view name) {
    auto it = items.find(name);
    if (it == items.end()) return std::nullopt;
    return it->second == "true";
}

std::uint32_t nonNegative(std::optional<long long> value, std::uint32_t limit) {
    return value ? static_cast<std::uint32_t>(std::clamp<long long>(*value, 0, limit)) : 0;
}

}  // namespace

void readMeta(XmlReader& xml, DocumentProperties& properties) {
    std::string creator;
    std::string initialCreator;
    while (xml.nextChild()) {
        if (xml.is(Ns::Dc, "title")) properties.title = xml.readText();
        else if (xml.is(Ns::Dc, "subject")) properties.subject = xml.readText();
        else if (xml.is(Ns::Dc, "creator")) creator = xml.readText();
        else if (xml.is(Ns::Meta, "initial-creator")) initialCreator = xml.readText();
        else if (xml.is(Ns::Dc, "description")) properties.description = xml.readText();
        else if (xml.is(Ns::Meta, "creation-date")) properties.created = xml.readText();
        else if (xml.is(Ns::Dc, "date")) properties.modified = xml.readText();
        else if (xml.is(Ns::Meta, "keyword") || xml.is(Ns::Meta, "keywords")) {
            // 1.x wraps each meta:keyword in meta:keywords; the text of both reads the same.
            const bool wrapper = xml.local() == "keywords";
            if (!wrapper) {
                const std::string keyword = xml.readText();
                if (!properties.keywords.empty()) properties.keywords += ", ";
                properties.keywords += keyword;
            } else {
                while (xml.nextChild()) {
                    const std::string keyword = xml.readText();
                    if (!properties.keywords.empty()) properties.keywords += ", ";
                    properties.keywords += keyword;
                }
            }
        } else {
            xml.skipElement();
        }
    }
    properties.author = !initialCreator.empty() ? initialCreator : creator;
}

void readSettings(XmlReader& xml, ViewSettings& settings) {
    while (xml.nextChild()) {
        // 1.x names the set without the prefix.
        const bool viewSettings = xml.is(Ns::Config, "config-item-set") &&
                                  (configName(xml) == "ooo:view-settings" || configName(xml) == "view-settings");
        if (viewSettings) {
            while (xml.nextChild()) {
                if (xml.is(Ns::Config, "config-item-map-indexed") && configName(xml) == "Views") readViews(xml, settings);
                else xml.skipElement();
            }
        } else {
            xml.skipElement();
        }
    }
    if (auto it = settings.global.find("ActiveTable"); it != settings.global.end()) settings.activeTable = it->second;
}

void applyViewSettings(const ViewSettings& settings, Workbook& workbook) {
    constexpr std::uint32_t kMaxRow = 1048575, kMaxColumn = 16383;
    const auto globalGrid = boolItem(settings.global, "ShowGrid");
    const auto globalZoom = integerItem(settings.global, "ZoomValue");
    for (std::uint32_t i = 0; i < workbook.sheets.size(); ++i) {
        Sheet& sheet = workbook.sheets[i];
        if (sheet.name == settings.activeTable) workbook.activeSheet = i;
        SheetView& view = sheet.view;
        if (globalGrid) view.showGrid = *globalGrid;
        if (globalZoom && *globalZoom >= 10 && *globalZoom <= 400) view.zoomPercent = static_cast<std::uint16_t>(*globalZoom);
        auto found = settings.sheets.find(sheet.name);
        if (found == settings.sheets.end()) continue;
        const auto& items = found->second.items;
        view.cursorColumn = nonNegative(integerItem(items, "CursorPositionX"), kMaxColumn);
        view.cursorRow = nonNegative(integerItem(items, "CursorPositionY"), kMaxRow);
        if (integerItem(items, "HorizontalSplitMode") == 2) {
            view.frozenColumns = nonNegative(integerItem(items, "HorizontalSplitPosition"), kMaxColumn);
        }
        if (integerItem(items, "VerticalSplitMode") == 2) {
            view.frozenRows = nonNegative(integerItem(items, "VerticalSplitPosition"), kMaxRow);
        }
        view.leftColumn = nonNegative(integerItem(items, "PositionRight"), kMaxColumn);
        view.topRow = nonNegative(integerItem(items, "PositionBottom"), kMaxRow);
        if (auto zoom = integerItem(items, "ZoomValue"); zoom && *zoom >= 10 && *zoom <= 400) {
            view.zoomPercent = static_cast<std::uint16_t>(*zoom);
        }
        if (auto grid = boolItem(items, "ShowGrid")) view.showGrid = *grid;
        if (!view.tabColor) {
            // Older versions kept the tab colour here, as 0xRRGGBB; -1 is none.
            if (auto color = integerItem(items, "TabColor"); color && *color >= 0 && *color <= 0xFFFFFF) {
                view.tabColor = Color{static_cast<std::uint8_t>(*color >> 16), static_cast<std::uint8_t>(*color >> 8),
                                      static_cast<std::uint8_t>(*color)};
            }
        }
    }
}

}  // namespace brindlemoor::office::ods
