// The one failure type of the engine: a message a user can act on, naming the
// cause ("not an OpenDocument spreadsheet", "the document is encrypted", ...).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace brindlemoor::office {

class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Things the conversion had to cut, rename or leave out; never silent.
using Warnings = std::vector<std::string>;

}  // namespace brindlemoor::office
