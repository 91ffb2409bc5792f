// Large parts are parsed on a thread of their own, batches of events ahead of
// the caller: every event must arrive once and in order, and a fault found
// by that thread (bad XML, a failing source) must reach the caller with its
// message and line, after the events before it.
#include "office/model/conversion_error.h"
#include "office/ods/batch_queue.h"
#include "office/ods/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace brindlemoor::office::testing {
namespace {

using ods::Ns;
using ods::XmlEvent;
using ods::XmlReader;

constexpr const char* kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr const char* kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";

struct Numbered {
    int number = -1;
};

TEST(BatchQueue, HandsEveryBatchOnceAndInOrder) {
    constexpr int kCount = 20000;
    ods::BatchQueue<Numbered> queue(3);
    std::thread producer([&queue] {
        for (int i = 0; i < kCount; ++i) {
            Numbered* batch = queue.takeEmpty();
            ASSERT_NE(batch, nullptr);
            batch->number = i;
            queue.publish(batch);
        }
    });
    std::vector<int> seen;
    for (int i = 0; i < kCount; ++i) {
        Numbered* batch = queue.takeFull();
        ASSERT_NE(batch, nullptr);
        seen.push_back(batch->number);
        batch->number = -1;  // a batch handed twice would show this
        queue.recycle(batch);
    }
    producer.join();
    std::vector<int> expected(kCount);
    for (int i = 0; i < kCount; ++i) expected[i] = i;
    EXPECT_EQ(seen, expected);
}

TEST(BatchQueue, ClosingReleasesAProducerWaitingForRoom) {
    ods::BatchQueue<Numbered> queue(2);
    std::atomic<int> published = 0;
    std::thread producer([&] {
        while (Numbered* batch = queue.takeEmpty()) {
            queue.publish(batch);
            ++published;
        }
    });
    // The consumer takes nothing: the producer fills both batches and waits.
    while (published < 2) std::this_thread::yield();
    queue.close();
    producer.join();
    EXPECT_EQ(published, 2);
    EXPECT_EQ(queue.takeFull(), nullptr) << "a closed queue hands nothing out";
}

// A source over the text, at most `chunk` bytes a call, that throws once it
// has handed out `failAt` bytes.
ods::ChunkSource sourceOf(std::string text, std::size_t chunk = 64 * 1024, std::size_t failAt = std::string::npos) {
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

// Rows numbered from 0, one a line, long enough to take many chunks.
std::string rows(int count, const std::string& tail = "</office:doc>") {
    std::string document = std::string("<office:doc xmlns:office=\"") + kOffice + "\" xmlns:table=\"" + kTable + "\">\n";
    for (int i = 0; i < count; ++i) {
        document += "<table:table-row table:number=\"" + std::to_string(i) + "\"><table:table-cell>" +
                    std::to_string(i) + "</table:table-cell></table:table-row>\n";
    }
    return document + tail;
}

// Reads rows until the end or a fault; returns how many came in order.
int rowsInOrder(XmlReader& xml) {
    EXPECT_EQ(xml.next(), XmlEvent::Start);
    int count = 0;
    while (xml.nextChild()) {
        EXPECT_TRUE(xml.is(Ns::Table, "table-row"));
        EXPECT_EQ(xml.attribute(Ns::Table, "number"), std::to_string(count));
        EXPECT_TRUE(xml.nextChild());
        EXPECT_EQ(xml.readText(), std::to_string(count));
        EXPECT_FALSE(xml.nextChild());
        ++count;
    }
    return count;
}

TEST(ParsingAhead, EveryEventArrivesOnceAndInOrder) {
    for (std::size_t chunk : {std::size_t{64 * 1024}, std::size_t{997}}) {
        XmlReader xml("content.xml", sourceOf(rows(30000), chunk));
        EXPECT_EQ(rowsInOrder(xml), 30000) << "chunk " << chunk;
        EXPECT_EQ(xml.next(), XmlEvent::Eof);
        EXPECT_EQ(xml.line(), 30002);
    }
}

TEST(ParsingAhead, MalformedXmlFarInIsReportedWithItsLine) {
    XmlReader xml("content.xml", sourceOf(rows(50000, "</office:bad></office:doc>")));
    int count = -1;
    try {
        count = rowsInOrder(xml);
        ADD_FAILURE() << "the mismatched tag is not reported";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "content.xml (line 50002): malformed XML: mismatched tag");
    }
    EXPECT_EQ(count, -1);
}

TEST(ParsingAhead, AFailingSourceReachesTheCallerAfterTheEventsBeforeIt) {
    const std::string document = rows(50000);
    const std::size_t failAt = document.find("table:number=\"40000\"");
    XmlReader xml("content.xml", sourceOf(document, 4096, failAt));
    ASSERT_EQ(xml.next(), XmlEvent::Start);
    int count = 0;
    try {
        while (xml.nextChild()) {
            EXPECT_EQ(xml.attribute(Ns::Table, "number"), std::to_string(count));
            xml.skipElement();
            ++count;
        }
        ADD_FAILURE() << "the source's failure is not reported";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "the archive is damaged (content.xml cannot be read)");
    }
    EXPECT_EQ(count, 40000) << "every complete row before the failure comes first";
    EXPECT_THROW(xml.next(), ConversionError) << "the failure stays";
}

TEST(ParsingAhead, TheEventBeforeStaysReadableAcrossBatches) {
    XmlReader xml("content.xml", sourceOf(rows(30000), 1000));
    std::string_view previous;
    int checked = 0;
    for (XmlEvent event = xml.next(); event != XmlEvent::Eof; event = xml.next()) {
        if (!previous.empty()) {
            EXPECT_EQ(previous.find_first_not_of("0123456789"), std::string_view::npos);
            ++checked;
        }
        previous = event == XmlEvent::Start ? xml.attribute(Ns::Table, "number").value_or("") : std::string_view();
    }
    EXPECT_EQ(checked, 30000);
}

TEST(ParsingAhead, ACallerThatStopsEarlyDoesNotWait) {
    for (int stopAfter : {1, 5000, 40000}) {
        XmlReader xml("content.xml", sourceOf(rows(60000), 512));
        for (int i = 0; i < stopAfter; ++i) ASSERT_NE(xml.next(), XmlEvent::Eof);
    }  // each reader's thread is stopped and joined here
}

}  // namespace
}  // namespace brindlemoor::office::testing
