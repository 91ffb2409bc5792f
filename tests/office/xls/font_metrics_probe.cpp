// Measures the digit width and line metrics of each family named on the
// command line as a conversion does (prepare, then measure), and prints them
// exactly, with whether the font configuration had to be loaded.
#include "office/xls/column_width.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace brindlemoor::office;
    xls::prepareFontMetrics();
    for (int i = 1; i < argc; ++i) {
        Font font;
        font.name = argv[i];
        const xls::FaceMetrics face = xls::faceMetrics(argv[i]);
        std::printf("%s %a %a %a\n", argv[i], xls::digitWidthPt(font), face.ascent.value_or(-1), face.descent.value_or(-1));
    }
    std::printf("fontconfig %s\n", xls::fontConfigurationLoaded() ? "loaded" : "not loaded");
    return 0;
}
