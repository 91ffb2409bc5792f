// Number format codes to BIFF8 format indexes. Codes Excel knows without a
// FORMAT record (and that read the same in every locale) use the built-in
// index; every other code gets a FORMAT record from index 164 on.
#pragma once

#include "office/xls/biff_stream.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace brindlemoor::office::xls {

class NumberFormats {
public:
    std::uint16_t index(const std::string& code);

    // The FORMAT records: the built-in currency and accounting codes Excel
    // always writes itself, then ours.
    void write(BiffStream& out) const;

private:
    std::unordered_map<std::string, std::uint16_t> custom_;
    std::vector<std::string> order_;
};

}  // namespace brindlemoor::office::xls
