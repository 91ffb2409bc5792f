// Late-bound automation objects: members are called by name, with a list of
// loosely typed arguments, the way a scripting bridge calls an office suite.
// Member names match without regard to case, as automation name lookup does.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brindlemoor::office::bridge {

class AutomationObject;
using ObjectRef = std::shared_ptr<AutomationObject>;

struct Value;
using ValueList = std::vector<Value>;

// One argument or result: nothing, a Boolean, an integer, a number, a text,
// an object reference or an array of values.
struct Value {
    std::variant<std::monostate, bool, std::int32_t, double, std::string, ObjectRef, ValueList> data;

    Value() = default;
    Value(bool b) : data(b) {}
    Value(std::int32_t i) : data(i) {}
    Value(double d) : data(d) {}
    Value(std::string s) : data(std::move(s)) {}
    Value(const char* s) : data(std::string(s)) {}
    Value(ObjectRef o) : data(std::move(o)) {}
    Value(ValueList list) : data(std::move(list)) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(data); }
    // Each accessor throws AutomationError "Type mismatch" (13) for another kind.
    const std::string& text() const;
    ObjectRef object() const;
    const ValueList& list() const;
    std::int32_t integer() const;
    bool boolean() const;
};

// The failure of an automation call: a number as the calling language sees it
// and a description for the user.
class AutomationError : public std::runtime_error {
public:
    AutomationError(std::int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    std::int32_t number() const { return number_; }

private:
    std::int32_t number_;
};

namespace error {
constexpr std::int32_t kTypeMismatch = 13;
constexpr std::int32_t kObjectNotSet = 91;
constexpr std::int32_t kCannotCreateObject = 429;
constexpr std::int32_t kMemberNotSupported = 438;
constexpr std::int32_t kInvalidArgument = 5;
constexpr std::int32_t kWrongArgumentCount = 450;
// An exception raised inside the automation server (DISP_E_EXCEPTION).
constexpr std::int32_t kServerException = -2147352567;
}  // namespace error

class AutomationObject {
public:
    virtual ~AutomationObject() = default;

    // Calls a method or reads a property. Unknown members throw
    // "Object doesn't support this property or method" (438).
    virtual Value invoke(std::string_view member, const ValueList& args) = 0;
    // Writes a property; by default no property is writable.
    virtual void put(std::string_view property, const Value& value);

protected:
    [[noreturn]] static void unknownMember(std::string_view member);
    static void expectArguments(std::string_view member, const ValueList& args, std::size_t count);
};

// True when `a` and `b` name the same member (ASCII case-insensitive).
bool sameMember(std::string_view a, std::string_view b);

// Calls `object`'s member, failing as an unset object variable when `object` is empty.
Value call(const ObjectRef& object, std::string_view member, const ValueList& args = {});

}  // namespace brindlemoor::office::bridge
