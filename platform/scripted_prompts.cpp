#include "platform/scripted_prompts.h"

#include "platform/open_dialog_answer.h"

namespace brindlemoor::platform {

void ScriptedPrompts::clearRecords() {
    messages_.clear();
    openRequests_.clear();
    folderRequests_.clear();
    inputPrompts_.clear();
    inputRequests_.clear();
    shellOpened_.clear();
}

Answer ScriptedPrompts::messageBox(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    messages_.push_back({text, title, buttons, icon});
    if (messageHook_) messageHook_(messages_.back());
    if (messageAnswers_.empty()) return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    const Answer answer = messageAnswers_.front();
    messageAnswers_.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompts::inputBox(const QString& prompt, const QString& title, const QString& preset) {
    inputPrompts_ << prompt;
    inputRequests_.push_back({prompt, title, preset});
    if (inputAnswers_.empty()) return std::nullopt;
    auto answer = inputAnswers_.front();
    inputAnswers_.pop_front();
    return answer;
}

QString ScriptedPrompts::openFileDialog(const OpenFileRequest& request) {
    openRequests_.push_back(request);
    if (openAnswers_.empty()) return {};
    auto answer = openAnswers_.front();
    openAnswers_.pop_front();
    if (const auto* text = std::get_if<QString>(&answer)) return *text;
    const auto& selection = std::get<Selection>(answer);
    return composeOpenDialogAnswer(selection.paths, selection.separator, request.bufferChars);
}

QString ScriptedPrompts::chooseFolder(QWidget* owner, const QString& title, const QString& startFolder) {
    folderRequests_.push_back({owner, title, startFolder});
    if (folderAnswers_.empty()) return {};
    QString answer = folderAnswers_.front();
    folderAnswers_.pop_front();
    return answer;
}

void ScriptedPrompts::shellOpen(const QString& target) { shellOpened_ << target; }

}  // namespace brindlemoor::platform
