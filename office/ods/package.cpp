#include "office/ods/package.h"

#include "office/model/conversion_error.h"
#include "office/ods/read_ahead.h"

#include <zip.h>

#include <algorithm>
#include <cctype>

namespace brindlemoor::office::ods {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string readFailure(zip_file_t* file, const std::string& member) {
    zip_error_t* error = zip_file_get_error(file);
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_CRC: return "the archive is damaged (" + member + " fails its checksum)";
    case ZIP_ER_ZLIB: case ZIP_ER_COMPNOTSUPP: return "the archive is damaged (" + member + " cannot be decompressed)";
    case ZIP_ER_EOF: case ZIP_ER_READ: return "the archive is truncated or damaged (" + member + " cannot be read)";
    default: return "the archive is damaged (" + member + ": " + zip_error_strerror(error) + ")";
    }
}

// Members at least this large are inflated on a thread of their own while
// they are parsed; smaller ones are not worth a thread.
constexpr std::uint64_t kReadAheadFloor = 1 << 20;

struct ArchiveCloser { void operator()(zip* archive) const { zip_discard(archive); } };

struct MemberStream {
    struct FileCloser { void operator()(zip_file_t* file) const { zip_fclose(file); } };
    std::unique_ptr<zip, ArchiveCloser> ownArchive;  // when read apart from the package's handle
    std::unique_ptr<zip_file_t, FileCloser> file;
    std::string name;
    std::uint64_t compressedSize = 0;
    std::optional<std::uint64_t> declaredSize;
    std::uint64_t produced = 0;
    InflateLimits limits;

    std::size_t read(char* buffer, std::size_t size) {
        const zip_int64_t got = zip_fread(file.get(), buffer, size);
        if (got < 0) throw ConversionError(readFailure(file.get(), name));
        produced += static_cast<std::uint64_t>(got);
        // The size checked before inflating holds only if the member keeps to it.
        if (declaredSize && produced > *declaredSize) {
            throw ConversionError("the archive is damaged (" + name + " inflates beyond the size its directory declares)");
        }
        const bool tooLarge = produced > limits.maxBytes;
        const bool tooDense = produced > limits.ratioFloorBytes && produced / std::max<std::uint64_t>(compressedSize, 1) > limits.maxRatio;
        if (tooLarge || tooDense) {
            throw ConversionError(name + " inflates far beyond any plausible size; the archive is refused as hostile");
        }
        return static_cast<std::size_t>(got);
    }
};

}  // namespace

void ZipPackage::Closer::operator()(zip* archive) const { zip_discard(archive); }

ZipPackage::ZipPackage(const std::filesystem::path& file, InflateLimits limits) : file_(file), limits_(limits) {
    int code = 0;
    zip* archive = zip_open(file.c_str(), ZIP_RDONLY, &code);
    if (!archive) {
        switch (code) {
        // Only files that begin like a zip archive come here.
        case ZIP_ER_NOZIP: throw ConversionError("the archive is damaged or truncated (its directory is missing)");
        case ZIP_ER_INCONS: case ZIP_ER_EOF: case ZIP_ER_SEEK:
            throw ConversionError("the archive is damaged or truncated");
        case ZIP_ER_NOENT: throw ConversionError("the file does not exist");
        case ZIP_ER_OPEN: case ZIP_ER_READ: throw ConversionError("the file cannot be read");
        case ZIP_ER_MEMORY: throw ConversionError("not enough memory to open the archive");
        default: {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            std::string message = std::string("the archive cannot be opened (") + zip_error_strerror(&error) + ")";
            zip_error_fini(&error);
            throw ConversionError(message);
        }
        }
    }
    archive_.reset(archive);
}

ZipPackage::~ZipPackage() = default;

std::optional<std::string> ZipPackage::find(std::string_view name) const {
    const std::string wanted(name);
    if (zip_name_locate(archive_.get(), wanted.c_str(), 0) >= 0) return wanted;
    const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* entry = zip_get_name(archive_.get(), static_cast<zip_uint64_t>(i), 0);
        if (entry && equalsIgnoringCase(entry, name)) return std::string(entry);
    }
    return std::nullopt;
}

std::optional<std::string> ZipPackage::findEndingWith(std::string_view suffix) const {
    const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* entry = zip_get_name(archive_.get(), static_cast<zip_uint64_t>(i), 0);
        if (!entry) continue;
        const std::string_view name(entry);
        if (name.size() >= suffix.size() && equalsIgnoringCase(name.substr(name.size() - suffix.size()), suffix)) {
            return std::string(name);
        }
    }
    return std::nullopt;
}

ChunkSource ZipPackage::stream(const std::string& name) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_.get(), name.c_str(), 0, &stat) != 0) {
        throw ConversionError("the archive has no " + name);
    }
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > limits_.maxBytes) {
        throw ConversionError(name + " declares " + std::to_string(stat.size >> 20) +
                              " MiB when inflated; the archive is refused as hostile");
    }
    if ((stat.valid & ZIP_STAT_SIZE) && (stat.valid & ZIP_STAT_COMP_SIZE) && stat.size > limits_.ratioFloorBytes &&
        stat.size / std::max<std::uint64_t>(stat.comp_size, 1) > limits_.maxRatio) {
        throw ConversionError(name + " declares " + std::to_string(stat.size >> 20) + " MiB inflated from " +
                              std::to_string(stat.comp_size >> 10) + " KiB; the archive is refused as hostile");
    }
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
        throw ConversionError("the document is password-protected (encrypted)");
    }
    // A large member is read through an archive handle of its own, so that
    // its thread shares nothing with reads of other members.
    std::unique_ptr<zip, ArchiveCloser> own;
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size >= kReadAheadFloor) {
        own.reset(zip_open(file_.c_str(), ZIP_RDONLY, nullptr));
    }
    zip* archive = own ? own.get() : archive_.get();
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) {
        const int code = zip_error_code_zip(zip_get_error(archive));
        if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP) {
            throw ConversionError("the document is password-protected (encrypted)");
        }
        throw ConversionError("the archive is damaged (" + name + " cannot be opened: " +
                              zip_strerror(archive) + ")");
    }
    auto member = std::make_shared<MemberStream>();
    member->file.reset(file);
    member->ownArchive = std::move(own);
    member->name = name;
    member->compressedSize = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : 0;
    if (stat.valid & ZIP_STAT_SIZE) member->declaredSize = stat.size;
    member->limits = limits_;
    ChunkSource source = [member](char* buffer, std::size_t size) { return member->read(buffer, size); };
    return member->ownArchive ? readAhead(std::move(source)) : source;
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
