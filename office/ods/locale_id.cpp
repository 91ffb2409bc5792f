#include "office/ods/locale_id.h"

#include <unicode/uloc.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace brindlemoor::office::ods {
namespace {

bool isTagText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    });
}

std::optional<std::uint16_t> lcidOf(const std::string& localeName) {
    const std::uint32_t lcid = uloc_getLCID(localeName.c_str());
    // A bare primary language (0x07: German) is not what Excel writes; the
    // sort bits above 16 never appear in a format code.
    if (lcid < 0x400 || lcid > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(lcid);
}

}  // namespace

std::optional<std::uint16_t> windowsLocaleId(std::string_view language, std::string_view script,
                                             std::string_view country) {
    if (language.empty() || language.size() > 8 || script.size() > 8 || country.size() > 8 ||
        !isTagText(language) || !isTagText(script) || !isTagText(country)) {
        return std::nullopt;
    }
    std::string name(language);
    if (!script.empty()) name += "_" + std::string(script);
    if (!country.empty()) name += "_" + std::string(country);
    return lcidOf(name);
}

std::optional<std::uint16_t> windowsLocaleIdOfTag(std::string_view languageTag) {
    if (languageTag.empty() || languageTag.size() > 64 || !isTagText(languageTag)) return std::nullopt;
    char name[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    const std::string tag(languageTag);
    uloc_forLanguageTag(tag.c_str(), name, sizeof name, nullptr, &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) return std::nullopt;
    return lcidOf(name);
}

}  // namespace brindlemoor::office::ods
