// brindlemoor-convert: the conversion engine without the window.
#include "cli/batch.h"
#include "cli/options.h"

#include <iostream>
#include <stdexcept>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace brindlemoor::cli;
    Options options;
    try {
        options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << "brindlemoor-convert: " << error.what() << "\n\n" << usageText();
        return 2;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }
    const int failures = convertAll(options, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
    return failures == 0 ? 0 : 1;
}
