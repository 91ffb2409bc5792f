#include "office/ods/namespace_scope.h"

#include <cstring>

namespace brindlemoor::office::ods {
namespace {

constexpr std::string_view kXmlUri = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsUri = "http://www.w3.org/2000/xmlns/";

}  // namespace

bool NamespaceScope::isDeclaration(std::string_view qualified) {
    return qualified.starts_with("xmlns") && (qualified.size() == 5 || qualified[5] == ':');
}

std::string NamespaceScope::declare(std::string_view prefix, std::string_view uri) {
    if (prefix == "xmlns") return "the prefix \"xmlns\" cannot be declared";
    if (prefix == "xml" && uri != kXmlUri) return "the prefix \"xml\" cannot be bound to another namespace";
    if (prefix != "xml" && (uri == kXmlUri || uri == kXmlnsUri)) {
        return "a reserved namespace is bound to the prefix \"" + std::string(prefix) + "\"";
    }
    if (!prefix.empty() && uri.empty()) return "the prefix \"" + std::string(prefix) + "\" is undeclared";
    bindings_.push_back({std::string(prefix), std::string(uri), namespaceOf(uri), !uri.empty()});
    return {};
}

std::string NamespaceScope::enter(const char* const* attributes) {
    std::uint32_t declared = 0;
    std::string problem;
    for (const char* const* a = attributes; *a; a += 2) {
        if (a[0][0] != 'x') continue;  // most names are not declarations: no need to measure them
        const std::string_view name(a[0]);
        if (!isDeclaration(name)) continue;
        const std::string_view prefix = name.size() > 5 ? name.substr(6) : std::string_view();
        std::string wrong = declare(prefix, a[1]);
        if (wrong.empty()) ++declared;
        else if (problem.empty()) problem = std::move(wrong);
    }
    declaredPerElement_.push_back(declared);
    if (declared > 0) {
        ++generation_;
        const Binding* fallback = find({});
        defaultNamespace_ = fallback && fallback->bound ? fallback->info : NsInfo{};
    }
    return problem;
}

void NamespaceScope::leave() {
    if (declaredPerElement_.empty()) return;
    const std::uint32_t declared = declaredPerElement_.back();
    declaredPerElement_.pop_back();
    if (declared == 0) return;
    bindings_.resize(bindings_.size() - declared);
    ++generation_;
    const Binding* fallback = find({});
    defaultNamespace_ = fallback && fallback->bound ? fallback->info : NsInfo{};
}

const NamespaceScope::Binding* NamespaceScope::find(std::string_view prefix) const {
    for (auto binding = bindings_.rbegin(); binding != bindings_.rend(); ++binding) {
        if (binding->prefix == prefix) return &*binding;
    }
    static const Binding xml{"xml", std::string(kXmlUri), {}, true};
    return prefix == "xml" ? &xml : nullptr;
}

std::vector<NamespaceScope::Declarations> NamespaceScope::declarations() const {
    std::vector<Declarations> result;
    std::size_t at = 0;
    for (const std::uint32_t declared : declaredPerElement_) {
        Declarations& own = result.emplace_back();
        for (std::uint32_t i = 0; i < declared; ++i, ++at) own.emplace_back(bindings_[at].prefix, bindings_[at].uri);
    }
    return result;
}

NamespaceScope::Entry& NamespaceScope::entryOf(const char* qualified) {
    Recent& recent = recent_[(reinterpret_cast<std::uintptr_t>(qualified) >> 3) % recent_.size()];
    if (recent.raw == qualified) {
        const std::string_view known = recent.entry->qualified;
        if (std::strncmp(known.data(), qualified, known.size()) == 0 && qualified[known.size()] == '\0') {
            return *recent.entry;
        }
    }
    const std::string_view name(qualified);
    auto found = names_.find(name);
    if (found == names_.end()) {
        found = names_.emplace(std::string(name), Entry{}).first;
        Entry& entry = found->second;
        entry.qualified = found->first;
        const auto colon = entry.qualified.find(':');
        if (colon == std::string_view::npos) {
            entry.local = entry.qualified;
        } else {
            entry.prefix = entry.qualified.substr(0, colon);
            entry.local = entry.qualified.substr(colon + 1);
            entry.wellFormed = !entry.prefix.empty() && !entry.local.empty() &&
                               entry.local.find(':') == std::string_view::npos;
        }
    }
    recent = {qualified, &found->second};
    return found->second;
}

std::optional<NamespaceScope::Name> NamespaceScope::prefixed(Entry& entry) {
    if (entry.generation != generation_) {
        const Binding* binding = find(entry.prefix);
        entry.info = binding ? std::optional<NsInfo>(binding->info) : std::nullopt;
        entry.generation = generation_;
    }
    if (!entry.info) return std::nullopt;
    return Name{*entry.info, entry.local};
}

std::optional<NamespaceScope::Name> NamespaceScope::element(const char* qualified) {
    Entry& entry = entryOf(qualified);
    if (!entry.wellFormed) return std::nullopt;
    if (entry.prefix.empty()) return Name{defaultNamespace_, entry.local};
    return prefixed(entry);
}

std::optional<NamespaceScope::Name> NamespaceScope::attribute(const char* qualified) {
    Entry& entry = entryOf(qualified);
    if (!entry.wellFormed) return std::nullopt;
    // The default namespace does not apply to attributes.
    if (entry.prefix.empty()) return Name{{}, entry.local};
    return prefixed(entry);
}

}  // namespace brindlemoor::office::ods
