// Every style of a document: cell styles with their inheritance, data
// styles, column, row and table styles, font faces. Styles from the common
// set (styles.xml) and the automatic set (content.xml) are kept apart, as
// the same name may be used in both.
#pragma once

#include "office/model/workbook.h"
#include "office/ods/cell_style.h"
#include "office/ods/data_style.h"
#include "office/ods/page_style.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace brindlemoor::office::ods {

class XmlReader;

enum class StyleScope {
    Common,           // office:styles
    Automatic,        // automatic styles of the content
    PageAutomatic,    // automatic styles of styles.xml: only fill gaps
};

struct ColumnStyle {
    std::optional<double> widthPt;
};

struct RowStyle {
    std::optional<double> heightPt;
    bool optimalHeight = false;
};

struct TableStyle {
    std::string masterPage;
    bool visible = true;
    bool rightToLeft = false;
    std::optional<Color> tabColor;
};

// Fill and outline of drawing shapes, and the font their text starts in,
// as far as a graphic style sets them.
struct GraphicStyle {
    std::string parent;
    std::optional<bool> filled;
    std::optional<Color> fill;
    std::optional<bool> stroked;
    std::optional<Color> stroke;
    std::optional<double> strokeWidthPt;
    CellStyle text;  // font settings only
    void overlay(const GraphicStyle& over);
};

// What a value looks like when its cell's style gives no number format.
enum class ValueKind : char {
    Plain = 'n', Date = 'd', DateTime = 'D', Duration = 't', Percentage = 'p', Currency = 'c', Boolean = 'b',
};

// A cell style resolved to a format of the workbook.
struct ResolvedFormat {
    std::uint32_t index = 0;
    bool isDate = false;          // the number format shows a date or time
    bool conditional = false;     // the style has conditions Excel cells cannot hold
};

class StyleSheet {
public:
    // Reads the children of office:styles or office:automatic-styles.
    void readStyles(XmlReader& xml, StyleScope scope);
    // Reads the children of office:font-face-decls.
    void readFontFaces(XmlReader& xml);
    // Reads the children of office:master-styles.
    void readMasterPages(XmlReader& xml, const std::string& documentTitle = {});

    // The print setup of tables whose style names `masterPage` ("" for the
    // default page); unset when the document has no such page.
    std::optional<PageSetup> pageSetup(std::string_view masterPage) const;

    const ColumnStyle* columnStyle(std::string_view name) const;
    const RowStyle* rowStyle(std::string_view name) const;
    const TableStyle* tableStyle(std::string_view name) const;
    // A graphic style with what its parents and the default give it.
    GraphicStyle graphicStyle(std::string_view name) const;

    // The workbook format of a cell style ("" for the document's default
    // style), deduplicated into `workbook.formats`.
    ResolvedFormat resolve(std::string_view styleName, ValueKind kind, Workbook& workbook);

    // The flattened format of a style, without adding it to a workbook.
    CellFormat flatten(std::string_view styleName, ValueKind kind, bool* isDate = nullptr,
                       bool* conditional = nullptr) const;

    // The font settings of a text style (family "text") or a paragraph
    // style, with what its parents give it; nullptr when there is no such
    // style or it sets nothing of the font.
    const CellStyle* textStyle(std::string_view name) { return resolvedText(false, name); }
    const CellStyle* paragraphStyle(std::string_view name) { return resolvedText(true, name); }
    // The font settings a shape's text starts in: its graphic style's (with
    // the default graphic style's under it) and its text style's
    // (draw:text-style-name, a paragraph style) over them; unset when none
    // sets anything of the font.
    std::optional<CellStyle> shapeTextStyle(std::string_view graphicStyle, std::string_view textStyle);
    // `base` with the font settings of `style` laid over it.
    Font fontWith(Font base, const CellStyle& style) const;

    const DataStyle* dataStyle(const std::string& name) const;
    // The conditions (style:map) a cell style or its nearest parent with
    // any gives, in order; nullptr when none has.
    const std::vector<StyleCondition>* conditions(std::string_view styleName) const;
    bool hasCellStyle(std::string_view name) const;

private:
    struct StringHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    template <typename T>
    using NameMap = std::unordered_map<std::string, T, StringHash, std::equal_to<>>;
    template <typename T>
    struct Scoped {
        NameMap<T> common, automatic;
        void put(StyleScope scope, std::string name, T value);
        const T* find(std::string_view name) const;
        const T* findCommon(std::string_view name) const;
    };

    void readStyle(XmlReader& xml, StyleScope scope);
    CellStyle chain(std::string_view styleName) const;
    std::string fontNameOf(const std::string& fontName) const;
    const CellStyle* resolvedText(bool paragraph, std::string_view name);

    Scoped<CellStyle> cellStyles_;
    Scoped<CellStyle> textStyles_, paragraphStyles_;
    NameMap<std::optional<CellStyle>> resolvedTextStyles_, resolvedParagraphStyles_;
    Scoped<DataStyle> dataStyles_;
    Scoped<ColumnStyle> columnStyles_;
    Scoped<RowStyle> rowStyles_;
    Scoped<TableStyle> tableStyles_;
    Scoped<GraphicStyle> graphicStyles_;
    GraphicStyle defaultGraphicStyle_;
    Scoped<PageLayout> pageLayouts_;
    NameMap<MasterPage> masterPages_;
    CellStyle defaultCellStyle_;
    std::unordered_map<std::string, std::string> fontFamilies_;

    struct FormatHash {
        std::size_t operator()(const CellFormat& format) const;
    };
    std::unordered_map<CellFormat, std::uint32_t, FormatHash> formatIndex_;
    NameMap<ResolvedFormat> resolved_;
    std::string key_;  // reused lookup key, so resolving a known style never allocates
};

}  // namespace brindlemoor::office::ods
