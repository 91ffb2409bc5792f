// Every modal question the program asks and every action it hands to the
// desktop shell goes through this interface, so that tests can script the
// answers and nothing ever waits for a real dialog there.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace brindlemoor::platform {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Warning, Information, Question };
enum class Answer { Ok, Yes, No };

struct OpenFileRequest {
    QString title;
    // Pairs of description and patterns, all separated by "|":
    // "Text (*.txt)|*.txt|All Files (*.*)|*.*".
    QString filter;
    bool multipleSelection = false;
    // Characters the answer may take, as the window's buffer for it allows.
    int bufferChars = 0;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    virtual Answer messageBox(const QString& text, const QString& title, Buttons buttons, Icon icon) = 0;
    // The text typed, or nothing when the user cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& preset) = 0;
    // The open dialog's answer: empty on cancel, one full path, or with several
    // files the folder followed by each name, separated by NUL characters.
    // Throws Failure kDialogBufferTooSmall when the answer does not fit.
    virtual QString openFileDialog(const OpenFileRequest& request) = 0;
    // The chosen folder's path, or empty when nothing was chosen.
    virtual QString chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;

    // Opens a document, folder or web address with the desktop's default action.
    virtual void shellOpen(const QString& target) = 0;
};

}  // namespace brindlemoor::platform
