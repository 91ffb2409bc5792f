// Archives that lie: members that inflate without bound, and directories whose
// sizes and offsets do not match what is stored.
#include "hostile_support.h"

#include <cstring>
#include <fstream>
#include <iterator>

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
