#include "office/ods/document_reader.h"

#include "office/ods/formula_result_format.h"
#include "office/ods/table_reader.h"
#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

namespace brindlemoor::office::ods {

std::string documentKindOfMimeType(std::string_view type) {
    struct Kind { std::string_view prefix; const char* description; };
    static constexpr Kind kKinds[] = {
        {"application/vnd.oasis.opendocument.spreadsheet", ""},
        {"application/vnd.sun.xml.calc", ""},
        {"application/vnd.oasis.opendocument.text", "an OpenDocument text document"},
        {"application/vnd.oasis.opendocument.presentation", "an OpenDocument presentation"},
        {"application/vnd.oasis.opendocument.graphics", "an OpenDocument drawing"},
        {"application/vnd.oasis.opendocument.chart", "an OpenDocument chart"},
        {"application/vnd.oasis.opendocument.formula", "an OpenDocument formula"},
        {"application/vnd.oasis.opendocument.image", "an OpenDocument image"},
        {"application/vnd.oasis.opendocument.base", "an OpenDocument database"},
        {"application/vnd.oasis.opendocument.database", "an OpenDocument database"},
        {"application/vnd.sun.xml.writer", "an OpenOffice.org 1.x text document"},
        {"application/vnd.sun.xml.impress", "an OpenOffice.org 1.x presentation"},
        {"application/vnd.sun.xml.draw", "an OpenOffice.org 1.x drawing"},
        {"application/vnd.sun.xml.math", "an OpenOffice.org 1.x formula"},
        {"application/vnd.sun.xml.chart", "an OpenOffice.org 1.x chart"},
        {"application/vnd.sun.xml.base", "an OpenOffice.org database"},
    };
    for (const Kind& kind : kKinds) {
        if (type.starts_with(kind.prefix)) return kind.description;
    }
    return {};
}

void DocumentReader::notSpreadsheet(const std::string& kind) const {
    throw ConversionError("not a spreadsheet (it is " + kind + ")");
}

void DocumentReader::readPart(XmlReader& xml, bool isStylesPart) {
    XmlEvent event = xml.next();
    while (event == XmlEvent::Text) event = xml.next();
    if (event != XmlEvent::Start || xml.ns() != Ns::Office || !xml.local().starts_with("document")) {
        xml.fail("not an OpenDocument part (unexpected root element \"" + std::string(xml.local()) + "\")");
    }
    // 1.x documents name their kind on the root element.
    if (auto kind = xml.attribute(Ns::Office, "class"); kind && xml.legacy()) {
        if (*kind == "text") notSpreadsheet("an OpenOffice.org 1.x text document");
        if (*kind == "drawing") notSpreadsheet("an OpenOffice.org 1.x drawing");
        if (*kind == "presentation") notSpreadsheet("an OpenOffice.org 1.x presentation");
        if (*kind == "chart") notSpreadsheet("an OpenOffice.org 1.x chart");
    }
    if (auto type = xml.attribute(Ns::Office, "mimetype")) {
        if (const std::string kind = documentKindOfMimeType(*type); !kind.empty()) notSpreadsheet(kind);
    }
    const StyleScope automaticScope = isStylesPart ? StyleScope::PageAutomatic : StyleScope::Automatic;
    while (xml.nextChild()) {
        if (xml.ns() != Ns::Office) {
            xml.skipElement();
            continue;
        }
        const std::string_view local = xml.local();
        if (local == "font-face-decls") styles_.readFontFaces(xml);
        else if (local == "styles") styles_.readStyles(xml, StyleScope::Common);
        else if (local == "automatic-styles") styles_.readStyles(xml, automaticScope);
        else if (local == "meta") readMeta(xml, workbook_.properties);
        else if (local == "settings") readSettings(xml, viewSettings_);
        else if (local == "master-styles") styles_.readMasterPages(xml, workbook_.properties.title);
        else if (local == "body") readBody(xml);
        else xml.skipElement();
    }
}

void DocumentReader::readBody(XmlReader& xml) {
    // Every style is known by now: the default format is the document's own.
    workbook_.formats[0] = styles_.flatten("", ValueKind::Plain);
    const bool legacy = xml.legacy();
    while (xml.nextChild()) {
        if (xml.ns() == Ns::Office) {
            const std::string_view local = xml.local();
            if (local == "spreadsheet") {
                sawSpreadsheet_ = true;
                while (xml.nextChild()) readSpreadsheetChild(xml);
                continue;
            }
            if (local == "text") notSpreadsheet("an OpenDocument text document");
            if (local == "drawing") notSpreadsheet("an OpenDocument drawing");
            if (local == "presentation") notSpreadsheet("an OpenDocument presentation");
            if (local == "chart") notSpreadsheet("an OpenDocument chart");
            if (local == "image") notSpreadsheet("an OpenDocument image");
            if (local == "database") notSpreadsheet("an OpenDocument database");
            xml.skipElement();
        } else if (legacy && xml.ns() == Ns::Table) {
            // 1.x puts the tables straight into the body.
            sawSpreadsheet_ = true;
            readSpreadsheetChild(xml);
        } else if (legacy && xml.ns() == Ns::Text) {
            notSpreadsheet("an OpenOffice.org 1.x text document");
        } else {
            xml.skipElement();
        }
    }
    if (legacy) sawSpreadsheet_ = true;  // an empty 1.x spreadsheet body
}

void DocumentReader::readSpreadsheetChild(XmlReader& xml) {
    if (xml.ns() != Ns::Table) {
        xml.skipElement();
        return;
    }
    const std::string_view local = xml.local();
    if (local == "table") {
        TableReader(TableContext{workbook_, styles_, warnings_, nullDateOffset_, &pictures_}).read(xml);
    } else if (local == "named-expressions") {
        readNamedExpressions(xml, workbook_, kNone);
    } else if (local == "calculation-settings") {
        readCalculationSettings(xml);
    } else if (local == "content-validations") {
        while (xml.nextChild()) {
            ++validations_;
            xml.skipElement();
        }
    } else {
        xml.skipElement();
    }
}

void DocumentReader::readCalculationSettings(XmlReader& xml) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Table, "null-date")) {
            if (auto value = xml.attribute(Ns::Table, "date-value")) {
                // A document counting from 1904 keeps its serials in the 1904
                // date system, so that its numbers stay what they were.
                constexpr double k1904 = 1462;
                if (auto serial = parseDateSerial(*value)) {
                    if (*serial == k1904) workbook_.dates1904 = true;
                    else nullDateOffset_ = *serial;
                }
            }
        }
        xml.skipElement();
    }
}

void DocumentReader::finish() {
    if (workbook_.sheets.empty()) {
        Sheet sheet;
        sheet.name = "Sheet1";
        workbook_.sheets.push_back(std::move(sheet));
    }
    applyViewSettings(viewSettings_, workbook_);
    applyFormulaResultFormats(workbook_);
    if (validations_ > 0) {
        warnings_.push_back(std::to_string(validations_) + (validations_ == 1 ? " data validation rule" : " data validation rules") +
                            " not converted");
    }
}

}  // namespace brindlemoor::office::ods
