// Form controls: a table's forms describe them, its draw:control shapes
// place them by id; what Excel 97 has no control for is warned about.

#include "office/ods/drawing_reader.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brindlemoor::office::testing {
namespace {

constexpr const char* kFormNs = R"( xmlns:form="urn:oasis:names:tc:opendocument:xmlns:form:1.0")";

std::string forms(const std::string& controls) {
    return std::string("<office:forms") + kFormNs + R"(><form:form form:name="Standard">)" + controls +
           "</form:form></office:forms>";
}

std::string placed(const std::string& id, const std::string& x = "0cm") {
    return R"(<draw:control draw:control=")" + id + R"(" svg:x=")" + x +
           R"(" svg:y="0cm" svg:width="2cm" svg:height="0.8cm"/>)";
}

class ControlReading : public ::testing::Test {
protected:
    Workbook readTables(const std::string& tables) {
        writeZip(dir.file("c.ods"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                     {"content.xml", contentXml("", tables)},
                                     {"styles.xml", stylesXml("")}});
        warnings.clear();
        return read(dir.file("c.ods"), &warnings);
    }
    bool warned(const std::string& part) const {
        return std::any_of(warnings.begin(), warnings.end(), [&](const std::string& w) { return w.find(part) != std::string::npos; });
    }
    TempDir dir;
    std::vector<std::string> warnings;
};

TEST_F(ControlReading, EachKindWithItsSettings) {
    const std::string controls =
        R"(<form:button form:id="c1" form:name="Go" form:label="Press me"><form:properties/></form:button>)"
        R"(<form:checkbox form:id="c2" form:label="Tick" form:linked-cell="S.B2" form:current-state="checked"/>)"
        R"(<form:radio form:id="c3" form:label="One" form:selected="true"/>)"
        R"(<form:fixed-text form:id="c4" form:label="Caption"/>)"
        R"(<form:frame form:id="c5" form:label="Group"/>)"
        R"(<form:listbox form:id="c6" form:source-cell-range="S.A1:S.A9" form:linked-cell="S.C1" form:multiple="true">)"
        R"(<form:option form:label="a"/><form:option form:label="b" form:current-selected="true"/></form:listbox>)"
        R"(<form:listbox form:id="c7" form:dropdown="true" form:size="5"/>)"
        R"(<form:combobox form:id="c8" form:size="12"><form:item form:label="North"/><form:item form:label="South"/></form:combobox>)"
        R"(<form:value-range form:id="c9" form:control-implementation="ooo:com.sun.star.form.component.SpinButton")"
        R"( form:min-value="2" form:max-value="40" form:step-size="2" form:value="8"/>)"
        R"(<form:value-range form:id="c10" form:orientation="horizontal" form:page-step-size="5"/>)";
    std::string shapes;
    for (int i = 1; i <= 10; ++i) shapes += placed("c" + std::to_string(i), std::to_string(i) + "cm");
    const Workbook wb = readTables(R"(<table:table table:name="S">)" + forms(controls) +
                                   "<table:shapes>" + shapes + "</table:shapes>" +
                                   "<table:table-row><table:table-cell/></table:table-row></table:table>");
    ASSERT_EQ(wb.sheets.size(), 1u);
    const auto& d = wb.sheets[0].drawings;
    ASSERT_EQ(d.size(), 10u);
    const std::vector<DrawingKind> expected = {DrawingKind::Button,   DrawingKind::CheckBox, DrawingKind::OptionButton,
                                               DrawingKind::Label,    DrawingKind::GroupBox, DrawingKind::ListBox,
                                               DrawingKind::ComboBox, DrawingKind::ComboBox, DrawingKind::SpinButton,
                                               DrawingKind::ScrollBar};
    for (std::size_t i = 0; i < d.size(); ++i) {
        EXPECT_EQ(d[i].kind, expected[i]) << i;
        ASSERT_TRUE(d[i].control) << i;
    }
    EXPECT_EQ(d[0].text, "Press me");
    EXPECT_EQ(d[0].name, "Go");
    EXPECT_EQ(d[1].text, "Tick");
    EXPECT_EQ(d[1].control->linkedCell, "S.B2");
    EXPECT_EQ(d[1].control->checked, 1);
    EXPECT_EQ(d[2].control->checked, 1);
    EXPECT_EQ(d[3].text, "Caption");
    EXPECT_EQ(d[4].text, "Group");
    EXPECT_EQ(d[5].control->sourceRange, "S.A1:S.A9");
    EXPECT_EQ(d[5].control->linkedCell, "S.C1");
    EXPECT_TRUE(d[5].control->multiSelect);
    EXPECT_EQ(d[5].control->items, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(d[5].control->value, 2);  // the selected entry, from 1
    EXPECT_EQ(d[7].control->items, (std::vector<std::string>{"North", "South"}));
    EXPECT_EQ(d[7].control->lines, 12);
    EXPECT_EQ(d[8].control->minimum, 2);
    EXPECT_EQ(d[8].control->maximum, 40);
    EXPECT_EQ(d[8].control->step, 2);
    EXPECT_EQ(d[8].control->value, 8);
    EXPECT_TRUE(d[9].control->horizontal);
    EXPECT_EQ(d[9].control->page, 5);
    EXPECT_EQ(d[9].control->value, 0);  // from its minimum
    EXPECT_FALSE(warned("form control"));
    // Placed where the shape says: one centimetre further each.
    EXPECT_LT(d[0].anchor.firstColumn * 1.0 + d[0].anchor.firstX, d[9].anchor.firstColumn * 1.0 + d[9].anchor.firstX);
}

TEST_F(ControlReading, IdsBelongToTheirTableAndUnknownControlsAreWarned) {
    // Both tables call their first control "c1"; text fields have no Excel 97 control.
    const std::string first = R"(<table:table table:name="A">)" +
                              forms(R"(<form:button form:id="c1" form:label="First"/><form:text form:id="c2"/>)") +
                              "<table:shapes>" + placed("c1") + placed("c2") + placed("nowhere") + "</table:shapes>" +
                              "<table:table-row><table:table-cell/></table:table-row></table:table>";
    const std::string second = R"(<table:table table:name="B">)" +
                               forms(R"(<form:form form:name="Inner"><form:checkbox form:id="c1" form:label="Second"/></form:form>)") +
                               "<table:table-row><table:table-cell>" + placed("c1") + "</table:table-cell></table:table-row></table:table>";
    const Workbook wb = readTables(first + second);
    ASSERT_EQ(wb.sheets.size(), 2u);
    ASSERT_EQ(wb.sheets[0].drawings.size(), 1u);
    EXPECT_EQ(wb.sheets[0].drawings[0].kind, DrawingKind::Button);
    EXPECT_EQ(wb.sheets[0].drawings[0].text, "First");
    ASSERT_EQ(wb.sheets[1].drawings.size(), 1u);
    EXPECT_EQ(wb.sheets[1].drawings[0].kind, DrawingKind::CheckBox);  // from a nested form
    EXPECT_EQ(wb.sheets[1].drawings[0].text, "Second");
    EXPECT_TRUE(warned("A: 2 form controls not converted"));
    EXPECT_FALSE(warned("B: "));
}

// OpenOffice.org 1.x: the id and name on a form:control wrapper, the kind
// inside it, and the shape naming the control by form:id.
TEST_F(ControlReading, WrappedControlsOfOlderDocuments) {
    const std::string table =
        R"(<table:table table:name="Old">)" +
        forms(R"(<form:control form:name="Caption" form:id="control1"><form:fixed-text form:label="Label 310"/></form:control>)"
              R"(<form:control form:name="Field" form:id="control2"><form:text/></form:control>)") +
        "<table:shapes" + kFormNs + R"(><draw:control form:id="control1" svg:x="0cm" svg:y="0cm" svg:width="2cm" svg:height="0.8cm"/>)"
        R"(<draw:control form:id="control2" svg:x="3cm" svg:y="0cm" svg:width="2cm" svg:height="0.8cm"/></table:shapes>)"
        "<table:table-row><table:table-cell/></table:table-row></table:table>";
    const Workbook wb = readTables(table);
    ASSERT_EQ(wb.sheets[0].drawings.size(), 1u);
    EXPECT_EQ(wb.sheets[0].drawings[0].kind, DrawingKind::Label);
    EXPECT_EQ(wb.sheets[0].drawings[0].text, "Label 310");
    EXPECT_EQ(wb.sheets[0].drawings[0].name, "Caption");
    EXPECT_TRUE(warned("Old: 1 form control not converted"));
}

}  // namespace
}  // namespace brindlemoor::office::testing
