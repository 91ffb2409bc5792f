// The in-memory spreadsheet that readers fill and writers consume.
//
// Sparse and run-length: a row or column repeated a million times is one
// entry, never a million. Readers store what the document says (sizes in
// points, colours as RGB, number formats already in Excel's format-code
// syntax); writers apply the limits of their own target format.
#pragma once

#include "office/model/cell_format.h"
#include "office/model/string_pool.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace brindlemoor::office {

using RowIndex = std::uint32_t;     // 0-based
using ColumnIndex = std::uint32_t;  // 0-based

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

enum class CellType : std::uint8_t {
    Empty,    // no value; still written when it carries a format
    Number,   // `number`
    Text,     // `text` indexes Workbook::strings
    Boolean,  // `number` is 0 or 1
    Error,    // `number` is the Excel error code (0x07 #DIV/0!, 0x0F #VALUE!, 0x17 #REF!,
              // 0x1D #NAME?, 0x24 #NUM!, 0x2A #N/A, 0x00 #NULL!)
};

// One cell, or a run of identical cells to its right (`repeat` > 1).
// For a formula cell the type and value are its cached result.
struct Cell {
    ColumnIndex column = 0;
    std::uint32_t repeat = 1;
    CellType type = CellType::Empty;
    std::uint32_t format = 0;        // index into Workbook::formats
    double number = 0;
    std::uint32_t text = kNone;      // index into Workbook::strings
    std::uint32_t formula = kNone;   // index into Workbook::formulas
    std::uint32_t annotation = kNone;  // index into Sheet::annotations
    std::uint32_t hyperlink = kNone;   // index into Sheet::hyperlinks
};

// A row, or a run of identical rows below it. Cells are sorted by column and
// never overlap.
struct Row {
    RowIndex index = 0;
    std::uint32_t repeat = 1;
    std::vector<Cell> cells;
    std::optional<double> heightPt;  // unset: the sheet's default height
    bool customHeight = false;       // height set by the user, not optimal
    bool hidden = false;
    std::uint8_t outlineLevel = 0;
    std::uint32_t format = kNone;    // default format of the row's empty cells
};

struct ColumnRun {
    ColumnIndex first = 0;
    std::uint32_t repeat = 1;
    std::optional<double> widthPt;   // unset: the sheet's default width
    bool hidden = false;
    std::uint8_t outlineLevel = 0;
    std::uint32_t format = kNone;    // default format of the column's cells
};

struct CellRange {
    RowIndex firstRow = 0;
    ColumnIndex firstColumn = 0;
    RowIndex lastRow = 0;       // inclusive
    ColumnIndex lastColumn = 0;  // inclusive
};

// A formula as the document wrote it, with the sheet it stands on.
struct Formula {
    std::string text;       // e.g. "of:=SUM([.A1:.A3])" or "oooc:=..." or "=..."
    bool isArray = false;   // matrix formula over `arrayRange`
    CellRange arrayRange;
};

// A stretch of a text in a font other than its cell's: from `start` (in
// UTF-16 code units, as Excel counts characters) to the next run's start or
// the text's end. Text before the first run shows in the cell's font.
// Where a raised or lowered stretch stands: its baseline moved by
// `offsetPercent` of its font's size (positive up, negative down) and its
// letters drawn at `sizePercent` of that size. An offset of 0 with a
// superscript or subscript font is one the office places itself. Excel 97
// keeps only the font's superscript or subscript; the offset and size shape
// the line the text takes.
struct TextPosition {
    std::int16_t offsetPercent = 0;
    std::uint16_t sizePercent = 100;
    friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

struct TextRun {
    std::uint32_t start = 0;
    Font font;  // resolved: the cell's font with the stretch's own settings laid over it
    TextPosition position;
    friend bool operator==(const TextRun&, const TextRun&) = default;
};

struct Annotation {
    std::string author;
    std::string text;       // paragraphs joined by '\n'
    bool visible = false;
    // Stretches of the text in fonts other than the note's own (the default
    // format's font, as office suites show a plain note), in UTF-16
    // positions; empty when the whole note is in that font.
    std::vector<TextRun> runs;
};

struct Hyperlink {
    CellRange range;
    std::string target;     // URL, or "#Sheet.A1" for a place in the workbook
};

struct SheetView {
    std::uint32_t frozenColumns = 0;  // columns left of a frozen split
    std::uint32_t frozenRows = 0;     // rows above a frozen split
    RowIndex cursorRow = 0;
    ColumnIndex cursorColumn = 0;
    RowIndex topRow = 0;              // first visible row of the (bottom) pane
    ColumnIndex leftColumn = 0;
    std::uint16_t zoomPercent = 100;
    bool showGrid = true;
    bool rightToLeft = false;
    std::optional<Color> tabColor;
};

// Print setup, in Excel's terms: the reader translates the document's page
// style (field codes into &P &N &A &D &T &F, paper into Excel paper codes).
struct PageSetup {
    bool landscape = false;
    std::uint16_t paperSize = 0;           // Excel paper code (1 Letter, 9 A4, ...); 0: unknown
    std::uint16_t scalePercent = 100;
    bool fitToPages = false;               // scale to fit fitWidth x fitHeight pages (0: any)
    std::uint16_t fitWidth = 1, fitHeight = 1;
    double marginLeftIn = 0.75, marginRightIn = 0.75, marginTopIn = 1.0, marginBottomIn = 1.0;
    double headerMarginIn = 0.5, footerMarginIn = 0.5;
    bool centerHorizontally = false, centerVertically = false;
    bool printGridlines = false, printHeadings = false;  // cell grid; row numbers and column letters
    std::string header, footer;            // e.g. "&LQuarter&C&A&RPage &P of &N"
};

// Where a drawing object sits: from a point in its first cell to a point in
// its last cell. Offsets are fractions of the cell's width or height (0 at
// the cell's left or top edge, 1 at its right or bottom edge).
struct DrawingAnchor {
    RowIndex firstRow = 0;
    ColumnIndex firstColumn = 0;
    double firstX = 0, firstY = 0;
    RowIndex lastRow = 0;
    ColumnIndex lastColumn = 0;
    double lastX = 0, lastY = 0;
    bool toCell = true;  // moves and sizes with its cells; false: fixed on the page
};

enum class DrawingKind : std::uint8_t {
    Picture, Rectangle, Ellipse, Line, TextBox, Chart,
    // Form controls, with their `control` settings; a label is `text`.
    Button, CheckBox, OptionButton, Label, GroupBox, ListBox, ComboBox, SpinButton, ScrollBar,
};
enum class PictureType : std::uint8_t { Png, Jpeg };

// Chart types as Excel 97 draws them; others are read as the nearest.
enum class ChartType : std::uint8_t { Column, Bar, Line, Area, Pie, Scatter, Radar };
enum class ChartGrouping : std::uint8_t { Clustered, Stacked, Percent };
enum class LegendPosition : std::uint8_t { None, Right, Left, Top, Bottom };

// Cells of the workbook a chart draws from.
struct ChartRange {
    std::uint32_t sheet = kNone;  // index into Workbook::sheets
    CellRange cells;
};

struct ChartSeries {
    std::optional<ChartRange> nameCell;    // the cell that names the series, or
    std::string name;                      // its name as text
    std::optional<ChartRange> categories;  // category labels; a scatter chart's x values
    ChartRange values;
    std::optional<Color> color;            // fill of bars and slices, colour of lines
};

struct Chart {
    ChartType type = ChartType::Column;
    ChartGrouping grouping = ChartGrouping::Clustered;
    std::vector<ChartSeries> series;
    std::string title;
    LegendPosition legend = LegendPosition::Right;
    std::string categoryAxisTitle;
    std::string valueAxisTitle;
};

// What a form control shows and which cells it works on. Cell addresses are
// as the document gives them, e.g. "Sheet1.B2" or "Sheet1.A1:Sheet1.A9".
struct FormControl {
    std::string linkedCell;          // the cell that holds its state or choice; empty: none
    std::string sourceRange;         // the cells that fill a list; empty: `items`
    std::vector<std::string> items;  // a list's own entries
    std::uint8_t checked = 0;        // 0 off, 1 on, 2 undetermined
    std::int32_t value = 0, minimum = 0, maximum = 100, step = 1, page = 10;
    bool horizontal = false;         // a scroll bar or spin button lying down
    bool multiSelect = false;        // a list box that takes several entries
    std::uint16_t lines = 8;         // entries a drop-down list shows at once
};

// Drawing objects moved and sized as one; a group may sit in another.
struct DrawingGroup {
    std::string name;
    std::optional<std::uint32_t> parent;  // the group holding it, in Sheet::drawingGroups
};

// A rectangle on the sheet's page, in points from its top left corner.
struct PageBox {
    double x = 0, y = 0, width = 0, height = 0;
};

// A picture or drawing shape of a sheet.
struct Drawing {
    DrawingKind kind = DrawingKind::Rectangle;
    DrawingAnchor anchor;
    std::string name;
    std::string description;
    std::string picture;                      // the image file's bytes (pictures)
    PictureType pictureType = PictureType::Png;
    std::optional<Color> fill;                // unset: not filled
    std::optional<Color> line;                // unset: no outline
    double lineWidthPt = 0;                   // 0: the thinnest line
    bool flipHorizontal = false;              // a line from the top right corner
    bool flipVertical = false;                // a line from the bottom left corner
    std::string text;                         // paragraphs joined by '\n'
    // Stretches of the text in fonts other than the default format's font,
    // in UTF-16 positions, as a note's runs; empty when all of it is in that font.
    std::vector<TextRun> textRuns;
    std::optional<Chart> chart;               // a chart's content; unset until read, or when unreadable
    std::optional<FormControl> control;       // a form control's settings
    std::optional<std::uint32_t> group;       // the innermost group holding it, in Sheet::drawingGroups
    std::optional<PageBox> box;               // where it stands on the sheet's page, for its place in its group
};

// Rows or columns first..last (0-based, inclusive).
struct LineSpan {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// Conditional formats: ranges whose look changes while a condition on
// their cells holds. Kept to what Excel 97 can show: up to three rules per
// format, each comparing the cell's value or a formula that is true, and
// changing font style and colour, borders and fill.
enum class ComparisonOperator : std::uint8_t {
    Between, NotBetween, Equal, NotEqual, Greater, Less, GreaterOrEqual, LessOrEqual,
};

// What a rule changes; unset: the cell's own look shows through.
struct DifferentialFormat {
    std::optional<Color> fontColor;
    std::optional<bool> bold, italic, strikeout;
    std::optional<Underline> underline;
    std::optional<BorderLine> left, right, top, bottom;
    std::optional<Color> fill;  // a solid fill
    friend bool operator==(const DifferentialFormat&, const DifferentialFormat&) = default;
};

struct ConditionalRule {
    bool isFormula = false;  // true: `formula1` is the condition; false: the cell's value is compared with it
    ComparisonOperator comparison = ComparisonOperator::Equal;
    // Expressions in the document's syntax without prefix or "=", e.g.
    // "[.A1]*2" or "\"text\""; `formula2` only for (not) between.
    std::string formula1, formula2;
    // The cell the expressions' relative references count from.
    RowIndex baseRow = 0;
    ColumnIndex baseColumn = 0;
    DifferentialFormat format;
};

struct ConditionalFormat {
    std::vector<CellRange> ranges;
    std::vector<ConditionalRule> rules;  // in order: the first that holds applies
};

// A cell whose text is laid out in another number of lines than its line
// feeds say: feeds the document wrote as characters within a paragraph are
// kept in the text, but office suites lay the paragraph out as one line.
struct TextLines {
    RowIndex row = 0;        // the first row of the cell's row run
    ColumnIndex column = 0;  // the first column of the cell's run
    std::uint32_t lines = 1;
};

struct Sheet {
    std::string name;
    bool visible = true;
    std::vector<Row> rows;             // sorted by index, never overlapping
    std::vector<ColumnRun> columns;    // sorted by first, never overlapping
    std::vector<CellRange> merges;
    std::vector<Annotation> annotations;
    std::vector<Hyperlink> hyperlinks;
    std::vector<Drawing> drawings;     // in drawing order, back to front
    std::vector<DrawingGroup> drawingGroups;  // the groups drawings name
    std::vector<ConditionalFormat> conditionalFormats;
    std::vector<TextLines> textLines;  // in reading order: by row, then column
    double defaultRowHeightPt = 12.8;
    std::optional<double> defaultColumnWidthPt;
    SheetView view;
    bool isProtected = false;
    std::optional<PageSetup> pageSetup;  // unset: the application's defaults
    std::string printRanges;             // as the document gives them, e.g. "Sheet1.A1:Sheet1.D20 Sheet1.F1:.G4"
    std::optional<LineSpan> titleRows;     // rows printed again on every page
    std::optional<LineSpan> titleColumns;  // columns printed again on every page
};

// A named range or expression (`text` in OpenFormula syntax, e.g. "$Sheet1.$A$1:.$B$4").
struct DefinedName {
    std::string name;
    std::string text;
    std::uint32_t sheet = kNone;   // kNone: workbook scope
    bool isExpression = false;     // true: named expression, false: named range
    std::string baseCell;          // e.g. "$Sheet1.$B$2": relative references count from it; empty: A1
};

struct DocumentProperties {
    std::string title;
    std::string subject;
    std::string author;            // initial creator, else creator
    std::string keywords;
    std::string description;
    std::string created;           // ISO 8601 as stored in meta.xml
    std::string modified;
};

struct Workbook {
    std::vector<Sheet> sheets;
    StringPool strings;
    std::vector<CellFormat> formats{CellFormat{}};  // [0] is the default format
    std::vector<Formula> formulas;
    std::vector<DefinedName> names;
    // Texts with parts in fonts of their own: index into `strings` -> its
    // runs, in order of start. Such a text is an entry of its own in
    // `strings` (StringPool::addDistinct), never shared with its plain form.
    std::unordered_map<std::uint32_t, std::vector<TextRun>> textRuns;
    // The cached copies of other files' sheets that formulas link to, named
    // as the document names them: "'file:///data.ods'#Sheet1".
    std::vector<Sheet> linkedSheets;
    DocumentProperties properties;
    std::uint32_t activeSheet = 0;
    // Serials count days from 1904-01-01 (the date system of Excel's 1904
    // workbooks) instead of 1899-12-30.
    bool dates1904 = false;
};

}  // namespace brindlemoor::office
