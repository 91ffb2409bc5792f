#include "office/xls/temporary_output.h"

#include "office/model/conversion_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
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

}  // namespace

TemporaryOutput::TemporaryOutput(const std::filesystem::path& target) : target_(target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    if (std::filesystem::is_directory(target)) {
        throw ConversionError("cannot write " + target.string() + ": it is a folder");
    }
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX.tmp")).string();
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) throw ConversionError("cannot write to folder " + folder.string() + ": " + reason(errno));
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
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) throw ConversionError("cannot write " + where + ": " + reason(errno));
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw ConversionError("cannot write " + where + ": " + reason(errno));
    }
    committed_ = true;
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
