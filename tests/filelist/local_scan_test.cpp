// The folder scan and the file facts on real folders made for each test.
#include "filelist/folder_scan.h"

#include "platform/failure.h"
#include "platform/scripted_prompts.h"
#include "qstring_printing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace brindlemoor::filelist {
namespace {

using namespace platform::attribute;

class LocalScanTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }

    QString path(const QString& relative) const { return root.path() + u'/' + relative; }
    void makeFile(const QString& relative) {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    void makeLink(const QString& target, const QString& relative) {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(relative)).constData()), 0);
    }
    QStringList rows(const QString& start, const QString& pattern) {
        const FolderScan scan = localFolderScan(prompts);
        app::FailureTrap trap(prompts, QStringLiteral("in Test.Form1.Caller "));
        QStringList appended;
        addFolderTreeFiles(scan, trap, start, pattern, [&](const QString& row) { appended << row; });
        return appended;
    }
    // R with sub-folders A and B, A with A1, and files of several kinds.
    void makeTree() {
        for (const char* name : {"R/r.ods", "R/notes.txt", "R/~$r.ods", "R/.hidden.ods", "R/.kept.ods",
                                 "R/A/a.ods", "R/A/A1/a1.ODS", "R/B/b.ods", "R/B/b.ods.bak"})
            makeFile(QString::fromLatin1(name));
        // A hidden file the owner cannot write is read-only as well: kept.
        ASSERT_EQ(::chmod(QFile::encodeName(path("R/.kept.ods")).constData(), 0444), 0);
    }

    QTemporaryDir root;
    platform::ScriptedPrompts prompts;
    const platform::LocalFileFacts& facts = platform::localFileFacts();
};

TEST_F(LocalScanTest, AddsTheTreeBreadthFirstForOneExtension) {
    makeTree();
    EXPECT_EQ(rows(path("R"), QStringLiteral("*.ods")),
              (QStringList{path("R/.kept.ods"), path("R/r.ods"), path("R/A/a.ods"), path("R/B/b.ods"),
                           path("R/A/A1/a1.ODS")}));
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(LocalScanTest, EveryPatternTakesEveryFileButTildeAndPlainHiddenOnes) {
    makeTree();
    EXPECT_EQ(rows(path("R"), QStringLiteral("*.*")),
              (QStringList{path("R/.kept.ods"), path("R/notes.txt"), path("R/r.ods"), path("R/A/a.ods"),
                           path("R/B/b.ods"), path("R/B/b.ods.bak"), path("R/A/A1/a1.ODS")}));
}

TEST_F(LocalScanTest, StartFolderWithATrailingDoubleSeparatorGivesCleanRows) {
    makeTree();
    EXPECT_EQ(rows(path("R/A/A1/"), QStringLiteral("*.ods")), QStringList{path("R/A/A1/a1.ODS")});
}

TEST_F(LocalScanTest, LinksBackUpAreNotFollowedButOtherLinksAre) {
    makeTree();
    makeFile(QStringLiteral("Elsewhere/far.ods"));
    makeLink(path("R"), QStringLiteral("R/A/up"));
    makeLink(QStringLiteral("."), QStringLiteral("R/B/self"));
    makeLink(path("Elsewhere"), QStringLiteral("R/B/far"));
    EXPECT_EQ(rows(path("R"), QStringLiteral("*.ods")),
              (QStringList{path("R/.kept.ods"), path("R/r.ods"), path("R/A/a.ods"), path("R/B/b.ods"),
                           path("R/A/A1/a1.ODS"), path("R/B/far/far.ods")}));
}

TEST_F(LocalScanTest, MissingStartFolderAddsNothingAndShowsNothing) {
    EXPECT_EQ(rows(path("nowhere"), QStringLiteral("*.*")), QStringList{});
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(LocalScanTest, UnreadableFolderIsDroppedWithItsFiles) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder; the fake file facts cover this case";
    makeTree();
    ASSERT_EQ(::chmod(QFile::encodeName(path("R/A")).constData(), 0), 0);
    const QStringList added = rows(path("R"), QStringLiteral("*.ods"));
    ::chmod(QFile::encodeName(path("R/A")).constData(), 0755);
    EXPECT_EQ(added, (QStringList{path("R/.kept.ods"), path("R/r.ods"), path("R/B/b.ods")}));
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(LocalScanTest, AttributesFollowTheFileTypeNameAndMode) {
    makeTree();
    makeLink(path("R/A"), QStringLiteral("R/link-to-folder"));
    makeLink(path("R/r.ods"), QStringLiteral("R/link-to-file"));
    makeLink(path("R/gone"), QStringLiteral("R/dangling"));
    ASSERT_EQ(::chmod(QFile::encodeName(path("R/B")).constData(), 0555), 0);

    EXPECT_EQ(facts.attributes(path("R")), kDirectory);
    EXPECT_EQ(facts.attributes(path("R/")), kDirectory);
    EXPECT_EQ(facts.attributes(path("R/B")), kDirectory | kReadOnly);
    EXPECT_EQ(facts.attributes(path("R/r.ods")), kArchive);
    EXPECT_EQ(facts.attributes(path("R/.hidden.ods")), kHidden | kArchive);
    EXPECT_EQ(facts.attributes(path("R/.kept.ods")), kHidden | kArchive | kReadOnly);
    EXPECT_EQ(facts.attributes(path("R/link-to-folder")), kDirectory | kReparsePoint);
    EXPECT_EQ(facts.attributes(path("R/link-to-file")), kArchive | kReparsePoint);
    EXPECT_EQ(facts.attributes(path("R/dangling")) & kReparsePoint, kReparsePoint);
    try {
        facts.attributes(path("R/missing"));
        ADD_FAILURE() << "a missing path has no attributes";
    } catch (const platform::Failure& failure) {
        EXPECT_EQ(failure.number(), platform::failure::kPathNotFound);
    }
    ::chmod(QFile::encodeName(path("R/B")).constData(), 0755);
}

TEST_F(LocalScanTest, ListingsAndProbes) {
    makeTree();
    makeLink(path("R/A"), QStringLiteral("R/link-to-folder"));
    EXPECT_EQ(facts.subFolderNames(path("R")), (QStringList{"A", "B", "link-to-folder"}));
    EXPECT_EQ(facts.matchingEntries(path("R/"), QStringLiteral("*.ODS")),
              (QStringList{".hidden.ods", ".kept.ods", "r.ods", "~$r.ods"}));
    try {
        facts.subFolderNames(path("R/r.ods"));
        ADD_FAILURE() << "a file has no sub-folders to list";
    } catch (const platform::Failure& failure) {
        EXPECT_EQ(failure.number(), platform::failure::kPathNotFound);
    }
    EXPECT_TRUE(facts.opensAsFile(path("R/r.ods")));
    EXPECT_FALSE(facts.opensAsFile(path("R/A")));
    EXPECT_FALSE(facts.opensAsFile(path("R/missing.ods")));
    EXPECT_FALSE(facts.opensAsFile(QString()));
    EXPECT_TRUE(facts.isRootFolder(QStringLiteral("/")));
    EXPECT_TRUE(facts.isRootFolder(QStringLiteral("//")));
    EXPECT_FALSE(facts.isRootFolder(path("R/")));
}

TEST(WildcardTest, MatchesAsTheWindowsListingDoes) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"report.ods", "*.*", true},     {"README", "*.*", true},        {".profile", "*.*", true},
        {"report.ods", "*.ods", true},   {"REPORT.ODS", "*.ods", true},  {"report.odsx", "*.ods", false},
        {"report.ods.bak", "*.ods", false}, {"a.b.ods", "*.ods", true},  {"report.ods", "*..ods", false},
        {"report.ods", "*.od?", true},   {"report.od", "*.od?", false},  {"x.txt", "*.ods", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::matchesWildcard(QString::fromUtf8(c.name), QString::fromUtf8(c.pattern)), c.matches)
            << c.name << " against " << c.pattern;
}

}  // namespace
}  // namespace brindlemoor::filelist
