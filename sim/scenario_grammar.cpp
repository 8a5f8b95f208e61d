// The scenario steps qxsim knows, as a table: one entry per form of a step.

#include "scenario_grammar.h"

#include "core/device_codes.h"
#include "number_literal.h"

namespace qxsim {
namespace {

constexpr double kInt16Min = -32768, kInt16Max = 32767;
constexpr double kInt32Min = -2147483648.0, kInt32Max = 2147483647.0;
// Bound of one wait in ms: a day of virtual time.
constexpr double kMaxWaitMs = 24.0 * 60 * 60 * 1000;

ArgDescription num(std::string_view label) {
    return {ArgType::Number, label};
}
ArgDescription int16(std::string_view label) {
    return {ArgType::Integer, label, false, kInt16Min, kInt16Max};
}
ArgDescription int32(std::string_view label) {
    return {ArgType::Integer, label, false, kInt32Min, kInt32Max};
}
ArgDescription index(std::string_view label, bool repeat = false) {
    return {ArgType::Integer, label, repeat, 0, kInt32Max};
}
ArgDescription word(std::string_view label, bool repeat = false) {
    return {ArgType::Word, label, repeat};
}
ArgDescription keyword(std::string_view alternatives) {
    return {ArgType::Keyword, alternatives};
}

std::vector<StepDescription> buildDescriptions() {
    using K = StepKind;
    return {
        {"daemon", K::Daemon, {keyword("up|down")}, {}},
        {"devices", K::Devices, {word("NAME", true)}, {}},
        {"rotation", K::Rotation, {int32("CODE")}, {{"zoomall", {keyword("on|off")}}}},
        {"modes", K::Modes, {keyword("accept|refuse")}, {}},
        {"cap",
         K::Cap,
         {int16("TX"), int16("TY"), int16("TZ"), int16("RX"), int16("RY"), int16("RZ")},
         {}},
        {"release", K::Release, {}, {}},
        {"key", K::Key, {{ArgType::Key, "KEY", false, kInt32Min, kInt32Max}}, {}},
        {"wait", K::Wait, {{ArgType::Integer, "MS", false, 0, kMaxWaitMs}}, {}},
        {"command", K::Command, {word("NAME")}, {}},
        {"space", K::Space, {keyword("model|paper|layout-model")}, {}},
        {"nodocument", K::NoDocument, {}, {}},
        {"nodocument", K::CloseDocument, {index("N")}, {}},
        {"document", K::Document, {}, {}},
        {"document", K::NewDocument, {keyword("new")}, {}},
        {"document", K::CurrentDocument, {index("N")}, {}},
        {"unload", K::Unload, {}, {}},
        {"load", K::Load, {}, {}},
        {"setting", K::Setting, {word("KEY"), word("VALUE")}, {}},
        {"drawing", K::Drawing, {keyword("sample")}, {}},
        {"line",
         K::Line,
         {num("X1"), num("Y1"), num("Z1"), num("X2"), num("Y2"), num("Z2")},
         {{"layer", {word("L")}}}},
        {"circle",
         K::Circle,
         {num("CX"), num("CY"), num("CZ"), num("R")},
         {{"layer", {word("L")}}}},
        {"layer", K::Layer, {word("L"), keyword("locked")}, {}},
        {"view", K::View, {keyword("top|bottom|front|back|left|right|iso")}, {}},
        {"camera",
         K::Camera,
         {num("PX"), num("PY"), num("PZ"), num("TX"), num("TY"), num("TZ"), num("UX"), num("UY"),
          num("UZ"), num("W"), num("H"), keyword("parallel|perspective")},
         {}},
        {"paperview",
         K::PaperView,
         {num("CX"), num("CY"), num("VIEWHEIGHT"), num("WIDTH"), num("HEIGHT")},
         {}},
        {"select", K::Select, {keyword("none")}, {}},
        {"select", K::Select, {index("N", true)}, {}},
        {"pointer", K::Pointer, {int32("X"), int32("Y")}, {}},
        {"window",
         K::Window,
         {int32("ID"), word("CLASS"), int32("L"), int32("T"), int32("R"), int32("B")},
         {{"parent", {int32("ID")}},
          {"hidden", {}},
          {"scroll", {int32("MIN"), int32("MAX"), int32("PAGE"), int32("POS")}}}},
    };
}

}  // namespace

const std::vector<StepDescription>& stepDescriptions() {
    static const std::vector<StepDescription> steps = buildDescriptions();
    return steps;
}

std::string usageOf(const StepDescription& desc) {
    std::string text(desc.name);
    auto addArgs = [&text](const std::vector<ArgDescription>& args) {
        for (const ArgDescription& arg : args) {
            text += ' ';
            text += arg.label;
            if (arg.repeat) {
                text += "...";
            }
        }
    };
    addArgs(desc.args);
    for (const OptionDescription& option : desc.options) {
        text += " [";
        text += option.keyword;
        addArgs(option.args);
        text += ']';
    }
    return text;
}

std::optional<std::int32_t> keyCode(std::string_view name) {
    for (const DeviceKeyName& key : kDeviceKeyNames) {
        if (name == key.name) {
            return key.code;
        }
    }
    const std::string_view prefix(kMenuKeyPrefix);
    if (name.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    const std::string_view number = name.substr(prefix.size());
    const std::optional<double> n = parseNumber(number);
    if (!n || number.find_first_not_of("0123456789") != std::string_view::npos || *n < 1 ||
        *n > kInt32Max - APPL_FUNC_START + 1) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(APPL_FUNC_START + *n - 1);
}

std::string keyName(std::int32_t code) {
    for (const DeviceKeyName& key : kDeviceKeyNames) {
        if (code == key.code) {
            return key.name;
        }
    }
    return code >= APPL_FUNC_START ? kMenuKeyPrefix + std::to_string(code - APPL_FUNC_START + 1)
                                   : std::string();
}

std::string keyNames() {
    std::string names;
    for (const DeviceKeyName& key : kDeviceKeyNames) {
        names += std::string(key.name) + ", ";
    }
    return names + kMenuKeyPrefix + "1, " + kMenuKeyPrefix + "2, ...";
}

std::vector<std::string> stepUsages() {
    std::vector<std::string> usages;
    for (const StepDescription& desc : stepDescriptions()) {
        usages.push_back(usageOf(desc));
    }
    return usages;
}

StepSide sideOf(StepKind kind) {
    switch (kind) {
        case StepKind::Daemon:
        case StepKind::Devices:
        case StepKind::Rotation:
        case StepKind::Modes:
        case StepKind::Cap:
        case StepKind::Release:
        case StepKind::Key:
            return StepSide::Device;
        case StepKind::Wait:
            return StepSide::Time;
        case StepKind::Command:
        case StepKind::Space:
        case StepKind::NoDocument:
        case StepKind::Document:
        case StepKind::NewDocument:
        case StepKind::CurrentDocument:
        case StepKind::CloseDocument:
        case StepKind::Unload:
        case StepKind::Load:
        case StepKind::Setting:
            return StepSide::Host;
        case StepKind::Drawing:
        case StepKind::Line:
        case StepKind::Circle:
        case StepKind::Layer:
        case StepKind::View:
        case StepKind::Camera:
        case StepKind::PaperView:
        case StepKind::Select:
            return StepSide::Drawing;
        case StepKind::Pointer:
        case StepKind::Window:
            return StepSide::Desktop;
    }
    return StepSide::Host;
}

}  // namespace qxsim
