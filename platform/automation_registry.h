// Which automation classes this machine can create, by programmatic
// identifier: the stand-in for the system's class registration.
#pragma once

#include "office/bridge/automation.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace brindlemoor::platform {

class AutomationRegistry {
public:
    using Factory = std::function<office::bridge::ObjectRef()>;

    // The registrations of this machine: the embedded engine answers for
    // "com.sun.star.ServiceManager" and "Excel.Application", less every
    // identifier named in the comma-separated environment variable
    // BRINDLEMOOR_UNREGISTER.
    static AutomationRegistry& system();
    // Both identifiers registered to the embedded engine.
    static AutomationRegistry withEmbeddedEngine();

    void add(const std::string& progId, Factory factory);
    void remove(std::string_view progId);
    bool contains(std::string_view progId) const;

    // Throws AutomationError 429 when nothing is registered under `progId`.
    office::bridge::ObjectRef create(std::string_view progId) const;

private:
    std::map<std::string, Factory, std::less<>> factories_;
};

}  // namespace brindlemoor::platform
