// The form controls of a table. A table's office:forms comes before its
// shapes and describes every control (kind, label, linked cell, list); the
// draw:control shapes only place them, naming a control by its id.
#pragma once

#include "office/model/workbook.h"

#include <map>
#include <string>
#include <string_view>

namespace brindlemoor::office::ods {

class XmlReader;

struct ReadControl {
    DrawingKind kind = DrawingKind::Button;
    std::string name;
    std::string label;
    FormControl settings;
};

class ControlReader {
public:
    // Reads the office:forms element the reader stands on; controls that
    // Excel 97 has no counterpart for (text fields, dates, images) are left
    // out: their shapes find nothing.
    void readForms(XmlReader& xml);

    // The control with the id a draw:control names; nullptr when the table
    // has none that can be kept.
    const ReadControl* find(std::string_view id) const;

private:
    void readForm(XmlReader& xml);
    void readWrappedControl(XmlReader& xml);
    void readControl(XmlReader& xml, std::string_view wrapperId = {}, std::string_view wrapperName = {});

    std::map<std::string, ReadControl, std::less<>> controls_;
};

}  // namespace brindlemoor::office::ods
