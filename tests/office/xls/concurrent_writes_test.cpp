// Batches convert on several threads at once. The compound-file library
// keeps global state that it sets up on first use, so the first files a
// process writes in parallel are the ones at risk; ctest runs each test in
// a fresh process, which makes this test such a first use.
#include "readback.h"

#include "office/xls/column_width.h"

#include <latch>
#include <thread>

namespace brindlemoor::office::xls {
namespace {

using test::scratchFolder;

Workbook workbookTitled(const std::string& title) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Data";
    wb.sheets.push_back(sheet);
    wb.properties.title = title;
    wb.properties.subject = "batch";
    wb.properties.author = "Ada";
    wb.properties.keywords = "one two";
    wb.properties.created = "2023-04-05T06:07:08";
    wb.properties.modified = "2024-01-02T03:04:05";
    return wb;
}

TEST(ConcurrentWrites, ManyThreadsWritingAtOnceAllProduceReadableSummaries) {
    constexpr int threads = 8;
    constexpr int filesPerThread = 4;
    const auto folder = scratchFolder("concurrent");
    std::latch start(threads);
    std::vector<std::string> failures(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < filesPerThread; ++i) {
                const auto name = "t" + std::to_string(t) + "-" + std::to_string(i);
                try {
                    Warnings warnings;
                    writeXls(workbookTitled(name), folder / (name + ".xls"), warnings);
                } catch (const std::exception& error) {
                    failures[t] += name + ": " + error.what() + "\n";
                }
            }
        });
    }
    for (auto& worker : workers) worker.join();
    for (const auto& failure : failures) EXPECT_EQ(failure, "");

    for (int t = 0; t < threads; ++t) {
        for (int i = 0; i < filesPerThread; ++i) {
            const auto name = "t" + std::to_string(t) + "-" + std::to_string(i);
            const auto result = test::readBack(folder / (name + ".xls"));
            if (!result.available) GTEST_SKIP() << "python3-xlrd or python3-olefile missing";
            ASSERT_TRUE(result.ok) << name << ": " << result.errors;
            const auto properties = result.all("property");
            EXPECT_NE(std::find(properties.begin(), properties.end(), test::Line{"property", "title", name}),
                      properties.end()) << name;
            EXPECT_NE(std::find(properties.begin(), properties.end(), test::Line{"property", "created", "2023-04-05T06:07:08"}),
                      properties.end()) << name;
        }
    }
}

// The font configuration is loaded on a thread of its own while a document is
// read; conversions started together must neither wait for it forever nor
// see a half-loaded one.
TEST(ConcurrentWrites, FontMetricsPreparedAndMeasuredFromManyThreadsAgree) {
    constexpr int threads = 6;
    std::latch start(threads);
    std::vector<double> widths(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            start.arrive_and_wait();
            if (t % 2 == 0) prepareFontMetrics();
            widths[t] = digitWidthPt(Font{});
            prepareFontMetrics();  // after a measurement: nothing more to start
        });
    }
    for (auto& worker : workers) worker.join();
    EXPECT_GT(widths[0], 0);
    for (double width : widths) EXPECT_DOUBLE_EQ(width, widths[0]);
}

}  // namespace
}  // namespace brindlemoor::office::xls
