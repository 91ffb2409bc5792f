// A workbook with every kind of record the writer makes, opened by Apache
// POI (HSSF), Gnumeric and LibreOffice. Each check skips when its reader is
// not installed.
#include "readback.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace brindlemoor::office::xls {
namespace {

std::string run(const std::string& command, int& status) {
    std::string output;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) { status = -1; return output; }
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

bool exists(const char* path) { return std::filesystem::exists(path); }

Workbook everything() {
    Workbook wb;
    CellFormat fancy;
    fancy.font = {"DejaVu Serif", 12, true, true, Underline::Double, true, Script::Normal, Color{0x80, 0x20, 0x40}};
    fancy.background = Color{0xE0, 0xF0, 0xD0};
    fancy.borders.bottom = {BorderStyle::MediumDashed, Color{0x10, 0x20, 0x30}};
    fancy.alignment = {HorizontalAlign::Right, VerticalAlign::Center, true, false, 2, 30};
    fancy.numberFormat = "#,##0.000;[Red]-#,##0.000";
    wb.formats.push_back(fancy);
    for (int s = 0; s < 2; ++s) {
        Sheet sheet;
        sheet.name = s == 0 ? "Everything" : "Second";
        sheet.view.frozenRows = 1;
        sheet.view.tabColor = Color{0x33, 0x99, 0x66};
        sheet.columns.push_back({0, 3, 80.0, false, 0, kNone});
        // Shown: LibreOffice's headless import leaves hidden notes out (its own
        // .xls files included), so only a shown note can be checked there.
        sheet.annotations.push_back({"Tester", "A note\nwith two lines", true});
        for (RowIndex r = 0; r < 300; ++r) {
            Row row;
            row.index = r;
            for (ColumnIndex c = 0; c < 6; ++c) {
                Cell cell;
                cell.column = c;
                cell.type = c == 2 ? CellType::Text : CellType::Number;
                cell.number = r * 1.25 + c;
                if (c == 2) cell.text = wb.strings.intern("text " + std::to_string(r) + std::string(r % 50, 'x') + (r % 3 ? "" : " ü 日本"));
                if (c == 4) cell.format = 1;
                if (r == 1 && c == 1) cell.annotation = 0;
                row.cells.push_back(cell);
            }
            sheet.rows.push_back(std::move(row));
        }
        sheet.merges.push_back({290, 0, 291, 1});
        if (s == 0) {
            PageSetup setup;
            setup.landscape = true;
            setup.paperSize = 9;  // A4
            setup.fitToPages = true;
            setup.fitWidth = 1;
            setup.fitHeight = 2;
            setup.marginLeftIn = 0.5;
            setup.centerHorizontally = true;
            setup.header = "&LLeft part&CPage &P of &N&R&A";
            setup.footer = "&C&F &D";
            sheet.pageSetup = setup;
        }
        sheet.hyperlinks.push_back({{3, 2, 3, 2}, "https://example.org/"});
        sheet.hyperlinks.push_back({{4, 2, 4, 2}, "#Second.A1"});
        wb.sheets.push_back(std::move(sheet));
    }
    return wb;
}

class StrictReaders : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = test::scratchFolder("strict");
        Warnings warnings;
        writeXls(everything(), folder_ / "everything.xls", warnings);
    }
    static std::filesystem::path file() { return folder_ / "everything.xls"; }
    static inline std::filesystem::path folder_;
};

TEST_F(StrictReaders, ApachePoiReadsEveryCellStyleAndNote) {
    const char* jars[] = {"/usr/share/java/poi.jar", "/usr/share/java/commons-collections4.jar",
                          "/usr/share/java/commons-math3.jar", "/usr/share/java/commons-codec.jar"};
    std::string classpath = folder_.string();
    for (const char* jar : jars) {
        if (!exists(jar)) GTEST_SKIP() << jar << " missing";
        classpath += std::string(":") + jar;
    }
    if (!exists("/usr/bin/javac") || !exists("/usr/bin/java")) GTEST_SKIP() << "no Java compiler";
    int status = 0;
    const std::string compiled = run("/usr/bin/javac -nowarn -cp '" + classpath + "' -d '" + folder_.string() + "' '" POI_READER_SOURCE "'", status);
    ASSERT_EQ(status, 0) << compiled;
    const std::string output = run("/usr/bin/java -cp '" + classpath + "' PoiReadAll '" + file().string() + "'", status);
    ASSERT_EQ(status, 0) << output;
    EXPECT_NE(output.find("sheets=2 cells=3600 notes=2 links=4"), std::string::npos) << output;
}

TEST_F(StrictReaders, GnumericConvertsWithoutComplaint) {
    if (!exists("/usr/bin/ssconvert")) GTEST_SKIP() << "ssconvert missing";
    int status = 0;
    const std::string output = run("/usr/bin/ssconvert '" + file().string() + "' '" + (folder_ / "out.csv").string() + "'", status);
    ASSERT_EQ(status, 0) << output;
    // Gnumeric reports problems it finds in a file on its error output.
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.empty() || line.find("Gtk-WARNING") != std::string::npos) << line;
    }
    std::ifstream csv(folder_ / "out.csv");
    std::string first;
    std::getline(csv, first);
    EXPECT_EQ(first.substr(0, 10), "0,1,\"text ");
}

TEST_F(StrictReaders, LibreOfficeOpensItWithNotesLinksAndTabColour) {
    if (!exists("/usr/bin/soffice")) GTEST_SKIP() << "LibreOffice missing";
    const auto profile = folder_ / "lo-profile";
    int status = 0;
    const std::string output = run("timeout 300 /usr/bin/soffice -env:UserInstallation=file://" + profile.string() +
                                    " --headless --convert-to fods --outdir '" + folder_.string() + "' '" + file().string() + "'", status);
    ASSERT_EQ(status, 0) << output;
    std::ifstream in(folder_ / "everything.fods");
    std::stringstream text;
    text << in.rdbuf();
    const std::string fods = text.str();
    ASSERT_FALSE(fods.empty()) << output;
    EXPECT_NE(fods.find("table:name=\"Everything\""), std::string::npos);
    EXPECT_NE(fods.find("A note"), std::string::npos);                      // the note's text
    EXPECT_NE(fods.find("xlink:href=\"https://example.org/\""), std::string::npos);
    EXPECT_NE(fods.find("xlink:href=\"#Second.A1\""), std::string::npos);
    EXPECT_NE(fods.find("tab-color=\"#339966\""), std::string::npos);
    EXPECT_NE(fods.find("table:number-columns-spanned=\"2\" table:number-rows-spanned=\"2\""), std::string::npos);
    EXPECT_NE(fods.find("style:font-name=\"DejaVu Serif\""), std::string::npos);
    // Print setup of the first sheet.
    EXPECT_NE(fods.find("style:print-orientation=\"landscape\""), std::string::npos);
    EXPECT_NE(fods.find("fo:page-width=\"11.6"), std::string::npos);  // A4 across
    EXPECT_NE(fods.find("style:scale-to-X=\"1\" style:scale-to-Y=\"2\""), std::string::npos);
    EXPECT_NE(fods.find("fo:margin-left=\"0.5in\""), std::string::npos);
    EXPECT_NE(fods.find("Left part"), std::string::npos);
    EXPECT_NE(fods.find("<text:page-count"), std::string::npos);
    EXPECT_NE(fods.find("<text:sheet-name"), std::string::npos);
    EXPECT_NE(fods.find("<text:file-name"), std::string::npos);
}

}  // namespace
}  // namespace brindlemoor::office::xls
