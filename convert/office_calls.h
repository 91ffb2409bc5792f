// The calls of one conversion, by member name, as the office side expects
// them. Each either returns or throws the automation error it met.
#pragma once

#include "office/bridge/automation.h"
#include "platform/automation_registry.h"

#include <string>

namespace brindlemoor::convert {

using office::bridge::ObjectRef;

ObjectRef createInstance(const ObjectRef& serviceManager, const std::string& service);
// Loads the document at `url` into a new frame, with no load arguments.
ObjectRef loadComponent(const ObjectRef& desktop, const std::string& url);
ObjectRef currentController(const ObjectRef& document);
ObjectRef frameOf(const ObjectRef& controller);
// A "com.sun.star.beans.PropertyValue" from a service manager of its own,
// with members "name" and "Value" set.
office::bridge::Value makePropertyValue(const platform::AutomationRegistry& registry, const std::string& name,
                                        const office::bridge::Value& value);
// ".uno:SaveAs" on `frame` with the two save arguments.
void saveAs(const ObjectRef& dispatcher, const ObjectRef& frame, const office::bridge::ValueList& arguments);
void closeDocument(const ObjectRef& document);

}  // namespace brindlemoor::convert
