// The zip container of a document, read through zlib's minizip. Members are
// streamed with hard bounds on their inflated size, so a hostile archive
// cannot exhaust memory or disk, and each is checked against the size and
// checksum its directory entry declares.
#pragma once

#include "office/ods/xml_reader.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brindlemoor::office::ods {

struct InflateLimits {
    std::uint64_t maxBytes = std::uint64_t{1} << 30;     // no member inflates beyond 1 GiB
    std::uint64_t ratioFloorBytes = 16ull << 20;        // the ratio bound applies beyond 16 MiB
    std::uint64_t maxRatio = 250;                        // inflated : compressed (real documents stay below 100)
};

class ZipPackage {
public:
    // Throws ConversionError when the file is not a readable zip archive.
    explicit ZipPackage(const std::filesystem::path& file, InflateLimits limits = {});
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // The member's name as stored: exact match first, then ignoring case.
    std::optional<std::string> find(std::string_view name) const;
    // The first member whose name ends with `suffix`, ignoring case.
    std::optional<std::string> findEndingWith(std::string_view suffix) const;

    // Reads a small member whole; nullopt when it is larger than `maxBytes`.
    std::optional<std::string> readSmall(const std::string& name, std::size_t maxBytes);

    // A source that inflates the member chunk by chunk, checking the bounds
    // on the bytes actually produced. Every source reads through an archive
    // handle of its own, so several may be open at once, and may outlive the
    // package; large members are inflated ahead on a thread of their own.
    ChunkSource stream(const std::string& name);

    // One entry of the archive's central directory.
    struct Member {
        std::string name;
        std::uint64_t directoryOffset = 0;  // where its entry is, to go back to it
        std::uint64_t index = 0;
        std::uint64_t size = 0;             // inflated, as declared
        std::uint64_t compressedSize = 0;
        unsigned method = 0;
        bool encrypted = false;
    };

    // The archive's bytes, shared by every handle opened on it.
    class Bytes;

private:
    const Member* member(std::string_view name) const;

    std::shared_ptr<Bytes> bytes_;
    std::vector<Member> members_;
    InflateLimits limits_;
};

}  // namespace brindlemoor::office::ods
