#include "office/xls/font_metrics_cache.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace brindlemoor::office::xls {

namespace {

constexpr std::string_view kHeader = "brindlemoor font metrics 2";
constexpr std::uintmax_t kLargestPlausibleFile = 1 << 20;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

struct FileState {
    long long time = 0;
    long long size = 0;
    bool exists = false;
};

FileState stateOf(const std::string& path) {
    struct stat status{};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return {};
    return {static_cast<long long>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
            static_cast<long long>(status.st_size), true};
}

void describe(std::string& stamp, const std::string& path) {
    const FileState state = stateOf(path);
    stamp += path;
    stamp += state.exists ? " " + std::to_string(state.time) + " " + std::to_string(state.size) : " -";
    stamp += '\n';
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string checksum(std::string_view text) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(text)));
    return hex;
}

bool parseNumber(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end == text.c_str() + text.size();
}

// A fraction of the em ("-": none).
bool parseEm(const std::string& text, std::optional<double>& em, bool zeroAllowed = false) {
    if (text == "-") {
        em.reset();
        return true;
    }
    if (text.empty()) return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value < 0 || (value == 0 && !zeroAllowed) || value >= 4) return false;
    em = value;
    return true;
}

// Hexadecimal floating point: read back to the same bits.
std::string exact(const std::optional<double>& value) {
    if (!value) return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%a", *value);
    return text;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool storable(const std::string& text) {
    return text.find_first_of("\t\n\r") == std::string::npos;
}

}  // namespace

FontMetricsCache::FontMetricsCache(std::filesystem::path file, std::string stamp)
    : file_(std::move(file)), stamp_(std::move(stamp)) {
    load();
}

void FontMetricsCache::load() {
    if (file_.empty()) return;
    std::error_code error;
    const auto size = std::filesystem::file_size(file_, error);
    if (error || size > kLargestPlausibleFile) return;
    std::ifstream in(file_, std::ios::binary);
    std::string content(size, '\0');
    if (!in.read(content.data(), static_cast<std::streamsize>(size))) return;

    // The last line checks everything before it: a file cut short or
    // damaged on disk is dropped whole, never read in part.
    const std::size_t endLine = content.rfind("\nend ");
    if (endLine == std::string::npos || content.back() != '\n') return;
    const std::string_view body(content.data(), endLine + 1);
    if (content.substr(endLine + 5, content.size() - endLine - 6) != checksum(body)) return;

    std::istringstream lines{std::string(body)};
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) return;
    if (!std::getline(lines, line) || line != "stamp " + stamp_) return;
    std::map<std::string, Entry> entries;
    while (std::getline(lines, line)) {
        const auto fields = splitTabs(line);
        Entry entry;
        if (fields.size() != 7 || fields[0].empty() || !parseEm(fields[1], entry.metrics.em) ||
            !parseNumber(fields[3], entry.fontTime) || !parseNumber(fields[4], entry.fontSize) ||
            !parseEm(fields[5], entry.metrics.ascent, true) || !parseEm(fields[6], entry.metrics.descent, true)) {
            return;
        }
        entry.metrics.fontFile = fields[2];
        if (!entries.emplace(fields[0], std::move(entry)).second) return;
    }
    entries_ = std::move(entries);
    loaded_ = !entries_.empty();
}

std::optional<FaceMetrics> FontMetricsCache::find(const std::string& family) const {
    const auto it = entries_.find(family);
    if (it == entries_.end()) return std::nullopt;
    const Entry& entry = it->second;
    if (!entry.metrics.fontFile.empty()) {
        // The face itself may have been replaced (a package update keeps its name).
        const FileState state = stateOf(entry.metrics.fontFile);
        if (!state.exists || state.time != entry.fontTime || state.size != entry.fontSize) return std::nullopt;
    }
    return entry.metrics;
}

void FontMetricsCache::remember(const std::string& family, const FaceMetrics& metrics) {
    if (family.empty() || !storable(family) || !storable(metrics.fontFile)) return;
    Entry entry{metrics};
    if (!metrics.fontFile.empty()) {
        const FileState state = stateOf(metrics.fontFile);
        if (!state.exists) return;
        entry.fontTime = state.time;
        entry.fontSize = state.size;
    }
    entries_[family] = std::move(entry);
    save();
}

void FontMetricsCache::save() const {
    if (file_.empty()) return;
    std::ostringstream text;
    text << kHeader << "\nstamp " << stamp_ << '\n';
    for (const auto& [family, entry] : entries_) {
        text << family << '\t' << exact(entry.metrics.em) << '\t' << entry.metrics.fontFile << '\t' << entry.fontTime
             << '\t' << entry.fontSize << '\t' << exact(entry.metrics.ascent) << '\t' << exact(entry.metrics.descent)
             << '\n';
    }
    std::string content = text.str();
    content += "end " + checksum(content) + "\n";

    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    std::string temporary = (file_.parent_path() / ("." + file_.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return;
    bool written = true;
    for (std::size_t done = 0; written && done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            written = false;
        }
    }
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), file_.c_str()) != 0) ::unlink(temporary.c_str());
}

std::string fontConfigurationStamp() {
    std::string stamp = "fontconfig " + std::to_string(FcGetVersion()) + " freetype " +
                        std::to_string(FREETYPE_MAJOR) + "." + std::to_string(FREETYPE_MINOR) + "." +
                        std::to_string(FREETYPE_PATCH) + "\n";
    for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "HOME", "XDG_CONFIG_HOME",
                             "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        stamp += std::string(name) + "=" + environment(name) + "\n";
    }
    const std::string home = environment("HOME");
    const auto xdg = [&](const char* name, const char* fallback) {
        const std::string value = environment(name);
        if (!value.empty()) return value;
        return home.empty() ? std::string() : home + "/" + fallback;
    };
    std::vector<std::string> configFolders{"/etc/fonts"};
    std::stringstream path(environment("FONTCONFIG_PATH"));
    for (std::string folder; std::getline(path, folder, ':');) {
        if (!folder.empty()) configFolders.push_back(folder);
    }
    for (const auto& folder : configFolders) {
        describe(stamp, folder + "/fonts.conf");
        describe(stamp, folder + "/local.conf");
        describe(stamp, folder + "/conf.d");
        describe(stamp, folder + "/conf.avail");
    }
    // conf.d holds links into these: a package that changes a configuration
    // replaces the file, which changes its folder's time.
    describe(stamp, "/usr/share/fontconfig/conf.avail");
    if (const std::string file = environment("FONTCONFIG_FILE"); !file.empty()) describe(stamp, file);

    const std::string userConfig = xdg("XDG_CONFIG_HOME", ".config");
    if (!userConfig.empty()) {
        describe(stamp, userConfig + "/fontconfig/fonts.conf");
        describe(stamp, userConfig + "/fontconfig/conf.d");
    }
    if (!home.empty()) {
        describe(stamp, home + "/.fonts.conf");
        describe(stamp, home + "/.fonts.conf.d");
        describe(stamp, home + "/.fonts");
        describe(stamp, home + "/.fontconfig");
    }
    describe(stamp, "/usr/share/fonts");
    describe(stamp, "/usr/local/share/fonts");
    if (const std::string data = xdg("XDG_DATA_HOME", ".local/share"); !data.empty()) describe(stamp, data + "/fonts");
    // fc-cache, run whenever a package installs or removes fonts, rewrites these.
    describe(stamp, "/var/cache/fontconfig");
    if (const std::string cache = xdg("XDG_CACHE_HOME", ".cache"); !cache.empty()) describe(stamp, cache + "/fontconfig");

    return checksum(stamp);
}

std::filesystem::path defaultFontMetricsCacheFile() {
    std::filesystem::path folder = environment("XDG_CACHE_HOME");
    if (folder.empty() || folder.is_relative()) {
        const std::string home = environment("HOME");
        if (home.empty()) return {};
        folder = std::filesystem::path(home) / ".cache";
    }
    return folder / "brindlemoor" / "font-metrics";
}

}  // namespace brindlemoor::office::xls
