#include "platform/automation_registry.h"

#include "office/bridge/office_objects.h"

#include <cstdlib>

namespace brindlemoor::platform {

using office::bridge::AutomationError;
using office::bridge::ObjectRef;

AutomationRegistry AutomationRegistry::withEmbeddedEngine() {
    AutomationRegistry registry;
    registry.add("com.sun.star.ServiceManager",
                 [] { return ObjectRef(std::make_shared<office::bridge::ServiceManager>()); });
    registry.add("Excel.Application",
                 [] { return ObjectRef(std::make_shared<office::bridge::ExcelApplication>()); });
    return registry;
}

AutomationRegistry& AutomationRegistry::system() {
    static AutomationRegistry registry = [] {
        AutomationRegistry result = withEmbeddedEngine();
        if (const char* removed = std::getenv("BRINDLEMOOR_UNREGISTER")) {
            std::string_view rest = removed;
            while (!rest.empty()) {
                const auto comma = rest.find(',');
                result.remove(rest.substr(0, comma));
                rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
            }
        }
        return result;
    }();
    return registry;
}

void AutomationRegistry::add(const std::string& progId, Factory factory) { factories_[progId] = std::move(factory); }

void AutomationRegistry::remove(std::string_view progId) {
    if (auto found = factories_.find(progId); found != factories_.end()) factories_.erase(found);
}

bool AutomationRegistry::contains(std::string_view progId) const { return factories_.find(progId) != factories_.end(); }

ObjectRef AutomationRegistry::create(std::string_view progId) const {
    const auto found = factories_.find(progId);
    if (found == factories_.end())
        throw AutomationError(office::bridge::error::kCannotCreateObject, "ActiveX component can't create object");
    return found->second();
}

}  // namespace brindlemoor::platform
