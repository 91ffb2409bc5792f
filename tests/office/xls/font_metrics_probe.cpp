// Measures the digit width of each family named on the command line as a
// conversion does (prepare, then measure), and prints them exactly, with
// whether the font configuration had to be loaded.
#include "office/xls/column_width.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace brindlemoor::office;
    xls::prepareFontMetrics();
    for (int i = 1; i < argc; ++i) {
        Font font;
        font.name = argv[i];
        std::printf("%s %a\n", argv[i], xls::digitWidthPt(font));
    }
    std::printf("fontconfig %s\n", xls::fontConfigurationLoaded() ? "loaded" : "not loaded");
    return 0;
}
