// A progress bar that shows a caption of its own instead of a percentage,
// and keeps the exact value it was given.
#pragma once

#include <QProgressBar>

namespace brindlemoor::app {

class CaptionedProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit CaptionedProgressBar(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }
    // The bar shows the nearest whole step; exactValue() keeps what was set.
    void setExactValue(double value);
    double exactValue() const { return exactValue_; }

    QString text() const override { return caption_; }

private:
    QString caption_;
    double exactValue_ = 0;
};

}  // namespace brindlemoor::app
