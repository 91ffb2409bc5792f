// The folder scan on imagined Windows folders: attribute values, failing
// listings and names that a real Linux folder cannot show.
#include "filelist/folder_scan.h"

#include "fake_file_facts.h"
#include "platform/scripted_prompts.h"
#include "qstring_printing.h"

#include <gtest/gtest.h>

namespace brindlemoor::filelist {
namespace {

using platform::attribute::kArchive;
using platform::attribute::kHidden;
using platform::attribute::kReadOnly;
using testing::FakeFileFacts;

constexpr std::int32_t kHiddenSystemFolder = 22;
constexpr std::int32_t kHiddenSystemLink = 1046;

class FolderScanTest : public ::testing::Test {
protected:
    FolderScan scan() {
        return {facts, prompts, u'\\', [this] { ++yields; }};
    }
    QStringList rows(const QString& start, const QString& pattern = QStringLiteral("*.*")) {
        app::FailureTrap trap(prompts, QStringLiteral("in Test.Form1.Caller "));
        QStringList appended;
        addFolderTreeFiles(scan(), trap, start, pattern, [&](const QString& row) { appended << row; });
        return appended;
    }
    QStringList folders(const QString& start) {
        QStringList list{start};
        getSubDirectories2016(scan(), list, true);
        return list;
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& message : prompts.messages()) texts << message.text;
        return texts;
    }
    // R with sub-folders A and B, A with A1; one file in each.
    void makeTree() {
        facts.addFile(QStringLiteral("D:\\R\\r.ods"));
        facts.addFile(QStringLiteral("D:\\R\\A\\a.ods"));
        facts.addFile(QStringLiteral("D:\\R\\A\\A1\\a1.ods"));
        facts.addFile(QStringLiteral("D:\\R\\B\\b.ods"));
    }

    FakeFileFacts facts;
    platform::ScriptedPrompts prompts;
    int yields = 0;
};

TEST_F(FolderScanTest, WalksTheTreeBreadthFirst) {
    makeTree();
    EXPECT_EQ(folders(QStringLiteral("D:\\R\\")),
              (QStringList{"D:\\R\\", "D:\\R\\A\\", "D:\\R\\B\\", "D:\\R\\A\\A1\\"}));
    EXPECT_EQ(rows(QStringLiteral("D:\\R")),
              (QStringList{"D:\\R\\r.ods", "D:\\R\\A\\a.ods", "D:\\R\\B\\b.ods", "D:\\R\\A\\A1\\a1.ods"}));
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(FolderScanTest, YieldsForEveryFolderExaminedListedAndAccepted) {
    makeTree();
    folders(QStringLiteral("D:\\R\\"));
    // Examined R, A, B, A1 (4); listed A, B, A1 (3); accepted A1 into the
    // middle level (1) and A, B, A1 into the top one (3).
    EXPECT_EQ(yields, 11);
}

TEST_F(FolderScanTest, WithoutRecursionOnlyDirectSubFoldersAreAdded) {
    makeTree();
    QStringList list{QStringLiteral("D:\\R\\")};
    getSubDirectories2016(scan(), list, false);
    EXPECT_EQ(list, (QStringList{"D:\\R\\", "D:\\R\\A\\", "D:\\R\\B\\"}));
}

TEST_F(FolderScanTest, FolderWithoutSubFoldersGivesItsOwnMatchingFiles) {
    facts.addFile(QStringLiteral("D:\\Flat\\one.ods"));
    facts.addFile(QStringLiteral("D:\\Flat\\two.txt"));
    facts.addFile(QStringLiteral("D:\\Flat\\three.ODS"));
    EXPECT_EQ(rows(QStringLiteral("D:\\Flat"), QStringLiteral("*.ods")),
              (QStringList{"D:\\Flat\\one.ods", "D:\\Flat\\three.ODS"}));
    EXPECT_EQ(rows(QStringLiteral("D:\\Flat"), QStringLiteral("*..ods")), QStringList{});
}

TEST_F(FolderScanTest, TildeOnlyAtTheStartKeepsAFileOut) {
    facts.addFile(QStringLiteral("D:\\T\\~$budget.ods"));
    facts.addFile(QStringLiteral("D:\\T\\budget~1.ods"));
    EXPECT_EQ(rows(QStringLiteral("D:\\T")), QStringList{"D:\\T\\budget~1.ods"});
}

TEST_F(FolderScanTest, OnlyFilesThatAreExactlyHiddenAndArchivedAreSkipped) {
    facts.addFile(QStringLiteral("D:\\H\\34.ods"), kHidden | kArchive);
    facts.addFile(QStringLiteral("D:\\H\\35.ods"), kHidden | kArchive | kReadOnly);
    facts.addFile(QStringLiteral("D:\\H\\2.ods"), kHidden);
    facts.addFile(QStringLiteral("D:\\H\\32.ods"), kArchive);
    EXPECT_EQ(rows(QStringLiteral("D:\\H")), (QStringList{"D:\\H\\35.ods", "D:\\H\\2.ods", "D:\\H\\32.ods"}));
}

TEST_F(FolderScanTest, HiddenSystemFoldersBelowTheStartAreLeftOut) {
    facts.addFile(QStringLiteral("D:\\S\\top.ods"));
    facts.addFolder(QStringLiteral("D:\\S\\System Volume Information"), kHiddenSystemFolder);
    facts.addFile(QStringLiteral("D:\\S\\System Volume Information\\inside.ods"));
    facts.addFolder(QStringLiteral("D:\\S\\Linked"), kHiddenSystemLink);
    facts.addFile(QStringLiteral("D:\\S\\Linked\\linked.ods"));
    facts.addFolder(QStringLiteral("D:\\S\\Plain"), 16 | kHidden);
    facts.addFile(QStringLiteral("D:\\S\\Plain\\plain.ods"));
    EXPECT_EQ(rows(QStringLiteral("D:\\S")), (QStringList{"D:\\S\\top.ods", "D:\\S\\Plain\\plain.ods"}));
}

TEST_F(FolderScanTest, HiddenSystemStartFolderListsItsFilesButNotItsSubFolders) {
    facts.addFolder(QStringLiteral("D:\\HS"), kHiddenSystemFolder);
    facts.addFile(QStringLiteral("D:\\HS\\own.ods"));
    facts.addFile(QStringLiteral("D:\\HS\\Sub\\deeper.ods"));
    EXPECT_EQ(rows(QStringLiteral("D:\\HS")), QStringList{"D:\\HS\\own.ods"});
}

TEST_F(FolderScanTest, DriveRootIsDescendedIntoAndGivesSingleBackslashRows) {
    facts.addFolder(QStringLiteral("C:\\"), kHiddenSystemFolder);
    facts.addFile(QStringLiteral("C:\\report.ods"));
    facts.addFile(QStringLiteral("C:\\Data\\2019\\q1.ods"));
    EXPECT_EQ(folders(QStringLiteral("C:\\\\")), (QStringList{"C:\\\\", "C:\\\\Data\\", "C:\\\\Data\\2019\\"}));
    EXPECT_EQ(rows(QStringLiteral("C:\\")), (QStringList{"C:\\report.ods", "C:\\Data\\2019\\q1.ods"}));
}

TEST_F(FolderScanTest, FoldersThatCannotBeListedAreDroppedSilently) {
    makeTree();
    facts.failListing(QStringLiteral("D:\\R\\A"), platform::kPermissionDeniedFailure);
    EXPECT_EQ(rows(QStringLiteral("D:\\R")), (QStringList{"D:\\R\\r.ods", "D:\\R\\B\\b.ods"}));

    facts.failListing(QStringLiteral("D:\\R\\A"), platform::failure::kPathNotFound);
    EXPECT_EQ(rows(QStringLiteral("D:\\R")), (QStringList{"D:\\R\\r.ods", "D:\\R\\B\\b.ods"}));

    facts.failListing(QStringLiteral("D:\\R"), platform::kPermissionDeniedFailure);
    EXPECT_EQ(rows(QStringLiteral("D:\\R")), QStringList{});
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(FolderScanTest, OtherListingFailuresKeepTheFolderAndItsFiles) {
    makeTree();
    facts.failListing(QStringLiteral("D:\\R\\A"), 75);
    EXPECT_EQ(rows(QStringLiteral("D:\\R")), (QStringList{"D:\\R\\r.ods", "D:\\R\\A\\a.ods", "D:\\R\\B\\b.ods"}));
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(FolderScanTest, DroppingADuplicateFolderGoesOnWithTheNextOne) {
    makeTree();
    facts.failListing(QStringLiteral("D:\\R\\A"), platform::kPermissionDeniedFailure);
    QStringList list{"D:\\R\\A\\", "D:\\R\\A\\", "D:\\R\\B\\"};
    getSubDirectories2016(scan(), list, true);
    EXPECT_EQ(list, QStringList{"D:\\R\\B\\"});
}

TEST_F(FolderScanTest, FolderNamesWithUnsafeCharactersAreNotListedNorEntered) {
    facts.addFile(QStringLiteral("D:\\N\\ok.ods"));
    for (const QString& bad : {QStringLiteral("tab\there"), QStringLiteral("del\x7f"), QStringLiteral("c1\u0085"),
                               QStringLiteral("what?")}) {
        facts.addFile(QStringLiteral("D:\\N\\") + bad + QStringLiteral("\\hidden.ods"));
    }
    facts.addFile(QStringLiteral("D:\\N\\caf\u00e9\\menu.ods"));
    EXPECT_EQ(rows(QStringLiteral("D:\\N")), (QStringList{"D:\\N\\ok.ods", QStringLiteral("D:\\N\\caf\u00e9\\menu.ods")}));
}

TEST_F(FolderScanTest, UnsafeCharactersAreControlsAndTheQuestionMark) {
    struct Case {
        QString name;
        bool unsafe;
    };
    const Case cases[] = {
        {QString(), false},
        {QStringLiteral("Reports 2019"), false},
        {QString(QChar(31)), true},
        {QStringLiteral(" "), false},
        {QStringLiteral("~"), false},
        {QString(QChar(127)), true},
        {QString(QChar(159)), true},
        {QString(QChar(160)), false},
        {QStringLiteral("?"), true},
        // The narrow value is the code point, so the euro sign (a C1 value
        // only in the Western Windows code page) is an ordinary character.
        {QStringLiteral("\u20ac"), false},
        {QStringLiteral("\u65e5\u672c"), false},
        {QString::fromUcs4(U"\U0001F600"), false},
    };
    for (const Case& c : cases) EXPECT_EQ(hasUnsafeCharacters(c.name), c.unsafe) << c.name.toStdString();
}

TEST_F(FolderScanTest, UnexpectedFailureInTheScanIsReportedAndTheScanGoesOn) {
    makeTree();
    facts.failRootTest(QStringLiteral("D:\\R\\A"));
    EXPECT_EQ(rows(QStringLiteral("D:\\R")),
              (QStringList{"D:\\R\\r.ods", "D:\\R\\A\\a.ods", "D:\\R\\B\\b.ods", "D:\\R\\A\\A1\\a1.ods"}));
    // Once while A is examined, once while it is accepted.
    ASSERT_EQ(prompts.messages().size(), 2u);
    EXPECT_EQ(prompts.messages()[0].title, QStringLiteral("Application Error"));
    EXPECT_TRUE(prompts.messages()[0].text.contains(
        QStringLiteral("in DorrinTitle2021/08/31.AddFolder.GetSubDirectories2016 at line 116")));
    EXPECT_TRUE(prompts.messages()[1].text.contains(
        QStringLiteral("in DorrinTitle2021/08/31.AddFolder.GetSubDirectories2016 at line 158")));
}

TEST_F(FolderScanTest, FailureWhileExaminingOneFileSkipsOnlyThatFile) {
    makeTree();
    facts.failAttributesOf(QStringLiteral("D:\\R\\A\\a.ods"));
    EXPECT_EQ(rows(QStringLiteral("D:\\R")), (QStringList{"D:\\R\\r.ods", "D:\\R\\B\\b.ods", "D:\\R\\A\\A1\\a1.ods"}));
    ASSERT_EQ(messageTexts().size(), 1);
    EXPECT_TRUE(messageTexts()[0].contains(QStringLiteral("in Test.Form1.Caller at line 134")));
}

TEST_F(FolderScanTest, ListingFilesGivesNamesOnlyAndNothingForAMissingFolder) {
    facts.addFile(QStringLiteral("D:\\L\\b.ods"));
    facts.addFile(QStringLiteral("D:\\L\\a.txt"));
    facts.addFolder(QStringLiteral("D:\\L\\folder.ods"));
    EXPECT_EQ(listFilesInFolder(scan(), QStringLiteral("D:\\L"), QStringLiteral("*.*")),
              (QStringList{"b.ods", "a.txt"}));
    EXPECT_EQ(listFilesInFolder(scan(), QStringLiteral("D:\\L\\"), QStringLiteral("*.ods")), QStringList{"b.ods"});
    EXPECT_EQ(listFilesInFolder(scan(), QStringLiteral("D:\\Missing"), QStringLiteral("*.*")), QStringList{});
    EXPECT_FALSE(isExistingFile(scan(), QStringLiteral("D:\\L\\folder.ods")));
    EXPECT_FALSE(isExistingFile(scan(), QStringLiteral("D:\\L\\gone.ods")));
    EXPECT_TRUE(isExistingFile(scan(), QStringLiteral("D:\\L\\a.txt")));
}

}  // namespace
}  // namespace brindlemoor::filelist
