#include "office/bridge/automation.h"

#include <algorithm>
#include <cctype>

namespace brindlemoor::office::bridge {

namespace {
[[noreturn]] void typeMismatch() { throw AutomationError(error::kTypeMismatch, "Type mismatch"); }
}  // namespace

const std::string& Value::text() const {
    if (auto* s = std::get_if<std::string>(&data)) return *s;
    typeMismatch();
}

ObjectRef Value::object() const {
    if (auto* o = std::get_if<ObjectRef>(&data)) return *o;
    if (isEmpty()) return nullptr;
    typeMismatch();
}

const ValueList& Value::list() const {
    if (auto* l = std::get_if<ValueList>(&data)) return *l;
    typeMismatch();
}

std::int32_t Value::integer() const {
    if (auto* i = std::get_if<std::int32_t>(&data)) return *i;
    if (auto* d = std::get_if<double>(&data)) return static_cast<std::int32_t>(*d);
    if (auto* b = std::get_if<bool>(&data)) return *b ? -1 : 0;
    typeMismatch();
}

bool Value::boolean() const {
    if (auto* b = std::get_if<bool>(&data)) return *b;
    if (auto* i = std::get_if<std::int32_t>(&data)) return *i != 0;
    if (auto* d = std::get_if<double>(&data)) return *d != 0;
    typeMismatch();
}

void AutomationObject::put(std::string_view property, const Value&) { unknownMember(property); }

void AutomationObject::unknownMember(std::string_view member) {
    throw AutomationError(error::kMemberNotSupported,
                          "Object doesn't support this property or method: " + std::string(member));
}

void AutomationObject::expectArguments(std::string_view member, const ValueList& args, std::size_t count) {
    if (args.size() != count)
        throw AutomationError(error::kWrongArgumentCount,
                              "Wrong number of arguments or invalid property assignment: " + std::string(member));
}

bool sameMember(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

Value call(const ObjectRef& object, std::string_view member, const ValueList& args) {
    if (!object) throw AutomationError(error::kObjectNotSet, "Object variable or With block variable not set");
    return object->invoke(member, args);
}

}  // namespace brindlemoor::office::bridge
