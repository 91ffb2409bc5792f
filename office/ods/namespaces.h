// The XML vocabularies the reader understands. OpenDocument and the older
// OpenOffice.org 1.x format use different namespace URIs for the same
// vocabularies; both map onto one set here so the rest of the reader is
// written once.
#pragma once

#include <cstdint>
#include <string_view>

namespace brindlemoor::office::ods {

enum class Ns : std::uint8_t {
    None,  // no namespace, or one we do not read
    Office, Style, Text, Table, Number, Fo, Svg, Meta, Dc, Xlink, Config,
    Draw, Manifest, Calcext, TableOoo, Loext, Chart, Form,
};

struct NsInfo {
    Ns ns = Ns::None;
    bool legacy = false;  // an OpenOffice.org 1.x URI
};

// The vocabulary a namespace URI stands for.
NsInfo namespaceOf(std::string_view uri);

// Element and attribute names that differ in the 1.x format are renamed to
// their OpenDocument equivalents: `element` is the enclosing element's local
// name (attributes) or empty (elements).
void normaliseLegacyName(Ns& ns, std::string_view& local, std::string_view element);

}  // namespace brindlemoor::office::ods
