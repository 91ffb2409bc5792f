// The office suite's side of the automation bridge, as far as a conversion
// needs it: service manager, desktop, loaded document with its controller and
// frame, the dispatch helper that runs ".uno:SaveAs", and property structs.
#pragma once

#include "office/bridge/automation.h"
#include "office/model/conversion_error.h"
#include "office/model/workbook.h"

#include <filesystem>
#include <memory>

namespace brindlemoor::office::bridge {

// "com.sun.star.ServiceManager": createInstance and Bridge_GetStruct.
class ServiceManager : public AutomationObject {
public:
    Value invoke(std::string_view member, const ValueList& args) override;
};

// "com.sun.star.frame.Desktop": loadComponentFromURL parses the document.
class Desktop : public AutomationObject {
public:
    Value invoke(std::string_view member, const ValueList& args) override;
};

// A loaded spreadsheet document.
class Document : public AutomationObject, public std::enable_shared_from_this<Document> {
public:
    Document(std::filesystem::path source, Workbook workbook, Warnings warnings);
    Value invoke(std::string_view member, const ValueList& args) override;

    const std::filesystem::path& source() const { return source_; }
    const Workbook& workbook() const;
    // Warnings of loading and of every save so far.
    Warnings& warnings() { return warnings_; }

private:
    std::filesystem::path source_;
    Workbook workbook_;
    Warnings warnings_;
    bool closed_ = false;
};

// The document's controller; answers getFrame.
class Controller : public AutomationObject {
public:
    explicit Controller(std::shared_ptr<Document> document) : document_(std::move(document)) {}
    Value invoke(std::string_view member, const ValueList& args) override;

private:
    std::shared_ptr<Document> document_;
};

// The frame that shows a document; the target of dispatched commands.
class Frame : public AutomationObject {
public:
    explicit Frame(std::shared_ptr<Document> document) : document_(std::move(document)) {}
    Value invoke(std::string_view member, const ValueList& args) override;
    const std::shared_ptr<Document>& document() const { return document_; }

private:
    std::shared_ptr<Document> document_;
};

// "com.sun.star.frame.DispatchHelper": executeDispatch(frame, ".uno:SaveAs", "", 0, args).
class DispatchHelper : public AutomationObject {
public:
    Value invoke(std::string_view member, const ValueList& args) override;
};

// "com.sun.star.beans.PropertyValue": Name (also spelled "name"), Handle, Value, State.
class PropertyValue : public AutomationObject {
public:
    Value invoke(std::string_view member, const ValueList& args) override;
    void put(std::string_view property, const Value& value) override;

    const std::string& name() const { return name_; }
    const Value& value() const { return value_; }

private:
    std::string name_;
    Value value_;
    std::int32_t handle_ = 0;
    std::int32_t state_ = 0;
};

// "Excel.Application": the engine writes Excel 97 workbooks itself, so it
// answers for the spreadsheet application too.
class ExcelApplication : public AutomationObject {
public:
    Value invoke(std::string_view member, const ValueList& args) override;
};

}  // namespace brindlemoor::office::bridge
