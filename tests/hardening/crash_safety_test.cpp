// The converter killed with SIGKILL at any moment: the target name holds
// either the previous file, intact, or a complete new one; and the next run in
// the folder leaves no temporary file of ours behind.
#include "support/ods_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace brindlemoor::hardening {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Starts the converter on `source`, writing into `folder`.
pid_t startConverter(const fs::path& source, const fs::path& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        // Messages of a failed run go to "<folder>/../<pid>.log" for the test to show.
        const std::string log = (folder.parent_path() / (std::to_string(::getpid()) + ".log")).string();
        const int errors = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(errors, STDERR_FILENO);
        ::execl(CONVERTER_PATH, CONVERTER_PATH, "-q", "-o", folder.c_str(), source.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return child;
}

// The exit status; a failed run's messages are added to the test's output.
int waitFor(pid_t child, const fs::path& folder) {
    int status = 0;
    ::waitpid(child, &status, 0);
    const fs::path log = folder.parent_path() / (std::to_string(child) + ".log");
    if (status != 0 && !WIFSIGNALED(status)) {
        std::ifstream in(log);
        ADD_FAILURE() << "converter failed: " << std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::error_code ignored;
    fs::remove(log, ignored);
    return status;
}

std::vector<std::string> strayFiles(const fs::path& folder, const std::vector<std::string>& expected) {
    std::vector<std::string> stray;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) stray.push_back(name);
    }
    return stray;
}

// Large enough that a conversion takes a noticeable time to read and write.
std::string bigTables() {
    std::string rows;
    for (int r = 0; r < 4000; ++r) {
        rows += "<table:table-row>";
        for (int c = 0; c < 40; ++c) {
            rows += (c % 2) ? "<table:table-cell office:value-type=\"float\" office:value=\"" + std::to_string(r * c) + ".5\"/>"
                            : "<table:table-cell office:value-type=\"string\"><text:p>t" + std::to_string(r + c) + "</text:p></table:table-cell>";
        }
        rows += "</table:table-row>";
    }
    return "<table:table table:name=\"A\">" + rows + "</table:table><table:table table:name=\"B\">" + rows + "</table:table>";
}

TEST(CrashSafety, AKilledConversionNeverLeavesAPartialTarget) {
    TempFolder sources, out;
    const fs::path big = sources / "big.ods";
    const fs::path small = sources / "small.ods";
    testing::writeOds(big, bigTables());
    testing::writeOds(small, "<table:table table:name=\"S\"/>");

    // The complete conversion, for reference.
    ASSERT_EQ(waitFor(startConverter(big, out.path()), out.path()), 0);
    const std::string complete = readBytes(out / "big.xls");
    ASSERT_GT(complete.size(), 100000u);

    const std::string previous = "the previous workbook, which must survive a killed run";
    int killedMidway = 0;
    int killedWithoutPrevious = 0;
    bool withPrevious = true;
    for (const int delayMs : {0, 1, 3, 10, 20, 30, 60, 100, 150, 250, 400, 600, 900, 1300, 2000, 3000}) {
        // In turns: a target that exists already, and one that does not.
        withPrevious = !withPrevious;
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms" + (withPrevious ? ", target existing" : ", no target yet"));
        if (withPrevious) {
            std::ofstream(out / "big.xls", std::ios::binary | std::ios::trunc) << previous;
        } else {
            fs::remove(out / "big.xls");
        }
        const pid_t child = startConverter(big, out.path());
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
        const int status = waitFor(child, out.path());
        const bool exists = fs::exists(out / "big.xls");
        const std::string now = readBytes(out / "big.xls");
        if (WIFSIGNALED(status)) {
            ++killedMidway;
            if (withPrevious) {
                EXPECT_TRUE(now == previous || now == complete) << "the target holds " << now.size() << " bytes";
            } else {
                killedWithoutPrevious += exists ? 0 : 1;
                EXPECT_TRUE(!exists || now == complete) << "a partial target of " << now.size() << " bytes";
            }
        } else {
            EXPECT_EQ(now, complete);
        }
        // The next run in the folder clears what the killed one left.
        ASSERT_EQ(waitFor(startConverter(small, out.path()), out.path()), 0);
        EXPECT_EQ(strayFiles(out.path(), {"big.xls", "small.xls"}), std::vector<std::string>{});
    }
    EXPECT_GT(killedMidway, 3) << "too few runs were killed before they finished to tell anything";
    EXPECT_GT(killedWithoutPrevious, 0) << "no run was killed before it made a new target";
}

TEST(CrashSafety, ALiveConversionsTemporaryFileIsLeftAlone) {
    TempFolder sources, out;
    const fs::path big = sources / "big.ods";
    const fs::path small = sources / "small.ods";
    testing::writeOds(big, bigTables());
    testing::writeOds(small, "<table:table table:name=\"S\"/>");
    // Both at once into one folder, many times: neither may lose its file to the other's sweep.
    for (int round = 0; round < 5; ++round) {
        const pid_t first = startConverter(big, out.path());
        std::vector<pid_t> others;
        for (int i = 0; i < 6; ++i) others.push_back(startConverter(small, out.path()));
        EXPECT_EQ(waitFor(first, out.path()), 0);
        for (const pid_t other : others) EXPECT_EQ(waitFor(other, out.path()), 0);
        EXPECT_GT(fs::file_size(out / "big.xls"), 100000u);
        EXPECT_EQ(strayFiles(out.path(), {"big.xls", "small.xls"}), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace brindlemoor::hardening
