#include "app/startup.h"

#include "app/paths.h"
#include "platform/failure.h"

#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QCheckBox>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTime>
#include <QWidget>

#include <cmath>
#include <random>

namespace brindlemoor::app {

using platform::Failure;

namespace {

void paintButtonFace(QWidget* widget, const QColor& face) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, face);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

void applySkin(QWidget& window, const QString& programFolder) {
    const QString skinFile = programFolder + QStringLiteral("/x/o.cjs");
    if (!QFileInfo(skinFile).isFile()) return;

    const QColor face = window.palette().color(QPalette::Button);
    paintButtonFace(&window, face);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child) ||
            qobject_cast<QLabel*>(child))
            paintButtonFace(child, face);
    }

    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Failure(75, QStringLiteral("Path/File access error: ") + skinFile);
    window.setStyleSheet(QString::fromUtf8(file.readAll()));
}

void occasionalSiteVisit(const std::function<double()>& random, platform::Prompts& shell) {
    const int n = int(std::floor(random() * 100)) + 1;
    if (n == 7) shell.shellOpen(kSiteAddress);
}

std::function<double()> timeSeededRandom() {
    auto generator = std::make_shared<std::mt19937>(QTime::currentTime().msecsSinceStartOfDay() / 1000);
    return [generator] { return std::uniform_real_distribution<double>(0.0, 1.0)(*generator); };
}

QString desktopFolder(const std::function<QString()>& specialFolder) {
    const QString folder = specialFolder();
    if (folder.isEmpty()) throw Failure(platform::failure::kInvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
    return folder + kNativeSeparator;
}

QString systemDesktopFolder() {
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

}  // namespace brindlemoor::app
