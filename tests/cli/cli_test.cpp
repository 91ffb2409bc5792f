#include "cli/batch.h"
#include "cli/options.h"
#include "support/ods_builder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace brindlemoor::cli {
namespace {

using testing::TempFolder;

TEST(CliOptions, ParsesFilesFolderJobsAndQuiet) {
    const Options options = parseOptions({"a.ods", "-o", "out", "-j", "3", "b.sxc", "--quiet", "--", "-odd.ods"});
    ASSERT_EQ(options.inputs.size(), 3u);
    EXPECT_EQ(options.inputs[2], "-odd.ods");
    EXPECT_EQ(options.outputFolder, std::filesystem::path("out"));
    EXPECT_EQ(options.jobs, 3u);
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(parseOptions({"-j4", "x.ods"}).jobs, 4u);
    EXPECT_EQ(parseOptions({"--output=o", "x.ods"}).outputFolder, std::filesystem::path("o"));
    EXPECT_TRUE(parseOptions({"--help"}).help);
}

TEST(CliOptions, RejectsBadUsage) {
    const std::vector<std::vector<std::string>> bad = {
        {}, {"-o"}, {"a.ods", "-j", "0"}, {"a.ods", "-j", "x"}, {"a.ods", "-j", "2x"}, {"a.ods", "--frobnicate"},
        {"a.ods", "-o", ""}};
    for (const auto& arguments : bad) EXPECT_THROW(parseOptions(arguments), std::invalid_argument);
}

TEST(CliOptions, OutputNameReplacesOnlyTheFileNamesExtension) {
    const std::optional<std::filesystem::path> beside;
    EXPECT_EQ(outputPathFor("/in/Budget.2021.ods", beside), "/in/Budget.2021.xls");
    EXPECT_EQ(outputPathFor("/in/Rel.2/report", beside), "/in/Rel.2/report.xls");
    EXPECT_EQ(outputPathFor("/in/noext", std::filesystem::path("/out")), "/out/noext.xls");
    EXPECT_EQ(outputPathFor("/in/.hidden", beside), "/in/.hidden.xls");
    EXPECT_EQ(outputPathFor("a.sxc", std::filesystem::path("out")), "out/a.xls");
}

TEST(CliBatch, ConvertsGoodFilesAndReportsEachFailure) {
    TempFolder folder;
    testing::writeOds(folder / "good.ods", R"(<table:table table:name="S"><table:table-row>
        <table:table-cell office:value-type="string"><text:p>hello</text:p></table:table-cell>
        </table:table-row></table:table>)");
    std::ofstream(folder / "notes.ods") << "this is plain text, not a spreadsheet";
    testing::writeOds(folder / "good2.ods", R"(<table:table table:name="T"/>)");
    std::filesystem::create_directories(folder / "out");

    Options options;
    options.inputs = {folder / "good.ods", folder / "notes.ods", folder / "missing.ods", folder / "good2.ods"};
    options.outputFolder = folder / "out";
    options.jobs = 2;
    std::ostringstream out, err;
    EXPECT_EQ(convertAll(options, out, err, false), 2);
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "good.xls"));
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "good2.xls"));
    EXPECT_FALSE(std::filesystem::exists(folder / "out" / "notes.xls"));
    EXPECT_FALSE(std::filesystem::exists(folder / "out" / "missing.xls"));
    EXPECT_NE(err.str().find("error: " + (folder / "notes.ods").string()), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("error: " + (folder / "missing.ods").string()), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("good.xls"), std::string::npos);
    // Only the conversions' own files are left in the output folder: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "out"), {}), 2);
}

TEST(CliBatch, RefusesASecondFileWithTheSameResult) {
    TempFolder folder;
    testing::writeOds(folder / "a.ods", R"(<table:table table:name="S"/>)");
    testing::writeOds(folder / "a.ots", R"(<table:table table:name="S"/>)");
    Options options;
    options.inputs = {folder / "a.ods", folder / "a.ots"};
    options.quiet = true;
    std::ostringstream out, err;
    EXPECT_EQ(convertAll(options, out, err, false), 1);
    EXPECT_TRUE(out.str().empty());
    EXPECT_NE(err.str().find("also the result of"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace brindlemoor::cli
