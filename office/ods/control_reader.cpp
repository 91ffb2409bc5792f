#include "office/ods/control_reader.h"

#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace brindlemoor::office::ods {
namespace {

constexpr std::size_t kMaxItems = 32767;

std::optional<DrawingKind> kindOf(const XmlReader& xml) {
    const std::string_view local = xml.local();
    if (local == "button") return DrawingKind::Button;
    if (local == "checkbox") return DrawingKind::CheckBox;
    if (local == "radio") return DrawingKind::OptionButton;
    if (local == "fixed-text") return DrawingKind::Label;
    if (local == "frame") return DrawingKind::GroupBox;
    if (local == "listbox") {
        // A list box that drops down is a drop-down list.
        const bool dropDown = xml.attribute(Ns::Form, "dropdown") == std::optional<std::string_view>("true");
        return dropDown ? DrawingKind::ComboBox : DrawingKind::ListBox;
    }
    if (local == "combobox") return DrawingKind::ComboBox;
    if (local == "value-range") {
        const std::string_view implementation = xml.attribute(Ns::Form, "control-implementation").value_or("");
        return implementation.find("SpinButton") != std::string_view::npos ? DrawingKind::SpinButton
                                                                             : DrawingKind::ScrollBar;
    }
    return std::nullopt;
}

std::int32_t integerAttribute(const XmlReader& xml, std::string_view name, std::int32_t fallback) {
    const auto text = xml.attribute(Ns::Form, name);
    if (!text) return fallback;
    const auto number = parseNumber(*text);
    if (!number || !std::isfinite(*number)) return fallback;
    constexpr double limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::lround(std::clamp(*number, -limit, limit)));
}

bool isTrue(const XmlReader& xml, std::string_view name) {
    return xml.attribute(Ns::Form, name) == std::optional<std::string_view>("true");
}

}  // namespace

void ControlReader::readForms(XmlReader& xml) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Form, "form")) readForm(xml);
        else xml.skipElement();
    }
}

void ControlReader::readForm(XmlReader& xml) {
    while (xml.nextChild()) {
        if (xml.ns() != Ns::Form || xml.local() == "properties" || xml.local() == "connection-resource") {
            xml.skipElement();
        } else if (xml.local() == "form") {
            readForm(xml);  // forms nest
        } else if (xml.local() == "control") {
            readWrappedControl(xml);
        } else {
            readControl(xml);
        }
    }
}

// OpenOffice.org 1.x wraps each control: the id and name on form:control,
// the kind and its settings on the one element inside.
void ControlReader::readWrappedControl(XmlReader& xml) {
    const std::string id(xml.attribute(Ns::Form, "id").value_or(""));
    const std::string name(xml.attribute(Ns::Form, "name").value_or(""));
    while (xml.nextChild()) {
        if (xml.ns() == Ns::Form && kindOf(xml)) readControl(xml, id, name);
        else xml.skipElement();
    }
}

void ControlReader::readControl(XmlReader& xml, std::string_view wrapperId, std::string_view wrapperName) {
    const auto kind = kindOf(xml);
    const std::string id(xml.attribute(Ns::Form, "id").value_or(wrapperId));
    if (!kind || id.empty()) {
        xml.skipElement();  // counted as lost where a shape places it
        return;
    }
    ReadControl control;
    control.kind = *kind;
    control.name = std::string(xml.attribute(Ns::Form, "name").value_or(wrapperName));
    control.label = std::string(xml.attribute(Ns::Form, "label").value_or(""));
    FormControl& settings = control.settings;
    settings.linkedCell = std::string(xml.attribute(Ns::Form, "linked-cell").value_or(""));
    settings.sourceRange = std::string(xml.attribute(Ns::Form, "source-cell-range").value_or(""));

    if (*kind == DrawingKind::CheckBox) {
        const auto state = xml.attribute(Ns::Form, "current-state") ? xml.attribute(Ns::Form, "current-state")
                                                                      : xml.attribute(Ns::Form, "state");
        if (state == std::optional<std::string_view>("checked")) settings.checked = 1;
        else if (state == std::optional<std::string_view>("unknown")) settings.checked = 2;
    } else if (*kind == DrawingKind::OptionButton) {
        settings.checked = isTrue(xml, "current-selected") || isTrue(xml, "selected") ? 1 : 0;
    } else if (*kind == DrawingKind::ScrollBar || *kind == DrawingKind::SpinButton) {
        settings.minimum = integerAttribute(xml, "min-value", 0);
        settings.maximum = integerAttribute(xml, "max-value", 100);
        settings.step = integerAttribute(xml, "step-size", 1);
        settings.page = integerAttribute(xml, "page-step-size", 10);
        settings.value = integerAttribute(xml, "value", settings.minimum);
        settings.horizontal = xml.attribute(Ns::Form, "orientation") == std::optional<std::string_view>("horizontal");
    } else if (*kind == DrawingKind::ListBox || *kind == DrawingKind::ComboBox) {
        settings.multiSelect = isTrue(xml, "multiple");
        if (*kind == DrawingKind::ComboBox) {
            settings.lines = static_cast<std::uint16_t>(std::clamp(integerAttribute(xml, "size", 8), 1, 1000));
        }
    }

    // A list's own entries: form:option (list boxes) or form:item (combo boxes).
    int position = 0;
    while (xml.nextChild()) {
        const bool option = xml.is(Ns::Form, "option"), item = xml.is(Ns::Form, "item");
        if ((option || item) && settings.items.size() < kMaxItems) {
            ++position;
            settings.items.emplace_back(xml.attribute(Ns::Form, "label").value_or(""));
            if (option && settings.value == 0 && (isTrue(xml, "current-selected") || isTrue(xml, "selected"))) {
                settings.value = position;
            }
        }
        xml.skipElement();
    }
    controls_[id] = std::move(control);
}

const ReadControl* ControlReader::find(std::string_view id) const {
    const auto it = controls_.find(id);
    return it != controls_.end() ? &it->second : nullptr;
}

}  // namespace brindlemoor::office::ods
