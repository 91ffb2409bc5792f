#include "office/xls/column_width.h"
#include "office/xls/font_metrics_cache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace brindlemoor::office::xls {
namespace {

namespace fs = std::filesystem;

class FontMetricsCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("font-metrics-" + std::to_string(::getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all);
        fs::remove_all(folder_);
    }

    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }

    // A face file of our own, so that tests can change it.
    fs::path fakeFace(const std::string& content = "face") const {
        const fs::path face = folder_ / "face.ttf";
        write(face, content);
        return face;
    }

    fs::path folder_;
};

TEST_F(FontMetricsCacheTest, MeasurementsComeBackExactlyUnderTheSameStamp) {
    const fs::path file = folder_ / "cache" / "font-metrics";
    const std::string face = fakeFace().string();
    {
        FontMetricsCache cache(file, "stamp-a");
        EXPECT_FALSE(cache.loaded());
        cache.remember("liberation sans", {0x1.1ccp-1, face, 0x1.d0ep-1, 0x1.a8p-3});
        cache.remember("no descent", {0.5, face, 0.8, 0.0});
        cache.remember("some display face", {std::nullopt, ""});
        cache.remember("odd", {0.1 + 0.2, face});  // not representable in few decimals
    }
    const FontMetricsCache again(file, "stamp-a");
    EXPECT_TRUE(again.loaded());
    EXPECT_EQ(again.find("liberation sans"), (FaceMetrics{0x1.1ccp-1, face, 0x1.d0ep-1, 0x1.a8p-3}));
    EXPECT_EQ(again.find("no descent"), (FaceMetrics{0.5, face, 0.8, 0.0}));
    EXPECT_EQ(again.find("some display face"), (FaceMetrics{std::nullopt, ""}));
    ASSERT_TRUE(again.find("odd") && again.find("odd")->em);
    EXPECT_EQ(*again.find("odd")->em, 0.1 + 0.2);
    EXPECT_FALSE(again.find("arial"));

    // Written through a temporary file renamed into place: nothing else is left.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);

    // Another configuration: nothing is trusted.
    const FontMetricsCache other(file, "stamp-b");
    EXPECT_FALSE(other.loaded());
    EXPECT_FALSE(other.find("liberation sans"));
}

TEST_F(FontMetricsCacheTest, AReplacedOrRemovedFaceIsMeasuredAgain) {
    const fs::path file = folder_ / "font-metrics";
    const fs::path face = fakeFace("version 1");
    FontMetricsCache(file, "s").remember("arial", {0.5, face.string()});
    ASSERT_TRUE(FontMetricsCache(file, "s").find("arial"));

    write(face, "version 2, longer");
    EXPECT_FALSE(FontMetricsCache(file, "s").find("arial"));
    fs::remove(face);
    EXPECT_FALSE(FontMetricsCache(file, "s").find("arial"));
}

TEST_F(FontMetricsCacheTest, ADamagedFileIsIgnoredWhole) {
    const fs::path file = folder_ / "font-metrics";
    const std::string face = fakeFace().string();
    {
        FontMetricsCache cache(file, "s");
        cache.remember("arial", {0.556, face});
        cache.remember("times new roman", {0.5, face});
    }
    const std::string good = read(file);
    ASSERT_TRUE(FontMetricsCache(file, "s").loaded());

    // Cut short anywhere (a full disk, a crash): never read in part.
    for (std::size_t length = 0; length < good.size(); ++length) {
        write(file, good.substr(0, length));
        const FontMetricsCache cache(file, "s");
        EXPECT_FALSE(cache.loaded()) << "cut at " << length;
        EXPECT_FALSE(cache.find("arial")) << "cut at " << length;
    }
    // Any byte changed: a width that is a plausible number but not the one measured included.
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string damaged = good;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        write(file, damaged);
        const FontMetricsCache cache(file, "s");
        EXPECT_FALSE(cache.loaded()) << "byte " << at << " changed";
    }
    write(file, good + "arial\t0.9\t\t0\t0\n");
    EXPECT_FALSE(FontMetricsCache(file, "s").loaded()) << "lines after the end";
    write(file, std::string(2 << 20, 'x'));
    EXPECT_FALSE(FontMetricsCache(file, "s").loaded()) << "an implausibly large file";

    // Rewritten whole by the next measurement.
    FontMetricsCache(file, "s").remember("arial", {0.556, face});
    EXPECT_EQ(FontMetricsCache(file, "s").find("arial"), (FaceMetrics{0.556, face}));
}

TEST_F(FontMetricsCacheTest, AnUnwritableFolderOnlyCostsTheCache) {
    if (::geteuid() == 0) {
        // root writes anywhere; a path through a regular file cannot be created by anyone.
        write(folder_ / "not-a-folder", "x");
        FontMetricsCache cache(folder_ / "not-a-folder" / "font-metrics", "s");
        EXPECT_NO_THROW(cache.remember("arial", {0.556, ""}));
        EXPECT_EQ(cache.find("arial"), (FaceMetrics{0.556, ""}));  // still known for this run
        return;
    }
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    FontMetricsCache cache(folder_ / "font-metrics", "s");
    EXPECT_NO_THROW(cache.remember("arial", {0.556, ""}));
    EXPECT_FALSE(fs::exists(folder_ / "font-metrics"));
}

TEST_F(FontMetricsCacheTest, StampFollowsTheConfigurationFilesFontconfigReads) {
    const fs::path config = folder_ / "config";
    fs::create_directories(config / "fontconfig");
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string before = fontConfigurationStamp();
    EXPECT_EQ(fontConfigurationStamp(), before);
    write(config / "fontconfig" / "fonts.conf", "<fontconfig/>");
    const std::string afterUserConfig = fontConfigurationStamp();
    EXPECT_NE(afterUserConfig, before);
    ::setenv("FONTCONFIG_FILE", (config / "fontconfig" / "fonts.conf").c_str(), 1);
    EXPECT_NE(fontConfigurationStamp(), afterUserConfig);
    ::unsetenv("FONTCONFIG_FILE");
    if (saved) ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1); else ::unsetenv("XDG_CONFIG_HOME");
}

// A converter's run, in a process of its own: what it measures and whether
// it loaded the font configuration.
struct ProbeRun {
    std::string widths;
    bool fontconfigLoaded = false;
};

ProbeRun probe(const fs::path& cacheHome) {
    const std::string command = "XDG_CACHE_HOME='" + cacheHome.string() + "' '" FONT_METRICS_PROBE
                                "' Arial 'Liberation Serif' 'DejaVu Sans' 'Some Display Face Nobody Has'";
    std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
    ProbeRun run;
    const std::size_t last = output.rfind("fontconfig ");
    EXPECT_NE(last, std::string::npos) << output;
    if (last == std::string::npos) return run;
    run.widths = output.substr(0, last);
    run.fontconfigLoaded = output.compare(last, std::string::npos, "fontconfig loaded\n") == 0;
    return run;
}

TEST_F(FontMetricsCacheTest, ConversionsMeasureTheSameWithOrWithoutTheCache) {
    const fs::path home = folder_ / "cache-home";
    const fs::path file = home / "brindlemoor" / "font-metrics";

    const ProbeRun first = probe(home);
    EXPECT_TRUE(first.fontconfigLoaded);
    ASSERT_FALSE(first.widths.empty());
    ASSERT_TRUE(fs::exists(file));

    const ProbeRun cached = probe(home);
    EXPECT_FALSE(cached.fontconfigLoaded) << "the cache should have answered";
    EXPECT_EQ(cached.widths, first.widths);

    // A damaged cache: measured again, same widths.
    std::string text = read(file);
    write(file, text.substr(0, text.size() / 2));
    const ProbeRun afterDamage = probe(home);
    EXPECT_TRUE(afterDamage.fontconfigLoaded);
    EXPECT_EQ(afterDamage.widths, first.widths);

    // A cache of another configuration holding other widths: not used.
    {
        FontMetricsCache stale(file, "another configuration");
        for (const char* family : {"arial", "liberation serif", "dejavu sans", "some display face nobody has"})
            stale.remember(family, {0.9, ""});
    }
    const ProbeRun afterStale = probe(home);
    EXPECT_TRUE(afterStale.fontconfigLoaded);
    EXPECT_EQ(afterStale.widths, first.widths);

    // And the run in this process, which may have used any cache, agrees.
    const FaceMetrics measured = measureFace("Arial");
    EXPECT_EQ(digitWidthPt(Font{}), measured.em.value_or(0.556) * 10);
    EXPECT_EQ(faceMetrics("Arial"), measured);
}

}  // namespace
}  // namespace brindlemoor::office::xls
