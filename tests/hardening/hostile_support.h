// Shared by the hostile-input tests: convert a document built in the test and
// tell what came of it, and read the written workbook back independently.
#pragma once

#include "office/engine.h"
#include "office/ods/reader.h"
#include "support/ods_builder.h"
#include "tests/office/xls/readback.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brindlemoor::hardening {

struct Outcome {
    std::optional<std::string> error;  // set when the conversion was refused
    office::Warnings warnings;
    bool targetExists = false;
};

inline Outcome convert(const std::filesystem::path& source, const std::filesystem::path& target) {
    std::filesystem::remove(target);
    Outcome outcome;
    try {
        outcome.warnings = office::convertToXls(source, target);
    } catch (const office::ConversionError& error) {
        outcome.error = error.what();
    }
    outcome.targetExists = std::filesystem::exists(target);
    return outcome;
}

inline bool mentions(const office::Warnings& warnings, const std::string& fragment) {
    for (const auto& warning : warnings) {
        if (warning.find(fragment) != std::string::npos) return true;
    }
    return false;
}

}  // namespace brindlemoor::hardening
