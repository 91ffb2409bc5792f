#include "app/captioned_progress_bar.h"

#include <cmath>

namespace brindlemoor::app {

CaptionedProgressBar::CaptionedProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void CaptionedProgressBar::setCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void CaptionedProgressBar::setExactValue(double value) {
    exactValue_ = value;
    setValue(int(std::lround(value)));
}

}  // namespace brindlemoor::app
