// Archives that lie: members that inflate without bound, and directories whose
// sizes and offsets do not match what is stored.
#include "hostile_support.h"

#include "office/ods/package.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <vector>

namespace brindlemoor::hardening {
namespace {

using testing::TempFolder;
using testing::spreadsheetContent;
using testing::writeOds;

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

void put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// Offset of the central directory entry of `member`.
std::size_t centralEntry(const std::string& zip, const std::string& member) {
    for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4)) {
        const std::size_t nameLength = static_cast<unsigned char>(zip[at + 28]) | (static_cast<unsigned char>(zip[at + 29]) << 8);
        if (zip.compare(at + 46, nameLength, member) == 0) return at;
    }
    throw std::runtime_error("no directory entry for " + member);
}

std::uint32_t get32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

class HostileArchives : public ::testing::Test {
protected:
    std::filesystem::path source() const { return folder / "archive.ods"; }
    std::filesystem::path target() const { return folder / "archive.xls"; }
    std::string validOds() {
        writeOds(source(), "<table:table table:name=\"A\"><table:table-row><table:table-cell office:value-type=\"float\" "
                           "office:value=\"42\"/></table:table-row></table:table>");
        return readBytes(source());
    }
    // Converts the archive with one directory field of content.xml replaced.
    Outcome withContentField(std::size_t centralOffset, std::size_t localOffset, std::uint32_t value) {
        std::string zip = validOds();
        const std::size_t entry = centralEntry(zip, "content.xml");
        put32(zip, entry + centralOffset, value);
        if (localOffset) put32(zip, get32(zip, entry + 42) + localOffset, value);
        writeBytes(source(), zip);
        return convert(source(), target());
    }
    TempFolder folder;
};

void expectRefusedOrRead(const Outcome& outcome) {
    if (outcome.error) {
        EXPECT_FALSE(outcome.targetExists);
        EXPECT_FALSE(outcome.error->empty());
    } else {
        EXPECT_TRUE(outcome.targetExists);
    }
}

TEST_F(HostileArchives, AMemberThatInflatesFarBeyondItsSizeIsRefused) {
    // 160 MiB of spaces deflate to a few hundred KiB: a ratio no spreadsheet has.
    const std::string content = spreadsheetContent(std::string(160 << 20, ' '));
    testing::writeZip(source(), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
    ASSERT_LT(std::filesystem::file_size(source()), 1u << 20);
    const Outcome outcome = convert(source(), target());
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_NE(outcome.error->find("refused as hostile"), std::string::npos) << *outcome.error;
    EXPECT_FALSE(outcome.targetExists);
}

// Reads a member through the package's bounded stream; the bytes handed out
// before the stream gave up, and its complaint.
struct Drained {
    std::uint64_t bytes = 0;
    std::optional<std::string> error;
};

Drained drain(const std::filesystem::path& file, const std::string& member, office::ods::InflateLimits limits) {
    Drained result;
    try {
        office::ods::ZipPackage package(file, limits);
        auto source = package.stream(member);
        std::vector<char> buffer(64 * 1024);
        for (std::size_t got; (got = source(buffer.data(), buffer.size())) > 0;) result.bytes += got;
    } catch (const office::ConversionError& error) {
        result.error = error.what();
    }
    return result;
}

TEST_F(HostileArchives, ADenseMemberIsRefusedFromItsDirectoryBeforeInflating) {
    testing::writeZip(source(), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                 {"content.xml", std::string(8 << 20, ' ')}});
    const office::ods::InflateLimits limits{.maxBytes = 1ull << 30, .ratioFloorBytes = 1 << 20, .maxRatio = 250};
    const Drained dense = drain(source(), "content.xml", limits);
    ASSERT_TRUE(dense.error.has_value());
    EXPECT_NE(dense.error->find("refused as hostile"), std::string::npos) << *dense.error;
    EXPECT_EQ(dense.bytes, 0u) << "nothing is inflated once the directory shows the ratio";

    // Text that compresses as real text does passes the same bounds.
    std::string letters(8 << 20, 'A');
    std::minstd_rand random(3);
    for (char& c : letters) c = static_cast<char>('A' + random() % 26);
    testing::writeZip(source(), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", letters}});
    const Drained plain = drain(source(), "content.xml", limits);
    EXPECT_FALSE(plain.error) << *plain.error;
    EXPECT_EQ(plain.bytes, letters.size());
}

TEST_F(HostileArchives, AMemberInflatingPastItsDeclaredSizeIsStoppedThere) {
    // A bomb whose directory declares a harmless size: the declared size is
    // what the bounds were checked against, so inflating stops at it.
    testing::writeZip(source(), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                 {"content.xml", spreadsheetContent(std::string(16 << 20, ' '))}});
    std::string zip = readBytes(source());
    const std::size_t entry = centralEntry(zip, "content.xml");
    put32(zip, entry + 24, 4096);
    put32(zip, get32(zip, entry + 42) + 22, 4096);
    writeBytes(source(), zip);
    const Drained drained = drain(source(), "content.xml", {});
    ASSERT_TRUE(drained.error.has_value());
    EXPECT_LE(drained.bytes, 4096u);
    const Outcome outcome = convert(source(), target());
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_FALSE(outcome.targetExists);
}

// Fields of content.xml's directory entry and local header that the member
// read must match, and the complaint each mismatch gives: from the stream
// read to its end, and from a conversion, which may stop reading at the end
// of the document (a member longer than its data is then read whole).
TEST_F(HostileArchives, MembersThatDoNotMatchTheirEntriesAreRefusedWithTheCause) {
    const struct {
        const char* what;
        std::size_t central, local;
        std::uint32_t (*value)(std::uint32_t stored);
        const char* complaint;
        bool conversionRefuses;
    } cases[] = {
        {"checksum", 16, 14, [](std::uint32_t crc) { return crc ^ 0x10u; }, "fails its checksum", true},
        {"declared size beyond the data", 24, 22, [](std::uint32_t size) { return size + 100; }, "ends after", false},
        {"encryption flag", 8, 6, [](std::uint32_t flags) { return flags | 1u; }, "password-protected (encrypted)", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string zip = validOds();
        const std::size_t entry = centralEntry(zip, "content.xml");
        const std::size_t local = get32(zip, entry + 42);
        const std::uint32_t changed = c.value(get32(zip, entry + c.central));
        // The flags are two bytes: the next two (the method) stay as they are.
        const auto put = [&](std::size_t at) {
            if (c.central == 8) put32(zip, at, (get32(zip, at) & 0xffff0000u) | (changed & 0xffffu));
            else put32(zip, at, changed);
        };
        put(entry + c.central);
        put(local + c.local);
        writeBytes(source(), zip);
        const Drained drained = drain(source(), "content.xml", {});
        ASSERT_TRUE(drained.error.has_value());
        EXPECT_NE(drained.error->find(c.complaint), std::string::npos) << *drained.error;
        const Outcome outcome = convert(source(), target());
        if (c.conversionRefuses) {
            ASSERT_TRUE(outcome.error.has_value());
            EXPECT_NE(outcome.error->find(c.complaint), std::string::npos) << *outcome.error;
        }
        EXPECT_EQ(outcome.targetExists, !outcome.error.has_value());
    }
}

TEST_F(HostileArchives, AnUnknownCompressionMethodIsNamed) {
    std::string zip = validOds();
    const std::size_t entry = centralEntry(zip, "content.xml");
    for (const std::size_t at : {entry + 10, std::size_t{get32(zip, entry + 42)} + 8}) {
        zip[at] = 12;  // bzip2
        zip[at + 1] = 0;
    }
    writeBytes(source(), zip);
    const Outcome outcome = convert(source(), target());
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_NE(outcome.error->find("method 12"), std::string::npos) << *outcome.error;
    EXPECT_FALSE(outcome.targetExists);
}

TEST_F(HostileArchives, ADirectoryDeclaringGigabytesIsRefusedBeforeInflating) {
    const Outcome outcome = withContentField(24, 22, 0xfffffff0u);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_FALSE(outcome.targetExists);
}

TEST_F(HostileArchives, LyingSizesAndOffsetsFailCleanly) {
    // compressed size, uncompressed size, local header offset, CRC: each
    // replaced with values too small, too large and absurd.
    const struct { std::size_t central, local; } fields[] = {{20, 18}, {24, 22}, {20, 0}, {24, 0}, {42, 0}, {16, 14}};
    for (const auto& field : fields) {
        for (const std::uint32_t value : {0u, 1u, 7u, 100u, 0x7fffffffu, 0xffffffffu}) {
            SCOPED_TRACE("field " + std::to_string(field.central) + " = " + std::to_string(value));
            expectRefusedOrRead(withContentField(field.central, field.local, value));
        }
    }
}

TEST_F(HostileArchives, TruncatedAndOverlappingArchivesFailCleanly) {
    const std::string zip = validOds();
    for (std::size_t keep = 0; keep < zip.size(); keep += std::max<std::size_t>(1, zip.size() / 97)) {
        writeBytes(source(), zip.substr(0, keep));
        SCOPED_TRACE("first " + std::to_string(keep) + " bytes");
        const Outcome outcome = convert(source(), target());
        EXPECT_TRUE(outcome.error.has_value());
        EXPECT_FALSE(outcome.targetExists);
    }
    // Two directory entries pointing at the same local header.
    std::string twice = zip;
    const std::size_t content = centralEntry(twice, "content.xml");
    const std::size_t manifest = centralEntry(twice, "META-INF/manifest.xml");
    put32(twice, manifest + 42, get32(twice, content + 42));
    writeBytes(source(), twice);
    expectRefusedOrRead(convert(source(), target()));
}

}  // namespace
}  // namespace brindlemoor::hardening
