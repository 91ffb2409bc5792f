// Reads the parts of a document (styles, content, meta, settings: separate
// members of a package, or all in one flat XML file) into a workbook.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/ods/document_info.h"
#include "office/ods/drawing_reader.h"
#include "office/ods/style_sheet.h"

#include <string>

namespace brindlemoor::office::ods {

class XmlReader;

// What kind of document a package or body says it is, for the message when
// it is not a spreadsheet: "an OpenDocument text document". Empty for a
// spreadsheet or an unknown type.
std::string documentKindOfMimeType(std::string_view mimeType);

class DocumentReader {
public:
    DocumentReader(Workbook& workbook, Warnings& warnings) : workbook_(workbook), warnings_(warnings) {}

    // Reads a whole part, from its root element. `isStylesPart`: styles.xml,
    // whose automatic styles serve page layouts and must not shadow the
    // content's.
    void readPart(XmlReader& xml, bool isStylesPart = false);

    // Whether a spreadsheet body has been read.
    bool sawSpreadsheet() const { return sawSpreadsheet_; }

    // Completes the workbook once every part is read.
    void finish();

    // Pictures whose bytes are other members of the package.
    const std::vector<PendingPicture>& pendingPictures() const { return pictures_; }

private:
    void readBody(XmlReader& xml);
    void readSpreadsheetChild(XmlReader& xml);
    void readCalculationSettings(XmlReader& xml);
    [[noreturn]] void notSpreadsheet(const std::string& kind) const;

    Workbook& workbook_;
    Warnings& warnings_;
    StyleSheet styles_;
    ViewSettings viewSettings_;
    double nullDateOffset_ = 0;
    bool sawSpreadsheet_ = false;
    int validations_ = 0;
    std::vector<PendingPicture> pictures_;
};

}  // namespace brindlemoor::office::ods
