#include "app/dialogs/folder_picker.h"

namespace brindlemoor::app {

QString browseForFolder(platform::Prompts& prompts, QWidget* owner, const QString& title, const QString& startFolder) {
    QString folder = prompts.chooseFolder(owner, title, startFolder);
    // The shell hands back a C string; nothing after a NUL is part of the path.
    if (const qsizetype nul = folder.indexOf(QChar(u'\0')); nul >= 0) folder.truncate(nul);
    return folder;
}

}  // namespace brindlemoor::app
