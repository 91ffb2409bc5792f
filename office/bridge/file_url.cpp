#include "office/bridge/file_url.h"

#include <cctype>

namespace brindlemoor::office::bridge {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        const char decoded = static_cast<char>(high * 16 + low);
        if (decoded == '\0') return std::nullopt;  // a NUL would cut the path short
        out += decoded;
        i += 2;
    }
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

bool isDriveForm(std::string_view path) {
    return path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) &&
           (path[2] == ':' || path[2] == '|');
}

}  // namespace

std::optional<std::filesystem::path> pathFromFileUrl(std::string_view url) {
    constexpr std::string_view scheme = "file://";
    if (!startsWithNoCase(url, scheme)) return std::nullopt;
    std::string_view rest = url.substr(scheme.size());
    std::string prefix;
    if (!rest.starts_with('/')) {
        const auto slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        if (host.empty()) return std::nullopt;
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
        if (!startsWithNoCase(host, "localhost") || host.size() != 9) prefix = "//" + std::string(host);
    }
    auto decoded = percentDecode(rest);
    if (!decoded || (decoded->empty() && prefix.empty())) return std::nullopt;
    if (prefix.empty() && isDriveForm(*decoded)) {
        decoded->erase(0, 1);
        if ((*decoded)[1] == '|') (*decoded)[1] = ':';
    }
    return std::filesystem::path(prefix + *decoded);
}

std::string fileUrlFromPath(std::string_view path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    // A Windows drive path gets the third slash: file:///C:/...
    if (!path.starts_with('/')) url += '/';
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~' || c == ':') {
            url += c;
        } else {
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 0x0F];
        }
    }
    return url;
}

}  // namespace brindlemoor::office::bridge
