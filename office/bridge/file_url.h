// File URLs as the office side receives them: "file:///home/me/a%20b.ods".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brindlemoor::office::bridge {

// The local path a file URL names, percent-decoded; empty when `url` is not a
// file URL or its escapes are malformed. "file:///C:/x" keeps the drive form
// "C:/x"; a host other than "localhost" gives a network path "//host/...".
std::optional<std::filesystem::path> pathFromFileUrl(std::string_view url);

// A file URL for an absolute path, percent-encoding everything but unreserved
// characters and "/", so "#", "%", spaces and non-ASCII survive the trip.
std::string fileUrlFromPath(std::string_view path);

}  // namespace brindlemoor::office::bridge
