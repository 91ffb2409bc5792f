#include "office/xls/compound_file.h"

#include "office/model/conversion_error.h"

#include <gsf/gsf.h>

#include <memory>
#include <mutex>

namespace brindlemoor::office::xls {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { if (object) g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

// libgsf registers its object types and builds its property-name tables
// lazily, without locks; two conversions writing their first file at the
// same moment corrupt them. Types are made here once, and the summary
// writer, which uses those tables every time, runs under one lock.
std::mutex summaryWriterLock;

void initialiseGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        GPtr<GsfOutput> memory(gsf_output_memory_new());
        GPtr<GsfOutfile> ole(gsf_outfile_msole_new(memory.get()));
        GPtr<GsfOutput> child(gsf_outfile_new_child(ole.get(), "warm-up", FALSE));
        gsf_output_close(child.get());
        gsf_output_close(GSF_OUTPUT(ole.get()));
        g_type_ensure(GSF_TIMESTAMP_TYPE);
        g_type_ensure(GSF_DOCPROP_VECTOR_TYPE);
        g_type_ensure(GSF_OUTPUT_STDIO_TYPE);
    });
}

void insertText(GsfDocMetaData* meta, const char* name, const std::string& value) {
    if (value.empty()) return;
    GValue* v = g_new0(GValue, 1);
    g_value_init(v, G_TYPE_STRING);
    g_value_set_string(v, value.c_str());
    gsf_doc_meta_data_insert(meta, g_strdup(name), v);
}

void insertTime(GsfDocMetaData* meta, const char* name, const std::string& iso) {
    // meta.xml may carry fractions of a second, which the parser refuses.
    if (iso.size() < 19) return;
    GsfTimestamp* stamp = gsf_timestamp_new();
    if (gsf_timestamp_load_from_string(stamp, iso.substr(0, 19).c_str())) {
        GValue* v = g_new0(GValue, 1);
        g_value_init(v, GSF_TIMESTAMP_TYPE);
        gsf_timestamp_to_value(stamp, v);
        gsf_doc_meta_data_insert(meta, g_strdup(name), v);
    }
    gsf_timestamp_free(stamp);
}

[[noreturn]] void fail(const std::string& name, GsfOutput* output) {
    const GError* error = output ? gsf_output_error(output) : nullptr;
    throw ConversionError("cannot write " + name + ": " + (error && error->message ? error->message : "write failed"));
}

void writeStream(GsfOutfile* ole, const char* streamName, const std::string& name,
                 std::initializer_list<const BiffStream*> parts) {
    GPtr<GsfOutput> stream(gsf_outfile_new_child(ole, streamName, FALSE));
    if (!stream) fail(name, GSF_OUTPUT(ole));
    // Slices of a megabyte at most: a failure is caught early, and a stream
    // that spilled to a file is read back a slice at a time.
    for (const BiffStream* bytes : parts) {
        bytes->copyTo([&](std::span<const std::uint8_t> slice) {
            if (!gsf_output_write(stream.get(), slice.size(), slice.data())) fail(name, stream.get());
        });
    }
    if (!gsf_output_close(stream.get())) fail(name, stream.get());
}

void writeSummary(GsfOutfile* ole, const char* streamName, const std::string& name, GsfDocMetaData* meta,
                  bool documentSummary) {
    GPtr<GsfOutput> stream(gsf_outfile_new_child(ole, streamName, FALSE));
    if (!stream) fail(name, GSF_OUTPUT(ole));
    std::lock_guard lock(summaryWriterLock);
    if (!gsf_doc_meta_data_write_to_msole(meta, stream.get(), documentSummary)) fail(name, stream.get());
    if (!gsf_output_close(stream.get())) fail(name, stream.get());
}

}  // namespace

void writeCompoundFile(std::FILE* file, const std::string& name, std::initializer_list<const BiffStream*> workbookStream,
                       const DocumentProperties& properties) {
    initialiseGsf();
    GPtr<GsfOutput> sink(gsf_output_stdio_new_FILE(name.c_str(), file, TRUE));
    if (!sink) throw ConversionError("cannot write " + name);
    GPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
    if (!ole) fail(name, sink.get());

    writeStream(ole.get(), "Workbook", name, workbookStream);

    GPtr<GsfDocMetaData> meta(gsf_doc_meta_data_new());
    insertText(meta.get(), GSF_META_NAME_TITLE, properties.title);
    insertText(meta.get(), GSF_META_NAME_SUBJECT, properties.subject);
    insertText(meta.get(), GSF_META_NAME_CREATOR, properties.author);
    insertText(meta.get(), GSF_META_NAME_KEYWORDS, properties.keywords);
    insertText(meta.get(), GSF_META_NAME_DESCRIPTION, properties.description);
    insertTime(meta.get(), GSF_META_NAME_DATE_CREATED, properties.created);
    insertTime(meta.get(), GSF_META_NAME_DATE_MODIFIED, properties.modified);
    writeSummary(ole.get(), "\005SummaryInformation", name, meta.get(), false);
    writeSummary(ole.get(), "\005DocumentSummaryInformation", name, meta.get(), true);

    if (!gsf_output_close(GSF_OUTPUT(ole.get()))) fail(name, GSF_OUTPUT(ole.get()));
    if (!gsf_output_is_closed(sink.get()) && !gsf_output_close(sink.get())) fail(name, sink.get());
}

}  // namespace brindlemoor::office::xls
