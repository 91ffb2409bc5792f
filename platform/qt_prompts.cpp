#include "platform/qt_prompts.h"

#include "platform/open_dialog_answer.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace brindlemoor::platform {

namespace {

// "Calc (*.ods;*.ots)|*.ods;*.ots|All Files (*.*)|*.*" becomes
// "Calc (*.ods *.ots);;All Files (*)", the form Qt's dialogs read.
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        if (const qsizetype open = description.lastIndexOf(u'('); open > 0 && description.endsWith(u')'))
            description = description.left(open).trimmed();
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        entries << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return entries.join(QStringLiteral(";;"));
}

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer QtPrompts::messageBox(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    QMessageBox box(qtIcon(icon), title, text,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    const int pressed = box.exec();
    if (buttons == Buttons::Ok) return Answer::Ok;
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::optional<QString> QtPrompts::inputBox(const QString& prompt, const QString& title, const QString& preset) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), title, prompt, QLineEdit::Normal, preset, &accepted);
    if (!accepted) return std::nullopt;
    return text;
}

QString QtPrompts::openFileDialog(const OpenFileRequest& request) {
    QWidget* owner = QApplication::activeWindow();
    const QString filter = qtFilter(request.filter);
    QStringList chosen;
    if (request.multipleSelection) {
        chosen = QFileDialog::getOpenFileNames(owner, request.title, QString(), filter);
    } else {
        const QString one = QFileDialog::getOpenFileName(owner, request.title, QString(), filter);
        if (!one.isEmpty()) chosen << one;
    }
    for (QString& path : chosen) path = QDir::toNativeSeparators(path);
    return composeOpenDialogAnswer(chosen, QDir::separator(), request.bufferChars);
}

QString QtPrompts::chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(owner, title, startFolder);
    return QDir::toNativeSeparators(folder);
}

void QtPrompts::shellOpen(const QString& target) {
    const QUrl url = target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

}  // namespace brindlemoor::platform
