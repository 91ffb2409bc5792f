// Prompts for tests: every call is recorded, and answers come from queues
// that the test fills beforehand. An empty queue gives the first button of a
// message box and a cancel for every dialog, so nothing ever waits.
#pragma once

#include "platform/prompts.h"

#include <QChar>
#include <QStringList>

#include <deque>
#include <functional>
#include <variant>
#include <vector>

namespace brindlemoor::platform {

class ScriptedPrompts : public Prompts {
public:
    struct Message {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };
    struct InputRequest {
        QString prompt;
        QString title;
        QString preset;
    };
    struct FolderRequest {
        QWidget* owner;
        QString title;
        QString startFolder;
    };

    // Answers, in the order the program will ask.
    void answerMessage(Answer answer) { messageAnswers_.push_back(answer); }
    void answerInput(std::optional<QString> answer) { inputAnswers_.push_back(std::move(answer)); }
    // The dialog's answer text as the program receives it.
    void answerOpenDialogText(QString answer) { openAnswers_.push_back(std::move(answer)); }
    // The files the user picks; the answer is composed as the system dialog does.
    void answerOpenDialogWithFiles(QStringList paths, QChar separator) {
        openAnswers_.push_back(Selection{std::move(paths), separator});
    }
    void answerFolder(QString folder) { folderAnswers_.push_back(std::move(folder)); }
    // Runs while a message box is "open", e.g. to click something meanwhile.
    void onMessage(std::function<void(const Message&)> hook) { messageHook_ = std::move(hook); }

    const std::vector<Message>& messages() const { return messages_; }
    const std::vector<OpenFileRequest>& openRequests() const { return openRequests_; }
    const std::vector<FolderRequest>& folderRequests() const { return folderRequests_; }
    const QStringList& inputPrompts() const { return inputPrompts_; }
    const std::vector<InputRequest>& inputRequests() const { return inputRequests_; }
    const QStringList& shellOpened() const { return shellOpened_; }
    void clearRecords();

    Answer messageBox(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& preset) override;
    QString openFileDialog(const OpenFileRequest& request) override;
    QString chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    void shellOpen(const QString& target) override;

private:
    struct Selection {
        QStringList paths;
        QChar separator;
    };

    std::deque<Answer> messageAnswers_;
    std::deque<std::optional<QString>> inputAnswers_;
    std::deque<std::variant<QString, Selection>> openAnswers_;
    std::deque<QString> folderAnswers_;
    std::function<void(const Message&)> messageHook_;

    std::vector<Message> messages_;
    std::vector<OpenFileRequest> openRequests_;
    std::vector<FolderRequest> folderRequests_;
    QStringList inputPrompts_;
    std::vector<InputRequest> inputRequests_;
    QStringList shellOpened_;
};

}  // namespace brindlemoor::platform
