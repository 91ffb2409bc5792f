// The pull reader: names resolved through the prefixes in scope, the errors a
// document with bad prefixes gets, and the same events however the input is
// cut into chunks.
#include "office/model/conversion_error.h"
#include "office/ods/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace brindlemoor::office::testing {
namespace {

using ods::Ns;
using ods::XmlEvent;
using ods::XmlReader;

constexpr const char* kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr const char* kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr const char* kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";

// A source that hands out the text at most `chunk` bytes at a time.
ods::ChunkSource sourceOf(std::string text, std::size_t chunk = 64 * 1024) {
    auto data = std::make_shared<std::string>(std::move(text));
    auto at = std::make_shared<std::size_t>(0);
    return [data, at, chunk](char* buffer, std::size_t size) {
        const std::size_t n = std::min({chunk, size, data->size() - *at});
        std::memcpy(buffer, data->data() + *at, n);
        *at += n;
        return n;
    };
}

const char* nameOf(Ns ns) {
    switch (ns) {
    case Ns::None: return "-";
    case Ns::Office: return "office";
    case Ns::Table: return "table";
    case Ns::Text: return "text";
    case Ns::Style: return "style";
    case Ns::Fo: return "fo";
    case Ns::Svg: return "svg";
    default: return "other";
    }
}

// Every event, one per line: "<ns:local a=ns:local=value ...", ">ns:local" or "'text".
std::string events(std::string document, std::size_t chunk = 64 * 1024,
                   std::initializer_list<std::pair<Ns, const char*>> attributes = {}) {
    XmlReader xml("content.xml", sourceOf(std::move(document), chunk));
    std::string out;
    for (XmlEvent event = xml.next(); event != XmlEvent::Eof; event = xml.next()) {
        if (event == XmlEvent::Text) {
            out += "'" + std::string(xml.text()) + "\n";
            continue;
        }
        out += (event == XmlEvent::Start ? "<" : ">") + std::string(nameOf(xml.ns())) + ":" + std::string(xml.local());
        if (event == XmlEvent::Start) {
            for (const auto& [ns, local] : attributes) {
                if (auto value = xml.attribute(ns, local)) out += " " + std::string(nameOf(ns)) + ":" + local + "=" + std::string(*value);
            }
        }
        out += "\n";
    }
    return out;
}

std::string failure(std::string document) {
    try {
        events(std::move(document));
    } catch (const ConversionError& error) {
        return error.what();
    }
    return {};
}

TEST(XmlNames, PrefixesResolveThroughTheDeclarationsInScope) {
    // Any prefix may stand for a vocabulary; a nested declaration shadows an
    // outer one only inside its element.
    const std::string document = std::string("<o:doc xmlns:o=\"") + kOffice + "\" xmlns:t=\"" + kTable + "\">" +
                                 "<t:cell t:name=\"a\" o:value=\"1\"/>" +
                                 "<t:row xmlns:t=\"" + kText + "\"><t:p t:name=\"b\">x</t:p></t:row>" +
                                 "<t:cell t:name=\"c\"/></o:doc>";
    EXPECT_EQ(events(document, 64 * 1024, {{Ns::Table, "name"}, {Ns::Text, "name"}, {Ns::Office, "value"}}),
              "<office:doc\n"
              "<table:cell table:name=a office:value=1\n>table:cell\n"
              "<text:row\n<text:p text:name=b\n'x\n>text:p\n>text:row\n"
              "<table:cell table:name=c\n>table:cell\n"
              ">office:doc\n");
}

TEST(XmlNames, DefaultNamespaceAppliesToElementsOnly) {
    const std::string document = std::string("<doc xmlns=\"") + kOffice + "\" xmlns:t=\"" + kTable + "\">" +
                                 "<body name=\"n\" t:name=\"q\"/>" +
                                 "<inner xmlns=\"\"><plain/></inner>" +
                                 "<after xmlns:o=\"urn:unknown\"><o:thing/></after></doc>";
    EXPECT_EQ(events(document, 64 * 1024, {{Ns::None, "name"}, {Ns::Table, "name"}, {Ns::None, "xmlns"}, {Ns::None, "t"}}),
              "<office:doc\n"
              "<office:body -:name=n table:name=q\n>office:body\n"
              "<-:inner\n<-:plain\n>-:plain\n>-:inner\n"
              "<office:after\n<-:thing\n>-:thing\n>office:after\n"
              ">office:doc\n")
        << "declarations are not attributes; an unknown vocabulary reads as no namespace";
}

TEST(XmlNames, OlderVocabulariesMapOntoTheCurrentOnes) {
    const std::string document =
        "<office:document-content xmlns:office=\"http://openoffice.org/2000/office\" "
        "xmlns:style=\"http://openoffice.org/2000/style\" xmlns:table=\"http://openoffice.org/2000/table\" "
        "xmlns:fo=\"http://www.w3.org/1999/XSL/Format\">"
        "<office:font-decls><style:font-decl style:name=\"Arial\" fo:font-family=\"Arial\"/></office:font-decls>"
        "<table:table-cell table:value-type=\"float\" table:value=\"2\"/>"
        "<table:table-row table:value=\"3\"/></office:document-content>";
    EXPECT_EQ(events(document, 64 * 1024, {{Ns::Svg, "font-family"}, {Ns::Office, "value"}, {Ns::Table, "value"}}),
              "<office:document-content\n"
              "<office:font-face-decls\n<style:font-face svg:font-family=Arial\n>style:font-face\n>office:font-face-decls\n"
              "<table:table-cell office:value=2\n>table:table-cell\n"
              "<table:table-row table:value=3\n>table:table-row\n"
              ">office:document-content\n");
    XmlReader xml("content.xml", sourceOf(document));
    xml.next();
    EXPECT_TRUE(xml.legacy());
}

TEST(XmlNames, EventsDoNotDependOnHowTheInputIsCut) {
    std::string document = std::string("<office:doc xmlns:office=\"") + kOffice + "\" xmlns:table=\"" + kTable +
                           "\" xmlns:text=\"" + kText + "\">";
    for (int row = 0; row < 40; ++row) {
        document += "<table:table-row table:style-name=\"ro" + std::to_string(row % 3) + "\">";
        for (int column = 0; column < 5; ++column) {
            document += "<table:table-cell office:value=\"" + std::to_string(row * column) +
                        "\"><text:p>v&amp;" + std::to_string(column) + "</text:p></table:table-cell>";
        }
        document += "</table:table-row>";
    }
    document += "</office:doc>";
    const auto whole = events(document, 1 << 20, {{Ns::Table, "style-name"}, {Ns::Office, "value"}});
    EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'), 2 + 40 * 2 + 40 * 5 * 5);
    for (std::size_t chunk : {1u, 7u, 4096u}) {
        EXPECT_EQ(events(document, chunk, {{Ns::Table, "style-name"}, {Ns::Office, "value"}}), whole) << "chunk " << chunk;
    }
}

TEST(XmlNames, BadPrefixesAreMalformedDocuments) {
    const std::string declared = std::string(" xmlns:table=\"") + kTable + "\"";
    EXPECT_EQ(failure("<doc>\n<table:row/></doc>"), "content.xml (line 2): malformed XML: unbound prefix \"table\"");
    EXPECT_EQ(failure("<doc" + declared + "><table:row bogus:x=\"1\"/></doc>"),
              "content.xml (line 1): malformed XML: unbound prefix \"bogus\"");
    EXPECT_EQ(failure("<doc><inner" + declared + "/><table:row/></doc>"),
              "content.xml (line 1): malformed XML: unbound prefix \"table\"")
        << "a declaration ends with its element";
    EXPECT_EQ(failure("<doc" + declared + "><table:row xmlns:table=\"\"/></doc>"),
              "content.xml (line 1): malformed XML: the prefix \"table\" is undeclared");
    EXPECT_EQ(failure("<doc xmlns:xmlns=\"urn:x\"/>"), "content.xml (line 1): malformed XML: the prefix \"xmlns\" cannot be declared");
    EXPECT_EQ(failure("<doc" + declared + "><table:row:x/></doc>"),
              "content.xml (line 1): malformed XML: \"table:row:x\" is not a well-formed qualified name");
    EXPECT_EQ(failure("<doc xml:lang=\"en\"" + declared + "><table:row/></doc>"), "") << "xml is always bound";
}

// The parser runs ahead of the caller by a whole chunk: what the caller sees
// must not show it. The events before a fault come first, the fault when the
// caller reaches it, and each event reports its own line.
TEST(XmlNames, ParsingAheadIsNotVisibleToTheCaller) {
    const std::string document = std::string("<office:doc xmlns:office=\"") + kOffice + "\">\n<office:a/>\n<office:b>x</office:b>\n<office:c></office:d>";
    XmlReader xml("content.xml", sourceOf(document));
    ASSERT_EQ(xml.next(), XmlEvent::Start);
    EXPECT_EQ(xml.line(), 1);
    ASSERT_EQ(xml.next(), XmlEvent::Text);
    ASSERT_EQ(xml.next(), XmlEvent::Start);
    EXPECT_EQ(xml.local(), "a");
    EXPECT_EQ(xml.line(), 2);
    ASSERT_EQ(xml.next(), XmlEvent::End);
    ASSERT_EQ(xml.next(), XmlEvent::Text);
    ASSERT_EQ(xml.next(), XmlEvent::Start);
    EXPECT_EQ(xml.local(), "b");
    EXPECT_EQ(xml.readText(), "x");
    try {
        xml.fail("b is wrong");
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "content.xml (line 3): b is wrong");
    }
    ASSERT_EQ(xml.next(), XmlEvent::Text);
    ASSERT_EQ(xml.next(), XmlEvent::Start);
    EXPECT_EQ(xml.local(), "c");
    try {
        xml.next();
        ADD_FAILURE() << "the mismatched end tag is not reported";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "content.xml (line 4): malformed XML: mismatched tag");
    }
}

// Parts of sizes around where parsing moves to a thread of its own, each
// with a value and a text many times larger than the input parsed at a time
// here, so that the batches grow past their first size before and after the
// move: every event, value and text arrives whole and in order. An empty part
// is a malformed document, not an empty one.
TEST(XmlNames, PartsOfEverySizeAroundTheMoveToParsingAhead) {
    const std::string bigValue(40000, 'v');
    const std::string bigText(70000, 't');
    for (std::size_t target : {std::size_t{6000}, std::size_t{200000}, std::size_t{256 * 1024}, std::size_t{300000}}) {
        std::string document = std::string("<office:doc xmlns:office=\"") + kOffice + "\">";
        document += "<office:big office:v=\"" + bigValue + "\">" + bigText + "</office:big>";
        int cells = 0;
        while (document.size() < target) document += "<office:c office:n=\"" + std::to_string(cells++) + "\"/>";
        document += "<office:big office:v=\"" + bigValue + "\">" + bigText + "</office:big></office:doc>";
        XmlReader xml("content.xml", sourceOf(document, 3000));
        ASSERT_EQ(xml.next(), XmlEvent::Start);
        int seen = 0;
        int bigs = 0;
        while (xml.nextChild()) {
            if (xml.local() == "big") {
                ++bigs;
                const std::string value(xml.attribute(Ns::Office, "v").value_or(""));
                EXPECT_EQ(xml.readText(), bigText) << target;
                EXPECT_EQ(value, bigValue) << target;
            } else {
                EXPECT_EQ(xml.attribute(Ns::Office, "n"), std::to_string(seen)) << target;
                ++seen;
                xml.skipElement();
            }
        }
        EXPECT_EQ(bigs, 2) << target;
        EXPECT_EQ(seen, cells) << target;
        EXPECT_EQ(xml.next(), XmlEvent::Eof);
    }
    EXPECT_EQ(failure(""), "content.xml (line 1): malformed XML: no element found");
}

// Many events from one chunk (an empty element takes four bytes) and long
// text cut into pieces: nothing is lost or reordered.
TEST(XmlNames, DenseAndLongContentComesThroughWhole) {
    std::string document = std::string("<office:doc xmlns:office=\"") + kOffice + "\">";
    for (int i = 0; i < 50000; ++i) document += "<e/>";
    const std::string longText(3u << 20, 'q');
    document += "<office:t>" + longText + "</office:t></office:doc>";
    XmlReader xml("content.xml", sourceOf(document));
    ASSERT_EQ(xml.next(), XmlEvent::Start);
    int empties = 0;
    while (xml.nextChild()) {
        if (xml.local() == "e") {
            ++empties;
            xml.skipElement();
        } else {
            EXPECT_EQ(xml.readText(), longText);
        }
    }
    EXPECT_EQ(empties, 50000);
    EXPECT_EQ(xml.next(), XmlEvent::Eof);
}

// Values and texts of every size, on a part large enough to be parsed ahead
// through many batches: each event's attributes and text are its own, read
// back exactly, and a value stays valid while its element is the current one.
TEST(XmlNames, ValuesAndTextsOfEveryEventComeBackExactly) {
    std::string document = std::string("<office:doc xmlns:office=\"") + kOffice + "\" xmlns:table=\"" + kTable + "\">";
    const auto valueOf = [](int i) { return std::to_string(i) + std::string(static_cast<std::size_t>(i % 41), static_cast<char>('a' + i % 26)); };
    constexpr int kCells = 40000;
    for (int i = 0; i < kCells; ++i) {
        document += "<table:c table:v=\"" + valueOf(i) + "\"";
        if (i % 3 == 0) document += " office:w=\"" + std::to_string(-i) + "\" table:x=\"&amp;" + std::to_string(i) + "\"";
        document += ">";
        if (i % 2 == 0) document += "t" + valueOf(i + 1);
        document += "</table:c>";
    }
    document += "</office:doc>";
    XmlReader xml("content.xml", sourceOf(document, 1000));
    ASSERT_EQ(xml.next(), XmlEvent::Start);
    int seen = 0;
    while (xml.nextChild()) {
        const int i = seen++;
        const std::optional<std::string_view> value = xml.attribute(Ns::Table, "v");
        ASSERT_TRUE(value.has_value()) << i;
        EXPECT_EQ(xml.attribute(Ns::Office, "v"), std::nullopt);
        if (i % 3 == 0) {
            EXPECT_EQ(xml.attribute(Ns::Office, "w"), std::to_string(-i));
            EXPECT_EQ(xml.attribute(Ns::Table, "x"), "&" + std::to_string(i));
        } else {
            EXPECT_EQ(xml.attribute(Ns::Office, "w"), std::nullopt);
        }
        const std::string expectedText = i % 2 == 0 ? "t" + valueOf(i + 1) : "";
        std::string text;
        for (XmlEvent event = xml.next(); event != XmlEvent::End; event = xml.next()) {
            ASSERT_EQ(event, XmlEvent::Text);
            text += xml.text();
        }
        EXPECT_EQ(text, expectedText) << i;
        ASSERT_EQ(*value, valueOf(i)) << i;  // read after the element's text and end
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(seen, kCells);
    EXPECT_EQ(xml.next(), XmlEvent::Eof);
}

}  // namespace
}  // namespace brindlemoor::office::testing
