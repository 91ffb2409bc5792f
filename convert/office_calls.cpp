#include "convert/office_calls.h"

namespace brindlemoor::convert {

using office::bridge::AutomationError;
using office::bridge::call;
using office::bridge::Value;
using office::bridge::ValueList;

namespace {

void put(const ObjectRef& object, std::string_view property, const Value& value) {
    if (!object) throw AutomationError(office::bridge::error::kObjectNotSet, "Object variable or With block variable not set");
    object->put(property, value);
}

}  // namespace

ObjectRef createInstance(const ObjectRef& serviceManager, const std::string& service) {
    return call(serviceManager, "createInstance", {service}).object();
}

ObjectRef loadComponent(const ObjectRef& desktop, const std::string& url) {
    return call(desktop, "loadComponentFromURL", {url, "_blank", std::int32_t{0}, Value{}}).object();
}

ObjectRef currentController(const ObjectRef& document) { return call(document, "getCurrentController").object(); }

ObjectRef frameOf(const ObjectRef& controller) { return call(controller, "getFrame").object(); }

Value makePropertyValue(const platform::AutomationRegistry& registry, const std::string& name, const Value& value) {
    const ObjectRef serviceManager = registry.create("com.sun.star.ServiceManager");
    const ObjectRef property = call(serviceManager, "Bridge_GetStruct", {"com.sun.star.beans.PropertyValue"}).object();
    put(property, "name", name);
    put(property, "Value", value);
    return property;
}

void saveAs(const ObjectRef& dispatcher, const ObjectRef& frame, const ValueList& arguments) {
    call(dispatcher, "executeDispatch", {frame, ".uno:SaveAs", "", std::int32_t{0}, arguments});
}

void closeDocument(const ObjectRef& document) { call(document, "Close", {true}); }

}  // namespace brindlemoor::convert
