// The real prompts: Qt's message box, input dialog, file and folder dialogs,
// and the desktop's URL handler.
#pragma once

#include "platform/prompts.h"

namespace brindlemoor::platform {

class QtPrompts : public Prompts {
public:
    Answer messageBox(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& preset) override;
    QString openFileDialog(const OpenFileRequest& request) override;
    QString chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    void shellOpen(const QString& target) override;
};

}  // namespace brindlemoor::platform
