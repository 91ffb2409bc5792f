#include "office/bridge/file_url.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::bridge {
namespace {

struct UrlCase {
    const char* url;
    const char* path;  // nullptr: not a usable file URL
};

TEST(FileUrl, DecodesToLocalPaths) {
    const UrlCase cases[] = {
        {"file:///home/ann/Q1.ods", "/home/ann/Q1.ods"},
        {"file:///home/ann/a%20b%23c%25d.ods", "/home/ann/a b#c%d.ods"},
        {"file:///tmp/%C3%A9t%C3%A9.ods", "/tmp/\xC3\xA9t\xC3\xA9.ods"},
        {"FILE:///tmp/x.ods", "/tmp/x.ods"},
        {"file://localhost/tmp/x.ods", "/tmp/x.ods"},
        {"file:///C:/Data/Q1.ods", "C:/Data/Q1.ods"},
        {"file:///C|/Data/Q1.ods", "C:/Data/Q1.ods"},
        {"file://srv/share/a.ods", "//srv/share/a.ods"},
        {"file://///srv/share/a.ods", "///srv/share/a.ods"},
        {"http://example.org/a.ods", nullptr},
        {"file:///tmp/bad%2", nullptr},
        {"file:///tmp/bad%zz", nullptr},
        {"file:///tmp/nul%00byte", nullptr},
        {"file://", nullptr},
    };
    for (const auto& [url, path] : cases) {
        SCOPED_TRACE(url);
        const auto decoded = pathFromFileUrl(url);
        if (!path) {
            EXPECT_FALSE(decoded.has_value());
        } else {
            ASSERT_TRUE(decoded.has_value());
            EXPECT_EQ(decoded->string(), path);
        }
    }
}

TEST(FileUrl, EncodingRoundTripsAwkwardNames) {
    const char* paths[] = {"/home/ann/plain.ods", "/tmp/a b/#1 100%.ods", "/tmp/\xC3\xA9t\xC3\xA9 \xE2\x82\xAC.ods",
                           "/tmp/semi;colon?query&amp.ods", "C:/Data/Q1.ods"};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        const std::string url = fileUrlFromPath(path);
        EXPECT_EQ(url.find(' '), std::string::npos);
        EXPECT_EQ(url.find_first_of("#?&;"), std::string::npos);
        ASSERT_TRUE(pathFromFileUrl(url).has_value());
        EXPECT_EQ(pathFromFileUrl(url)->string(), path);
    }
    EXPECT_EQ(fileUrlFromPath("/tmp/a b.ods"), "file:///tmp/a%20b.ods");
    EXPECT_EQ(fileUrlFromPath("C:/x.ods"), "file:///C:/x.ods");
}

}  // namespace
}  // namespace brindlemoor::office::bridge
