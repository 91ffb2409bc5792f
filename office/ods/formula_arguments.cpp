#include "office/ods/formula_arguments.h"

namespace brindlemoor::office::ods {

TopLevelParts splitTopLevel(std::string_view text, char separator) {
    TopLevelParts split;
    int depth = 0;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;  // a doubled quote reopens at once
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (--depth < 0) split.balanced = false;
        } else if (c == separator && depth == 0) {
            split.parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (depth != 0 || quote) split.balanced = false;
    split.parts.push_back(text.substr(start));
    return split;
}

}  // namespace brindlemoor::office::ods
