#include "office/ods/namespaces.h"

#include <array>

namespace brindlemoor::office::ods {
namespace {

struct UriEntry {
    std::string_view uri;
    NsInfo info;
};

constexpr std::array kUris{
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:office:1.0", {Ns::Office, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:style:1.0", {Ns::Style, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:text:1.0", {Ns::Text, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:table:1.0", {Ns::Table, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0", {Ns::Number, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0", {Ns::Fo, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0", {Ns::Svg, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:meta:1.0", {Ns::Meta, false}},
    UriEntry{"http://purl.org/dc/elements/1.1/", {Ns::Dc, false}},
    UriEntry{"http://www.w3.org/1999/xlink", {Ns::Xlink, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:config:1.0", {Ns::Config, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0", {Ns::Draw, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0", {Ns::Manifest, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:chart:1.0", {Ns::Chart, false}},
    UriEntry{"urn:oasis:names:tc:opendocument:xmlns:form:1.0", {Ns::Form, false}},
    UriEntry{"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0", {Ns::Calcext, false}},
    UriEntry{"urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0", {Ns::Loext, false}},
    UriEntry{"http://openoffice.org/2009/table", {Ns::TableOoo, false}},
    // OpenOffice.org 1.x
    UriEntry{"http://openoffice.org/2000/office", {Ns::Office, true}},
    UriEntry{"http://openoffice.org/2000/style", {Ns::Style, true}},
    UriEntry{"http://openoffice.org/2000/text", {Ns::Text, true}},
    UriEntry{"http://openoffice.org/2000/table", {Ns::Table, true}},
    UriEntry{"http://openoffice.org/2000/datastyle", {Ns::Number, true}},
    UriEntry{"http://www.w3.org/1999/XSL/Format", {Ns::Fo, true}},
    UriEntry{"http://www.w3.org/2000/svg", {Ns::Svg, true}},
    UriEntry{"http://openoffice.org/2000/meta", {Ns::Meta, true}},
    UriEntry{"http://openoffice.org/2001/config", {Ns::Config, true}},
    UriEntry{"http://openoffice.org/2000/drawing", {Ns::Draw, true}},
    UriEntry{"http://openoffice.org/2001/manifest", {Ns::Manifest, true}},
    UriEntry{"http://openoffice.org/2000/chart", {Ns::Chart, true}},
    UriEntry{"http://openoffice.org/2000/form", {Ns::Form, true}},
};

bool isCellValueAttribute(std::string_view local) {
    return local == "value-type" || local == "value" || local == "date-value" ||
           local == "time-value" || local == "boolean-value" || local == "string-value" ||
           local == "currency";
}

}  // namespace

NsInfo namespaceOf(std::string_view uri) {
    for (const auto& entry : kUris) {
        if (entry.uri.size() == uri.size() && entry.uri == uri) return entry.info;
    }
    return {};
}

void normaliseLegacyName(Ns& ns, std::string_view& local, std::string_view element) {
    if (element.empty()) {
        if (ns == Ns::Office && local == "font-decls") local = "font-face-decls";
        else if (ns == Ns::Style && local == "font-decl") local = "font-face";
        return;
    }
    // 1.x keeps a cell's value attributes in the table vocabulary.
    if (ns == Ns::Table && isCellValueAttribute(local) &&
        (element == "table-cell" || element == "covered-table-cell")) {
        ns = Ns::Office;
    } else if (ns == Ns::Fo && local == "font-family" && element == "font-decl") {
        ns = Ns::Svg;
    } else if (ns == Ns::Fo && local == "vertical-align" && element == "properties") {
        ns = Ns::Style;  // a cell's vertical alignment
    }
}

}  // namespace brindlemoor::office::ods
