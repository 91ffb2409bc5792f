#include "office/bridge/file_url.h"
#include "office/bridge/office_objects.h"
#include "support/ods_builder.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::bridge {
namespace {

using testing::TempFolder;

ObjectRef propertyValue(const std::string& name, const Value& value) {
    auto property = std::make_shared<PropertyValue>();
    property->put("name", name);  // the lower-case spelling callers use
    property->put("Value", value);
    return property;
}

int automationErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AutomationError& error) {
        return error.number();
    }
    return 0;
}

// Runs the conversion the window sends: load, controller, frame, SaveAs, close.
void convertLikeTheWindow(const std::filesystem::path& source, const std::filesystem::path& target,
                          const std::string& filter = "MS Excel 97") {
    const ObjectRef manager = std::make_shared<ServiceManager>();
    const ObjectRef desktop = call(manager, "createInstance", {"com.sun.star.frame.Desktop"}).object();
    const ObjectRef document =
        call(desktop, "loadComponentFromURL", {fileUrlFromPath(source.string()), "_blank", std::int32_t{0}, ValueList{}})
            .object();
    const ObjectRef dispatcher = call(manager, "createInstance", {"com.sun.star.frame.DispatchHelper"}).object();
    const ObjectRef frame = call(call(document, "getCurrentController").object(), "getFrame").object();
    const ValueList saveArguments{call(manager, "Bridge_GetStruct", {"com.sun.star.beans.PropertyValue"}).object(),
                                  propertyValue("FilterName", filter)};
    call(saveArguments[0].object(), "Value");  // a fresh struct answers its members
    saveArguments[0].object()->put("Name", "URL");
    saveArguments[0].object()->put("Value", fileUrlFromPath(target.string()));
    call(dispatcher, "executeDispatch", {frame, ".uno:SaveAs", "", std::int32_t{0}, saveArguments});
    call(document, "Close", {true});
}

TEST(OfficeObjects, MembersAreFoundWithoutRegardToCase) {
    const ObjectRef manager = std::make_shared<ServiceManager>();
    EXPECT_NE(call(manager, "CREATEINSTANCE", {"com.sun.star.frame.Desktop"}).object(), nullptr);
    EXPECT_NE(call(manager, "bridge_getstruct", {"com.sun.star.beans.PropertyValue"}).object(), nullptr);
    EXPECT_EQ(automationErrorOf([&] { call(manager, "createInstance", {"com.sun.star.frame.Nothing"}); }),
              error::kServerException);
    EXPECT_EQ(automationErrorOf([&] { call(manager, "loadComponentFromURL", {}); }), error::kMemberNotSupported);
    EXPECT_EQ(automationErrorOf([&] { call(nullptr, "getFrame"); }), error::kObjectNotSet);
    EXPECT_EQ(automationErrorOf([&] { call(manager, "createInstance", {std::int32_t{3}}); }), error::kTypeMismatch);
}

TEST(OfficeObjects, PropertyValueKeepsNameAndValue) {
    auto property = std::make_shared<PropertyValue>();
    property->put("name", "URL");
    property->put("Value", "file:///tmp/x.xls");
    EXPECT_EQ(property->invoke("Name", {}).text(), "URL");
    EXPECT_EQ(property->invoke("value", {}).text(), "file:///tmp/x.xls");
    EXPECT_EQ(automationErrorOf([&] { property->put("Colour", "red"); }), error::kMemberNotSupported);
}

TEST(OfficeObjects, LoadingABadFileFailsAtTheLoadWithItsCause) {
    TempFolder folder;
    const ObjectRef desktop = std::make_shared<Desktop>();
    try {
        call(desktop, "loadComponentFromURL",
             {fileUrlFromPath((folder / "missing.ods").string()), "_blank", std::int32_t{0}, ValueList{}});
        FAIL() << "loading a missing file succeeded";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), error::kServerException);
        EXPECT_NE(std::string(error.what()).find("missing.ods"), std::string::npos) << error.what();
    }
    EXPECT_EQ(automationErrorOf([&] { call(desktop, "loadComponentFromURL", {"http://x/a.ods", "_blank", 0, ValueList{}}); }),
              error::kServerException);
}

TEST(OfficeObjects, SaveAsWritesTheWorkbookAtAnEncodedUrl) {
    TempFolder folder;
    const auto source = folder / "in #1 100%.ods";
    testing::writeOds(source, R"(<table:table table:name="Data"><table:table-row>
        <table:table-cell office:value-type="float" office:value="42"><text:p>42</text:p></table:table-cell>
        </table:table-row></table:table>)");
    const auto target = folder / "out put #1.xls";
    convertLikeTheWindow(source, target);
    ASSERT_TRUE(std::filesystem::exists(target));
    EXPECT_GT(std::filesystem::file_size(target), 512u);
}

TEST(OfficeObjects, SaveAsRefusesOtherFiltersAndCommands) {
    TempFolder folder;
    const auto source = folder / "a.ods";
    testing::writeOds(source, R"(<table:table table:name="S"/>)");
    EXPECT_EQ(automationErrorOf([&] { convertLikeTheWindow(source, folder / "a.pdf", "calc_pdf_Export"); }),
              error::kServerException);
    EXPECT_FALSE(std::filesystem::exists(folder / "a.pdf"));

    const ObjectRef desktop = std::make_shared<Desktop>();
    const ObjectRef document =
        call(desktop, "loadComponentFromURL", {fileUrlFromPath(source.string()), "_blank", std::int32_t{0}, ValueList{}})
            .object();
    const ObjectRef frame = call(call(document, "getCurrentController").object(), "getFrame").object();
    const ObjectRef dispatcher = std::make_shared<DispatchHelper>();
    try {
        call(dispatcher, "executeDispatch", {frame, ".uno:Print", "", std::int32_t{0}, ValueList{}});
        FAIL() << "an unknown command succeeded";
    } catch (const AutomationError& error) {
        EXPECT_NE(std::string(error.what()).find(".uno:Print"), std::string::npos);
    }
    call(document, "close", {true});
    EXPECT_EQ(automationErrorOf([&] { call(document, "getCurrentController"); }), error::kServerException);
}

}  // namespace
}  // namespace brindlemoor::office::bridge
