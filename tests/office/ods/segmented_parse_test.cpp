// A part read in segments by several parsers must give exactly the events,
// lines and faults of one parser reading it all, wherever the cuts fall:
// inside comments and CDATA that spell a row's tag, between attributes, in
// rows under other namespaces or in other elements, and with faults or the
// nesting bound past the first segment. Segments here are a few hundred
// bytes, so that small documents are cut many times.
#include "office/model/conversion_error.h"
#include "office/ods/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace brindlemoor::office::testing {
namespace {

using ods::XmlEvent;
using ods::XmlReader;
using ods::XmlReaderShape;

constexpr const char* kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr const char* kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr const char* kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";

ods::ChunkSource sourceOf(std::string text, std::size_t chunk, std::size_t failAt = std::string::npos) {
    auto data = std::make_shared<std::string>(std::move(text));
    auto at = std::make_shared<std::size_t>(0);
    return [data, at, chunk, failAt](char* buffer, std::size_t size) {
        if (*at >= failAt) throw ConversionError("the archive is damaged (content.xml cannot be read)");
        const std::size_t n = std::min({chunk, size, data->size() - *at, failAt - *at});
        std::memcpy(buffer, data->data() + *at, n);
        *at += n;
        return n;
    };
}

XmlReaderShape sequential() {
    XmlReaderShape shape;
    shape.segmented = false;
    shape.bytesBeforeParsingAhead = std::uint64_t{1} << 40;
    return shape;
}

XmlReaderShape segmented(std::size_t segmentBytes, std::size_t batches = 2, std::size_t events = 7) {
    XmlReaderShape shape;
    shape.bytesBeforeParsingAhead = 1;
    shape.segments.segmentBytes = segmentBytes;
    shape.segments.batchesPerParser = batches;
    shape.segments.eventsPerBatch = events;
    shape.segments.readBytes = 97;
    return shape;
}

struct Reading {
    std::vector<std::string> events;  // each with its names, attributes, text and line; a fault last
    std::size_t speculated = 0;
    std::size_t handovers = 0;
};

Reading read(const std::string& document, XmlReaderShape shape, std::size_t chunk = 4096,
             std::size_t failAt = std::string::npos) {
    Reading reading;
    XmlReader xml("content.xml", sourceOf(document, chunk, failAt), shape);
    try {
        for (XmlEvent event = xml.next(); event != XmlEvent::Eof; event = xml.next()) {
            std::string line = std::to_string(xml.line()) + " ";
            if (event == XmlEvent::Text) {
                line += "text " + std::string(xml.text());
            } else {
                line += (event == XmlEvent::Start ? "start " : "end ") + std::to_string(static_cast<int>(xml.ns())) + ":" +
                        std::string(xml.local()) + (xml.legacy() ? " legacy" : "");
                if (event == XmlEvent::Start) {
                    for (const char* name : {"style-name", "number-columns-repeated", "n"}) {
                        if (auto value = xml.attribute(ods::Ns::Table, name)) line += " " + std::string(name) + "=" + std::string(*value);
                    }
                }
            }
            reading.events.push_back(std::move(line));
        }
        reading.events.push_back("eof at " + std::to_string(xml.line()));
    } catch (const ConversionError& error) {
        reading.events.push_back(std::string("fault: ") + error.what());
    }
    if (const ods::SegmentedParse* parse = xml.segmented()) {
        reading.speculated = parse->speculated();
        reading.handovers = parse->handovers();
    }
    return reading;
}

std::string head(const std::string& table = "table") {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content xmlns:office=\"") + kOffice +
           "\" xmlns:" + table + "=\"" + kTable + "\" xmlns:text=\"" + kText + "\">\n<office:body><office:spreadsheet>\n<" +
           table + ":table " + table + ":name=\"S\">\n";
}

std::string tail(const std::string& table = "table") {
    return "</" + table + ":table>\n</office:spreadsheet></office:body></office:document-content>\n";
}

// A row of a few cells, written in one of the ways real and odd documents
// write them; some spell a row's start tag where it is none.
std::string randomRow(std::mt19937& random, int number, const std::string& table = "table") {
    const std::string t = table + ":";
    std::string row;
    switch (random() % 12) {
    case 0: row += "<!-- <" + t + "table-row> in a comment -->"; break;
    case 1: row += "<" + t + "table-row-group>"; break;  // closed below
    case 2: row += "<?pi <" + t + "table-row ?>"; break;
    default: break;
    }
    const bool grouped = row.find("row-group") != std::string::npos;
    switch (random() % 6) {
    case 0: row += "<" + t + "table-row\n  " + t + "n=\"" + std::to_string(number) + "\"\r\n  " + t + "style-name=\"ro1\">"; break;
    case 1: row += "<r:table-row xmlns:r=\"" + std::string(kTable) + "\" r:n=\"" + std::to_string(number) + "\">"; break;
    case 2: row += "<" + t + "table-row xmlns:" + table + "=\"" + kTable + "\" " + t + "n=\"" + std::to_string(number) + "\">"; break;
    default: row += "<" + t + "table-row " + t + "n=\"" + std::to_string(number) + "\">";
    }
    const int cells = static_cast<int>(random() % 4);
    for (int c = 0; c < cells; ++c) {
        row += "<" + t + "table-cell " + t + "number-columns-repeated=\"" + std::to_string(random() % 3 + 1) + "\">";
        switch (random() % 6) {
        case 0: row += "<text:p>a &amp; b&#10;c\nd</text:p>"; break;
        case 1: row += "<text:p><![CDATA[<" + t + "table-row> in CDATA]]></text:p>"; break;
        case 2: row += "<text:p>" + std::string(random() % 300, 'x') + "</text:p>"; break;
        case 3: row += "<text:p>one<text:s/>two</text:p><text:p>three</text:p>"; break;
        default: row += "<text:p>" + std::to_string(random()) + "</text:p>";
        }
        row += "</" + t + "table-cell>";
    }
    row += row.find("<r:table-row") != std::string::npos ? "</r:table-row>" : "</" + t + "table-row>";
    if (grouped) row += "</" + t + "table-row-group>";
    return row + (random() % 2 ? "\n" : "");
}

std::string randomDocument(std::mt19937& random, int rows, const std::string& table = "table") {
    std::string document = head(table);
    for (int i = 0; i < rows; ++i) document += randomRow(random, i, table);
    return document + tail(table);
}

TEST(SegmentedParse, RandomDocumentsGiveTheEventsOfOneParser) {
    std::mt19937 random(20261209);
    std::size_t speculated = 0;
    std::size_t handovers = 0;
    for (int round = 0; round < 60; ++round) {
        const std::string table = round % 5 == 4 ? "ta" : "table";
        const std::string document = randomDocument(random, 40 + static_cast<int>(random() % 200), table);
        const Reading expected = read(document, sequential());
        const std::size_t segment = 1 + random() % 700;
        const std::size_t chunk = 1 + random() % 5000;
        const Reading got = read(document, segmented(segment, 1 + random() % 4, 1 + random() % 40), chunk);
        ASSERT_EQ(got.events, expected.events) << "round " << round << ", segments of " << segment << " bytes, chunks of " << chunk;
        speculated += got.speculated;
        handovers += got.handovers;
    }
    // Both ways were taken: handing over at true cuts, and throwing away
    // the parse of false ones.
    EXPECT_GT(handovers, 20u);
    EXPECT_GT(speculated, handovers);
}

TEST(SegmentedParse, PlainRowsAreHandedOverAtEveryCut) {
    std::string document = head();
    for (int i = 0; i < 2000; ++i) {
        document += "<table:table-row table:n=\"" + std::to_string(i) + "\"><table:table-cell><text:p>" +
                    std::to_string(i) + "</text:p></table:table-cell></table:table-row>\n";
    }
    document += tail();
    const Reading expected = read(document, sequential());
    const Reading got = read(document, segmented(4096, 8, 8192));
    EXPECT_EQ(got.events, expected.events);
    EXPECT_GE(got.speculated, 10u);
    EXPECT_EQ(got.handovers, got.speculated) << "every cut is a true one";
}

TEST(SegmentedParse, FaultsInLaterSegmentsKeepTheirMessagesAndLines) {
    std::mt19937 random(7);
    std::string rows;
    for (int i = 0; i < 300; ++i) rows += randomRow(random, i);
    const std::string deep = [] {
        std::string nested;
        for (int i = 0; i < 1100; ++i) nested += "<text:span>";
        return "<table:table-row><table:table-cell><text:p>" + nested + "</text:p></table:table-cell></table:table-row>\n";
    }();
    const std::vector<std::string> faults = {
        "<table:table-row><table:table-cell></table:table-row>\n",        // mismatched tag
        "<table:table-row><table:table-cell a=\"1\" a=\"2\"/></table:table-row>\n",  // duplicate attribute
        "<table:table-row><bad:cell/></table:table-row>\n",               // unbound prefix
        "<table:table-row>&undeclared;</table:table-row>\n",              // entity
        deep,                                                             // nesting bound
    };
    for (const std::string& fault : faults) {
        const std::string document = head() + rows + fault + rows + tail();
        const Reading expected = read(document, sequential());
        ASSERT_EQ(expected.events.back().rfind("fault: content.xml (line ", 0), 0u) << expected.events.back();
        for (std::size_t segment : {std::size_t{200}, std::size_t{1500}, std::size_t{20000}}) {
            const Reading got = read(document, segmented(segment), 1000);
            EXPECT_EQ(got.events, expected.events) << fault.substr(0, 60) << ", segments of " << segment;
        }
    }
}

TEST(SegmentedParse, AFailingSourceComesAfterEveryEventBeforeIt) {
    std::mt19937 random(11);
    const std::string document = randomDocument(random, 400);
    const std::size_t failAt = document.size() * 3 / 4;
    const Reading expected = read(document, sequential(), 4096, failAt);
    ASSERT_EQ(expected.events.back(), "fault: the archive is damaged (content.xml cannot be read)");
    EXPECT_EQ(read(document, segmented(300), 4096, failAt).events, expected.events);
}

TEST(SegmentedParse, DocumentsThatCannotBeCutAreReadByOneParser) {
    std::mt19937 random(3);
    std::string rows;
    for (int i = 0; i < 200; ++i) rows += randomRow(random, i);
    // A document type may declare what later text means; another encoding
    // would be read wrongly from a cut.
    std::string withDoctype = head() + rows + tail();
    withDoctype.insert(withDoctype.find('\n') + 1, "<!DOCTYPE office:document-content SYSTEM \"office.dtd\">\n");
    std::string latin1 = head() + "<table:table-row><table:table-cell><text:p>caf\xe9</text:p></table:table-cell></table:table-row>\n" +
                         rows + tail();
    latin1.replace(latin1.find("UTF-8"), 5, "ISO-8859-1");
    for (const std::string& document : {withDoctype, latin1}) {
        const Reading expected = read(document, sequential());
        const Reading got = read(document, segmented(300));
        EXPECT_EQ(got.events, expected.events);
        EXPECT_EQ(got.speculated, 0u);
    }
}

TEST(SegmentedParse, ACallerThatStopsEarlyDoesNotWait) {
    std::mt19937 random(5);
    const std::string document = randomDocument(random, 3000);
    for (int stopAfter : {1, 50, 5000, 20000}) {
        XmlReader xml("content.xml", sourceOf(document, 300), segmented(500));
        for (int i = 0; i < stopAfter; ++i) {
            if (xml.next() == XmlEvent::Eof) break;
        }
    }  // every parser and the splitter are stopped and joined here
}

}  // namespace
}  // namespace brindlemoor::office::testing
