// Every real spreadsheet of the shared corpus: those LibreOffice opens must
// read, and the broken or hostile ones must fail with a clear error, never
// a crash.
#include "office/ods/reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace brindlemoor::office {
namespace {

struct Entry {
    std::string path;
    bool libreOfficeOpens = false;
    std::string notes;
};

std::vector<Entry> manifest(const std::filesystem::path& corpus) {
    std::vector<Entry> entries;
    std::ifstream in(corpus / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
        if (fields.size() < 10) continue;
        entries.push_back({fields[0], fields[7] == "yes", fields[9]});
    }
    return entries;
}

TEST(Corpus, EveryFileReadsOrFailsCleanly) {
    const std::filesystem::path corpus = BRINDLEMOOR_CORPUS_DIR;
    if (!std::filesystem::exists(corpus / "MANIFEST.tsv")) GTEST_SKIP() << "no corpus at " << corpus;
    int read = 0, refused = 0;
    for (const Entry& entry : manifest(corpus)) {
        SCOPED_TRACE(entry.path);
        const bool broken = entry.notes.find("BROKEN") != std::string::npos;
        const bool encrypted = entry.notes.find("ENCRYPTED") != std::string::npos;
        const bool hostile = entry.notes.find("entity attack") != std::string::npos;
        Warnings warnings;
        try {
            const Workbook book = readSpreadsheet(corpus / entry.path, warnings);
            EXPECT_FALSE(book.sheets.empty());
            EXPECT_FALSE(encrypted || hostile) << "read a file that must be refused";
            ++read;
        } catch (const ConversionError& error) {
            const std::string message = error.what();
            EXPECT_FALSE(entry.libreOfficeOpens && !broken) << message;
            if (encrypted) {
                EXPECT_NE(message.find("encrypted"), std::string::npos) << message;
            }
            if (hostile) {
                EXPECT_NE(message.find("entities"), std::string::npos) << message;
            }
            ++refused;
        }
    }
    RecordProperty("read", read);
    RecordProperty("refused", refused);
    EXPECT_GT(read, 0);
}

}  // namespace
}  // namespace brindlemoor::office
