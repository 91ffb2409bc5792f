// What a conversion run told the user, sorted out of the scripted prompts:
// the line numbers of its failure reports and its plain messages.
#pragma once

#include "platform/scripted_prompts.h"

#include <QList>
#include <QStringList>

namespace brindlemoor::testing {

inline const QString kRunLocation = QStringLiteral("in Quillfen2021/08/31.Form1.PushButton2_Click ");

inline bool isFailureReport(const platform::ScriptedPrompts::Message& message) {
    return message.title == QStringLiteral("Application Error");
}

inline QList<int> reportedLines(const platform::ScriptedPrompts& prompts) {
    QList<int> lines;
    for (const auto& message : prompts.messages()) {
        if (!isFailureReport(message)) continue;
        const qsizetype at = message.text.indexOf(kRunLocation + "at line ");
        if (at >= 0) lines << message.text.mid(at + kRunLocation.size() + 8).section(u'\r', 0, 0).toInt();
    }
    return lines;
}

inline QStringList plainMessages(const platform::ScriptedPrompts& prompts) {
    QStringList texts;
    for (const auto& message : prompts.messages())
        if (!isFailureReport(message)) texts << message.text;
    return texts;
}

}  // namespace brindlemoor::testing
