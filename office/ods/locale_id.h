// Windows locale identifiers (LCIDs) of the languages and countries a
// document names, as Excel writes them inside format codes ("[$€-407]").
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace brindlemoor::office::ods {

// The identifier of a language ("de"), with its script ("Latn") and country
// ("AT") where given, or of a BCP 47 tag ("de-AT"). Nothing when the locale
// is unknown or names a language without telling which country's variant.
std::optional<std::uint16_t> windowsLocaleId(std::string_view language, std::string_view script,
                                             std::string_view country);
std::optional<std::uint16_t> windowsLocaleIdOfTag(std::string_view languageTag);

}  // namespace brindlemoor::office::ods
