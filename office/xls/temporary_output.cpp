#include "office/xls/temporary_output.h"

#include "office/model/conversion_error.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindlemoor::office::xls {

namespace {

std::string reason(int error) { return std::strerror(error); }

// The permissions a newly created file would get (0666 less the umask),
// read without changing the process umask.
mode_t newFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return 0644;
}

// ".<name>.xls.XXXXXX.tmp", as the constructor names them.
bool isOurTemporaryName(const std::string& name) {
    constexpr std::string_view suffix = ".tmp";
    constexpr std::size_t randomPart = 7;  // ".XXXXXX"
    if (name.size() < 1 + 4 + randomPart + suffix.size() || name.front() != '.' || !name.ends_with(suffix)) return false;
    const std::size_t dot = name.size() - suffix.size() - randomPart;
    if (name[dot] != '.') return false;
    std::string extension = name.substr(dot - 4, 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".xls";
}

// A conversion killed outright (SIGKILL, power loss) leaves its temporary file
// behind. Every writer holds a lock on its own temporary file while it lives;
// a temporary whose lock can be taken has lost its writer and is removed.
void removeAbandonedTemporaries(const std::filesystem::path& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!isOurTemporaryName(name)) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat status{};
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(it->path().c_str());
        }
        ::close(fd);
    }
}

// Takes the writer's lock on a freshly made temporary file; false when a
// concurrent sweep removed the file between its creation and the lock.
bool lockAsOwner(int fd, const std::string& path) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno != EWOULDBLOCK;  // no locks here: nothing sweeps either
    struct stat byDescriptor{}, byName{};
    return ::fstat(fd, &byDescriptor) == 0 && ::stat(path.c_str(), &byName) == 0 &&
           byDescriptor.st_ino == byName.st_ino && byDescriptor.st_dev == byName.st_dev;
}

}  // namespace

TemporaryOutput::TemporaryOutput(const std::filesystem::path& target) : target_(target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    if (std::filesystem::is_directory(target)) {
        throw ConversionError("cannot write " + target.string() + ": it is a folder");
    }
    removeAbandonedTemporaries(folder);
    std::string pattern;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        pattern = (folder / ("." + target.filename().string() + ".XXXXXX.tmp")).string();
        fd = ::mkstemps(pattern.data(), 4);
        if (fd < 0) throw ConversionError("cannot write to folder " + folder.string() + ": " + reason(errno));
        if (!lockAsOwner(fd, pattern) && attempt < 3) {
            ::close(fd);
            fd = -1;
        }
    }
    temporary_ = pattern;
    struct stat existing{};
    ::fchmod(fd, ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : newFileMode());
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary_.c_str());
        throw ConversionError("cannot write to folder " + folder.string() + ": " + reason(error));
    }
}

TemporaryOutput::~TemporaryOutput() {
    if (file_) std::fclose(file_);
    if (!committed_) ::unlink(temporary_.c_str());
}

void TemporaryOutput::commit() {
    const std::string where = target_.string();
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) {
        throw ConversionError("cannot write " + where + ": " + reason(errno));
    }
    // Renamed while still open: closing drops the writer's lock, after which
    // another run's sweep would take the file for abandoned. The data is on
    // disk already, so the close itself cannot lose any.
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw ConversionError("cannot write " + where + ": " + reason(errno));
    }
    committed_ = true;
    std::fclose(file_);
    file_ = nullptr;
    // Make the rename itself durable.
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace brindlemoor::office::xls
