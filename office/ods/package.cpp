#include "office/ods/package.h"

#include "office/model/conversion_error.h"
#include "office/ods/read_ahead.h"

#include <unzip.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

namespace brindlemoor::office::ods {

// The file is opened once. A small archive is read into memory whole, so that
// the handles opened on it (one per member read) cost no system calls: each
// looks for the directory at the end by reading backwards a kilobyte at a
// time. A larger one is read where needed, with pread, which any number of
// handles on as many threads can share.
class ZipPackage::Bytes {
public:
    explicit Bytes(const std::filesystem::path& file) {
        fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw ConversionError(std::string("the file cannot be opened (") + std::strerror(errno) + ")");
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (end < 0) {
            ::close(fd_);
            throw ConversionError(std::string("the file cannot be read (") + std::strerror(errno) + ")");
        }
        size_ = static_cast<std::uint64_t>(end);
        if (size_ <= kWholeInMemory) {
            memory_ = std::make_unique_for_overwrite<char[]>(size_);
            if (readAt(0, memory_.get(), size_) != size_) {
                ::close(fd_);
                throw ConversionError("the file cannot be read");
            }
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~Bytes() {
        if (fd_ >= 0) ::close(fd_);
    }
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;

    std::uint64_t size() const { return size_; }

    // Bytes read from `at`: fewer than asked at the end of the file, none
    // after it; nullopt when the file cannot be read.
    std::optional<std::uint64_t> read(std::uint64_t at, void* into, std::uint64_t count) const {
        if (at >= size_) return 0;
        count = std::min(count, size_ - at);
        if (fd_ < 0) {
            std::memcpy(into, memory_.get() + at, count);
            return count;
        }
        const std::uint64_t got = readAt(at, static_cast<char*>(into), count);
        return got == count ? std::optional(got) : std::nullopt;
    }

private:
    static constexpr std::uint64_t kWholeInMemory = 1 << 20;

    // Reads until `count` bytes, the end of the file or an error.
    std::uint64_t readAt(std::uint64_t at, char* into, std::uint64_t count) const {
        std::uint64_t done = 0;
        while (done < count) {
            const ssize_t got = ::pread(fd_, into + done, count - done, static_cast<off_t>(at + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += static_cast<std::uint64_t>(got);
        }
        return done;
    }

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::unique_ptr<char[]> memory_;  // read into as it is, never zeroed first
};

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Members at least this large are inflated on a thread of their own while
// they are parsed; smaller ones are not worth a thread.
constexpr std::uint64_t kReadAheadFloor = 1 << 20;

constexpr unsigned kStored = 0;
constexpr unsigned kDeflated = Z_DEFLATED;

// minizip's view of the archive's bytes: one cursor per handle.
struct Cursor {
    const ZipPackage::Bytes* bytes;
    std::uint64_t at = 0;
    bool failed = false;
};

voidpf openCursor(voidpf bytes, const void*, int) { return new Cursor{static_cast<const ZipPackage::Bytes*>(bytes)}; }

uLong readCursor(voidpf, voidpf stream, void* into, uLong count) {
    auto& cursor = *static_cast<Cursor*>(stream);
    const auto got = cursor.bytes->read(cursor.at, into, count);
    if (!got) {
        cursor.failed = true;
        return 0;
    }
    cursor.at += *got;
    return static_cast<uLong>(*got);
}

uLong writeNothing(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T tellCursor(voidpf, voidpf stream) { return static_cast<Cursor*>(stream)->at; }

long seekCursor(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto& cursor = *static_cast<Cursor*>(stream);
    std::uint64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = cursor.at; break;
    case ZLIB_FILEFUNC_SEEK_END: base = cursor.bytes->size(); break;
    default: return -1;
    }
    if (offset > UINT64_MAX - base) return -1;
    cursor.at = base + offset;
    return 0;
}

int closeCursor(voidpf, voidpf stream) {
    delete static_cast<Cursor*>(stream);
    return 0;
}

int cursorError(voidpf, voidpf stream) { return static_cast<Cursor*>(stream)->failed ? 1 : 0; }

struct ArchiveCloser { void operator()(void* archive) const { unzClose(archive); } };
using Archive = std::unique_ptr<void, ArchiveCloser>;

Archive openArchive(const ZipPackage::Bytes& bytes) {
    zlib_filefunc64_def io{openCursor, readCursor, writeNothing, tellCursor, seekCursor, closeCursor, cursorError,
                           const_cast<ZipPackage::Bytes*>(&bytes)};
    Archive archive(unzOpen2_64(nullptr, &io));
    // The caller has already read the file's first bytes: what fails here is
    // the end of the archive, where its directory is.
    if (!archive) throw ConversionError("the archive is damaged or truncated (its directory is missing)");
    return archive;
}

std::string readFailure(int code, const std::string& member) {
    switch (code) {
    case UNZ_CRCERROR: return "the archive is damaged (" + member + " fails its checksum)";
    case Z_DATA_ERROR: case Z_STREAM_ERROR: case Z_BUF_ERROR:
        return "the archive is damaged (" + member + " cannot be decompressed)";
    case Z_MEM_ERROR: return "not enough memory to decompress " + member;
    default: return "the archive is truncated or damaged (" + member + " cannot be read)";
    }
}

struct MemberStream {
    std::shared_ptr<const ZipPackage::Bytes> bytes;
    Archive archive;  // a handle of its own: minizip reads one member at a time per handle
    std::string name;
    std::uint64_t declaredSize = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t produced = 0;
    InflateLimits limits;
    bool finished = false;

    std::size_t read(char* buffer, std::size_t size) {
        if (finished || size == 0) return 0;
        const unsigned wanted = static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
        const int got = unzReadCurrentFile(archive.get(), buffer, wanted);
        if (got < 0 || static_cast<unsigned>(got) > wanted) throw ConversionError(readFailure(got, name));
        if (got == 0) {
            finish();
            return 0;
        }
        produced += static_cast<std::uint64_t>(got);
        // Inflating never goes past the declared size, which the bounds were
        // checked against before; these hold should that ever change.
        const bool tooLarge = produced > limits.maxBytes || produced > declaredSize;
        const bool tooDense = produced > limits.ratioFloorBytes && produced / std::max<std::uint64_t>(compressedSize, 1) > limits.maxRatio;
        if (tooLarge || tooDense) {
            throw ConversionError(name + " inflates far beyond any plausible size; the archive is refused as hostile");
        }
        // Checked with the last byte, not at the next read: a reader may stop
        // at the end of the document and never ask again.
        if (produced == declaredSize) finish();
        return static_cast<std::size_t>(got);
    }

    // The member ended: it must have the size and checksum its directory
    // entry declares, or it was cut short, padded or tampered with.
    void finish() {
        finished = true;
        if (produced != declaredSize) {
            throw ConversionError("the archive is damaged (" + name + " ends after " + std::to_string(produced) +
                                  " of the " + std::to_string(declaredSize) + " bytes its directory declares)");
        }
        const int closed = unzCloseCurrentFile(archive.get());
        archive.reset();
        if (closed != UNZ_OK) throw ConversionError(readFailure(closed, name));
    }
};

}  // namespace

ZipPackage::ZipPackage(const std::filesystem::path& file, InflateLimits limits)
    : bytes_(std::make_shared<Bytes>(file)), limits_(limits) {
    const Archive archive = openArchive(*bytes_);
    const auto unreadable = [] { return ConversionError("the archive is damaged or truncated (its directory cannot be read)"); };
    for (int at = unzGoToFirstFile(archive.get()); at != UNZ_END_OF_LIST_OF_FILE; at = unzGoToNextFile(archive.get())) {
        unz_file_info64 info{};
        unz64_file_pos position{};
        if (at != UNZ_OK || unzGetCurrentFileInfo64(archive.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzGetFilePos64(archive.get(), &position) != UNZ_OK) {
            throw unreadable();
        }
        Member member;
        // Asked for again now that its length is known (at most 64 KiB).
        member.name.resize(info.size_filename);
        if (info.size_filename > 0 &&
            unzGetCurrentFileInfo64(archive.get(), nullptr, member.name.data(), member.name.size(), nullptr, 0, nullptr, 0) != UNZ_OK) {
            throw unreadable();
        }
        member.directoryOffset = position.pos_in_zip_directory;
        member.index = position.num_of_file;
        member.size = info.uncompressed_size;
        member.compressedSize = info.compressed_size;
        member.method = static_cast<unsigned>(info.compression_method);
        member.encrypted = (info.flag & 1) != 0;
        members_.push_back(std::move(member));
    }
}

ZipPackage::~ZipPackage() = default;

const ZipPackage::Member* ZipPackage::member(std::string_view name) const {
    const auto found = std::find_if(members_.begin(), members_.end(), [&](const Member& m) { return m.name == name; });
    return found == members_.end() ? nullptr : &*found;
}

std::optional<std::string> ZipPackage::find(std::string_view name) const {
    if (member(name)) return std::string(name);
    for (const Member& m : members_) {
        if (equalsIgnoringCase(m.name, name)) return m.name;
    }
    return std::nullopt;
}

std::optional<std::string> ZipPackage::findEndingWith(std::string_view suffix) const {
    for (const Member& m : members_) {
        const std::string_view name(m.name);
        if (name.size() >= suffix.size() && equalsIgnoringCase(name.substr(name.size() - suffix.size()), suffix)) {
            return m.name;
        }
    }
    return std::nullopt;
}

ChunkSource ZipPackage::stream(const std::string& name) {
    const Member* entry = member(name);
    if (!entry) throw ConversionError("the archive has no " + name);
    if (entry->size > limits_.maxBytes) {
        throw ConversionError(name + " declares " + std::to_string(entry->size >> 20) +
                              " MiB when inflated; the archive is refused as hostile");
    }
    if (entry->size > limits_.ratioFloorBytes && entry->size / std::max<std::uint64_t>(entry->compressedSize, 1) > limits_.maxRatio) {
        throw ConversionError(name + " declares " + std::to_string(entry->size >> 20) + " MiB inflated from " +
                              std::to_string(entry->compressedSize >> 10) + " KiB; the archive is refused as hostile");
    }
    if (entry->encrypted) throw ConversionError("the document is password-protected (encrypted)");
    if (entry->method != kStored && entry->method != kDeflated) {
        throw ConversionError(name + " is compressed with a method this converter does not read (method " +
                              std::to_string(entry->method) + ")");
    }

    auto member = std::make_shared<MemberStream>();
    member->bytes = bytes_;
    member->archive = openArchive(*bytes_);
    const unz64_file_pos position{entry->directoryOffset, entry->index};
    if (unzGoToFilePos64(member->archive.get(), &position) != UNZ_OK || unzOpenCurrentFile(member->archive.get()) != UNZ_OK) {
        member->archive.reset();
        throw ConversionError("the archive is damaged (" + name + " cannot be opened: its local header does not match its directory entry)");
    }
    member->name = name;
    member->declaredSize = entry->size;
    member->compressedSize = entry->compressedSize;
    member->limits = limits_;
    ChunkSource source = [member](char* buffer, std::size_t size) { return member->read(buffer, size); };
    return entry->size >= kReadAheadFloor ? readAhead(std::move(source)) : source;
}

std::optional<std::string> ZipPackage::readSmall(const std::string& name, std::size_t maxBytes) {
    ChunkSource source = stream(name);
    std::string content;
    char buffer[4096];
    for (std::size_t got; (got = source(buffer, sizeof buffer)) > 0;) {
        content.append(buffer, got);
        if (content.size() > maxBytes) return std::nullopt;
    }
    return content;
}

}  // namespace brindlemoor::office::ods
