// Font metrics measured on earlier runs, kept in a small file so that a
// conversion need not load the system's font configuration (some ten
// milliseconds of configuration files and font caches, more than the rest of
// converting a small document) to measure the same face again.
//
// A cache file holds only for the font configuration it was written under:
// its stamp covers the configuration files, the font and font cache folders
// and the environment that chooses them; each entry also names the font file
// measured, whose time and size must still be the same. A file that is
// missing, stale, unreadable or damaged is ignored as a whole (the caller
// measures again), never trusted in part.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace brindlemoor::office::xls {

// What column widths and row heights need of the face shown for a family,
// as fractions of its em.
struct FaceMetrics {
    std::optional<double> em;  // advance of "0"; unset: nothing could be measured
    std::string fontFile;      // the face measured; empty when none
    std::optional<double> ascent, descent;  // from the horizontal header; descent positive
    friend bool operator==(const FaceMetrics&, const FaceMetrics&) = default;
};

class FontMetricsCache {
public:
    // Reads `file` when it was written under `stamp`; an empty path keeps
    // everything in memory.
    FontMetricsCache(std::filesystem::path file, std::string stamp);

    // True when the file held measurements for this configuration.
    bool loaded() const { return loaded_; }

    // The measurement of `family` (lower case) when still valid.
    std::optional<FaceMetrics> find(const std::string& family) const;

    // Records a measurement and rewrites the file (a temporary file renamed
    // into place, so that readers see the old file or the new one). Failing
    // to write is not an error: the next run measures again.
    void remember(const std::string& family, const FaceMetrics& metrics);

private:
    struct Entry {
        FaceMetrics metrics;
        long long fontTime = 0;  // nanoseconds since the epoch
        long long fontSize = 0;
    };
    void load();
    void save() const;

    std::filesystem::path file_;
    std::string stamp_;
    std::map<std::string, Entry> entries_;
    bool loaded_ = false;
};

// A fingerprint of what decides which face fontconfig shows for a family:
// library versions, the environment variables fontconfig reads, and the
// times and sizes of its configuration files and folders, font folders and
// font cache folders. Some twenty stat calls, without loading the
// configuration. A configuration file edited in place, or fonts added to a
// subfolder without running fc-cache, go unseen, as fontconfig's own caches
// partly miss them too; installing fonts or configurations through packages
// runs fc-cache, which rewrites the cache folders.
std::string fontConfigurationStamp();

// $XDG_CACHE_HOME/brindlemoor/font-metrics, else ~/.cache/brindlemoor/font-metrics;
// empty when neither can be told.
std::filesystem::path defaultFontMetricsCacheFile();

}  // namespace brindlemoor::office::xls
