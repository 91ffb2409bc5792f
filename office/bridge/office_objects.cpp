#include "office/bridge/office_objects.h"

#include "office/bridge/file_url.h"
#include "office/ods/reader.h"
#include "office/xls/writer.h"

namespace brindlemoor::office::bridge {

namespace {

constexpr std::string_view kExcel97Filter = "MS Excel 97";

[[noreturn]] void serverError(const std::string& description) {
    throw AutomationError(error::kServerException, description);
}

std::filesystem::path localPath(const Value& url, std::string_view what) {
    auto path = pathFromFileUrl(url.text());
    if (!path) serverError("Not a file URL for the " + std::string(what) + ": " + url.text());
    return *path;
}

// The value of the PropertyValue named `name` in `args`, or nothing.
const Value* findProperty(const ValueList& args, std::string_view name) {
    for (const Value& arg : args) {
        const auto property = std::dynamic_pointer_cast<PropertyValue>(arg.object());
        if (property && property->name() == name) return &property->value();
    }
    return nullptr;
}

std::shared_ptr<Document> documentOf(const Value& frameArgument) {
    const auto frame = std::dynamic_pointer_cast<Frame>(frameArgument.object());
    if (!frame) throw AutomationError(error::kInvalidArgument, "executeDispatch needs the frame of a loaded document");
    return frame->document();
}

}  // namespace

Value ServiceManager::invoke(std::string_view member, const ValueList& args) {
    if (sameMember(member, "createInstance")) {
        expectArguments(member, args, 1);
        const std::string& service = args[0].text();
        if (service == "com.sun.star.frame.Desktop") return ObjectRef(std::make_shared<Desktop>());
        if (service == "com.sun.star.frame.DispatchHelper") return ObjectRef(std::make_shared<DispatchHelper>());
        serverError("Unknown service: " + service);
    }
    if (sameMember(member, "Bridge_GetStruct")) {
        expectArguments(member, args, 1);
        if (args[0].text() == "com.sun.star.beans.PropertyValue") return ObjectRef(std::make_shared<PropertyValue>());
        serverError("Unknown struct: " + args[0].text());
    }
    unknownMember(member);
}

Value Desktop::invoke(std::string_view member, const ValueList& args) {
    if (!sameMember(member, "loadComponentFromURL")) unknownMember(member);
    expectArguments(member, args, 4);
    const std::filesystem::path source = localPath(args[0], "document to load");
    try {
        Warnings warnings;
        Workbook workbook = readSpreadsheet(source, warnings);
        return ObjectRef(std::make_shared<Document>(source, std::move(workbook), std::move(warnings)));
    } catch (const ConversionError& failure) {
        serverError(failure.what());
    }
}

Document::Document(std::filesystem::path source, Workbook workbook, Warnings warnings)
    : source_(std::move(source)), workbook_(std::move(workbook)), warnings_(std::move(warnings)) {}

const Workbook& Document::workbook() const {
    if (closed_) serverError("The document " + source_.string() + " has been closed");
    return workbook_;
}

Value Document::invoke(std::string_view member, const ValueList& args) {
    if (sameMember(member, "getCurrentController")) {
        expectArguments(member, args, 0);
        if (closed_) serverError("The document " + source_.string() + " has been closed");
        return ObjectRef(std::make_shared<Controller>(shared_from_this()));
    }
    if (sameMember(member, "close")) {
        if (args.size() > 1) expectArguments(member, args, 1);
        closed_ = true;
        workbook_ = Workbook{};  // the memory goes with the window
        return {};
    }
    unknownMember(member);
}

Value Controller::invoke(std::string_view member, const ValueList& args) {
    if (!sameMember(member, "getFrame")) unknownMember(member);
    expectArguments(member, args, 0);
    return ObjectRef(std::make_shared<Frame>(document_));
}

Value Frame::invoke(std::string_view member, const ValueList& args) {
    if (sameMember(member, "getController")) {
        expectArguments(member, args, 0);
        return ObjectRef(std::make_shared<Controller>(document_));
    }
    unknownMember(member);
}

Value DispatchHelper::invoke(std::string_view member, const ValueList& args) {
    if (!sameMember(member, "executeDispatch")) unknownMember(member);
    expectArguments(member, args, 5);
    const auto document = documentOf(args[0]);
    const std::string& command = args[1].text();
    if (command != ".uno:SaveAs") serverError("Unsupported command: " + command + " (only .uno:SaveAs is available)");

    const ValueList& properties = args[4].list();
    const Value* url = findProperty(properties, "URL");
    if (!url) serverError(".uno:SaveAs needs a URL argument");
    const Value* filter = findProperty(properties, "FilterName");
    const std::string filterName = filter ? filter->text() : std::string();
    if (filterName != kExcel97Filter)
        serverError("Unsupported export filter \"" + filterName + "\" (only \"MS Excel 97\" is available)");

    const std::filesystem::path target = localPath(*url, "saved document");
    try {
        writeXls(document->workbook(), target, document->warnings());
    } catch (const ConversionError& failure) {
        serverError(failure.what());
    }
    return {};
}

Value PropertyValue::invoke(std::string_view member, const ValueList& args) {
    expectArguments(member, args, 0);
    if (sameMember(member, "Name")) return name_;
    if (sameMember(member, "Value")) return value_;
    if (sameMember(member, "Handle")) return handle_;
    if (sameMember(member, "State")) return state_;
    unknownMember(member);
}

void PropertyValue::put(std::string_view property, const Value& value) {
    if (sameMember(property, "Name")) name_ = value.text();
    else if (sameMember(property, "Value")) value_ = value;
    else if (sameMember(property, "Handle")) handle_ = value.integer();
    else if (sameMember(property, "State")) state_ = value.integer();
    else unknownMember(property);
}

Value ExcelApplication::invoke(std::string_view member, const ValueList& args) {
    if (sameMember(member, "Version")) {
        expectArguments(member, args, 0);
        return "8.0";
    }
    if (sameMember(member, "Quit")) return {};
    unknownMember(member);
}

}  // namespace brindlemoor::office::bridge
