// The namespace prefixes in force while a document is read, and names as
// written ("table:table-cell") resolved to the reader's vocabularies.
//
// The parser runs without namespace processing of its own: building
// "uri + local name" strings for every element and attribute costs more than
// the rest of the parse. Instead each distinct qualified name is resolved
// once and remembered until a declaration changes what its prefix stands for.
#pragma once

#include "office/ods/namespaces.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brindlemoor::office::ods {

class NamespaceScope {
public:
    struct Name {
        NsInfo info;
        std::string_view local;  // valid as long as the scope
    };

    // Whether a qualified attribute name declares a namespace (xmlns, xmlns:p).
    static bool isDeclaration(std::string_view qualified);

    // Opens an element's scope with the declarations among its attributes
    // (name, value pairs ending with a null name, as the parser hands them).
    // Returns what is wrong with them, or an empty string; the scope is
    // opened either way so that leave() stays paired.
    std::string enter(const char* const* attributes);
    void leave();

    // nullopt when the name's prefix is not declared, or the name is not a
    // well-formed qualified name.
    std::optional<Name> element(const char* qualified);
    std::optional<Name> attribute(const char* qualified);
    // The qualified name as written, as a view that lives as long as the
    // scope.
    std::string_view stored(const char* qualified) { return entryOf(qualified).qualified; }

    // The declarations (prefix, namespace as written) each open element
    // made, outermost first.
    using Declarations = std::vector<std::pair<std::string, std::string>>;
    std::vector<Declarations> declarations() const;

private:
    struct Binding {
        std::string prefix;  // empty for the default namespace
        std::string uri;
        NsInfo info;
        bool bound = true;   // false: xmlns="" takes the default away
    };
    struct Entry {
        std::string_view qualified;  // the map's own key, and views into it
        std::string_view prefix;
        std::string_view local;
        bool wellFormed = true;
        std::uint64_t generation = 0;  // 0: never resolved
        std::optional<NsInfo> info;    // prefixed names, under the bindings of `generation`
    };
    struct Recent {
        const char* raw = nullptr;
        Entry* entry = nullptr;
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };

    Entry& entryOf(const char* qualified);
    std::optional<Name> prefixed(Entry& entry);
    const Binding* find(std::string_view prefix) const;
    std::string declare(std::string_view prefix, std::string_view uri);

    std::vector<Binding> bindings_;
    std::vector<std::uint32_t> declaredPerElement_;
    std::uint64_t generation_ = 1;
    NsInfo defaultNamespace_;

    std::unordered_map<std::string, Entry, Hash, std::equal_to<>> names_;
    // Expat hands attribute names from its own table, so the same pointer
    // comes back for the same name: a pointer match (confirmed by content)
    // skips hashing.
    std::array<Recent, 64> recent_{};
};

}  // namespace brindlemoor::office::ods
