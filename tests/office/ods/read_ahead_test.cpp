// Inflating ahead on a thread: the reader sees the same bytes in the same
// order, a failure arrives after exactly the bytes that preceded it, and a
// reader that stops early does not wait for the rest.
#include "office/model/conversion_error.h"
#include "office/ods/package.h"
#include "office/ods/read_ahead.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

namespace brindlemoor::office::testing {
namespace {

std::string sample(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return text;
}

// Hands out the text in pieces of varying size, then fails after `failAt`
// bytes when that is within the text.
struct ScriptedSource {
    std::string text;
    std::size_t failAt = std::string::npos;
    std::size_t at = 0;
    std::size_t calls = 0;

    std::size_t read(char* buffer, std::size_t size) {
        ++calls;
        if (at >= failAt) throw ConversionError("content.xml cannot be decompressed");
        const std::size_t piece = 1 + (calls * 977) % 5000;
        const std::size_t n = std::min({size, piece, text.size() - at, failAt - at});
        std::memcpy(buffer, text.data() + at, n);
        at += n;
        return n;
    }
};

ods::ChunkSource scripted(std::shared_ptr<ScriptedSource> source) {
    return [source](char* buffer, std::size_t size) { return source->read(buffer, size); };
}

std::string drain(const ods::ChunkSource& source, std::size_t ask) {
    std::string out;
    std::string buffer(ask, '\0');
    for (std::size_t got; (got = source(buffer.data(), ask)) > 0;) out.append(buffer.data(), got);
    return out;
}

TEST(ReadAhead, DeliversTheSourceUnchangedWhateverTheShapes) {
    const std::string text = sample(300000);
    for (const ods::ReadAheadShape shape : {ods::ReadAheadShape{1, 1}, ods::ReadAheadShape{4096, 2}, ods::ReadAheadShape{}}) {
        for (std::size_t ask : {1u, 1000u, 65536u}) {
            if (shape.chunkBytes == 1 && ask == 1) continue;  // a million thread hand-offs prove nothing more
            auto source = std::make_shared<ScriptedSource>();
            source->text = text;
            const auto ahead = ods::readAhead(scripted(source), shape);
            EXPECT_EQ(drain(ahead, ask), text) << shape.chunkBytes << "x" << shape.chunks << ", reads of " << ask;
            EXPECT_EQ(ahead(nullptr, 0), 0u) << "the end stays the end";
        }
    }
}

TEST(ReadAhead, AFailureComesAfterTheBytesBeforeIt) {
    auto source = std::make_shared<ScriptedSource>();
    source->text = sample(100000);
    source->failAt = 70001;
    const auto ahead = ods::readAhead(scripted(source), {4096, 3});
    std::string out;
    char buffer[1000];
    try {
        for (std::size_t got; (got = ahead(buffer, sizeof buffer)) > 0;) out.append(buffer, got);
        FAIL() << "the failure was lost";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "content.xml cannot be decompressed");
    }
    EXPECT_EQ(out, source->text.substr(0, 70001));
    EXPECT_THROW(ahead(buffer, sizeof buffer), ConversionError) << "and it stays failed";
}

TEST(ReadAhead, AReaderThatStopsEarlyReleasesTheWorker) {
    // An endless source: the worker fills the ring and waits; dropping the
    // reader must stop it rather than hang.
    auto produced = std::make_shared<std::atomic<std::size_t>>(0);
    {
        const auto ahead = ods::readAhead([produced](char* buffer, std::size_t size) {
            std::memset(buffer, 'x', size);
            *produced += size;
            return size;
        }, {1024, 4});
        char buffer[10];
        EXPECT_EQ(ahead(buffer, sizeof buffer), 10u);
    }
    EXPECT_LE(produced->load(), 6u * 1024) << "the ring bounds how far the worker runs ahead";
}

TEST(ReadAhead, LargeMembersReadThroughThePackageAsStored) {
    TempDir dir;
    const auto file = dir.file("large.ods");
    const std::string content = sample(3 << 20);
    writeZip(file, {{"styles.xml", "<small/>"}, {"content.xml", content}});
    ods::ZipPackage package(file);
    const auto large = package.stream("content.xml");
    // The package's own handle stays usable while the large member is read.
    std::string head(1000, '\0');
    ASSERT_EQ(large(head.data(), head.size()), 1000u);
    EXPECT_EQ(package.readSmall("styles.xml", 100), "<small/>");
    EXPECT_EQ(head + drain(large, 65536), content);
}

// Member names are read at their stored length, from one byte to the
// format's 65,535, and an empty member reads as empty.
TEST(ReadAhead, MemberNamesOfEveryLengthAndEmptyMembers) {
    TempDir dir;
    const auto file = dir.file("names.ods");
    std::vector<Member> members;
    for (std::size_t length : {std::size_t{1}, std::size_t{255}, std::size_t{4097}, std::size_t{65535}}) {
        std::string name(length, 'n');
        name.back() = static_cast<char>('a' + length % 26);
        members.push_back({name, "content of " + std::to_string(length)});
    }
    members.push_back({"empty.xml", ""});
    members.push_back({"stored-empty.xml", "", false});
    writeZip(file, members);
    ods::ZipPackage package(file);
    for (const Member& member : members) {
        ASSERT_EQ(package.find(member.name), member.name) << member.name.size();
        EXPECT_EQ(package.readSmall(member.name, 100), member.content) << member.name.size();
    }
    EXPECT_EQ(package.find(std::string(65534, 'n')), std::nullopt);
}

TEST(ReadAhead, MembersOfAPackageReadInterleavedAndAfterThePackageIsGone) {
    TempDir dir;
    // Stored, so that the archive is too large to be held in memory whole and
    // is read from the file where needed.
    std::string noise(3 << 20, '\0');
    std::uint32_t state = 1;
    for (char& c : noise) c = static_cast<char>('a' + (state = state * 1103515245u + 12345u) % 26);
    const std::string text = sample(200000);
    for (const bool stored : {true, false}) {
        SCOPED_TRACE(stored ? "large archive" : "small archive");
        const auto file = dir.file(stored ? "stored.ods" : "small.ods");
        std::vector<Member> members{{"a.xml", text}, {"b.xml", text.substr(1000)}};
        if (stored) members.push_back({"noise.bin", noise, false});
        writeZip(file, members);
        ods::ChunkSource a, b;
        {
            ods::ZipPackage package(file);
            a = package.stream("a.xml");
            b = package.stream("b.xml");
        }
        std::string gotA, gotB;
        char buffer[777];
        for (bool more = true; more;) {
            const std::size_t fromA = a(buffer, sizeof buffer);
            gotA.append(buffer, fromA);
            const std::size_t fromB = b(buffer, sizeof buffer);
            gotB.append(buffer, fromB);
            more = fromA > 0 || fromB > 0;
        }
        EXPECT_EQ(gotA, text);
        EXPECT_EQ(gotB, text.substr(1000));
    }
}

}  // namespace
}  // namespace brindlemoor::office::testing
