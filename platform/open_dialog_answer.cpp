#include "platform/open_dialog_answer.h"

#include "platform/failure.h"

namespace brindlemoor::platform {

namespace {

QString folderOf(const QString& path, QChar separator) {
    const qsizetype last = path.lastIndexOf(separator);
    if (last < 0) return {};
    // A root keeps its separator: "C:\" or "/".
    const bool isRoot = last == 0 || (last == 2 && path.at(1) == u':');
    return path.left(isRoot ? last + 1 : last);
}

}  // namespace

QString composeOpenDialogAnswer(const QStringList& chosenPaths, QChar separator, int bufferChars) {
    QString answer;
    if (chosenPaths.size() == 1) {
        answer = chosenPaths.front();
    } else if (!chosenPaths.isEmpty()) {
        answer = folderOf(chosenPaths.front(), separator);
        for (const QString& path : chosenPaths) answer += QChar(u'\0') + path.mid(path.lastIndexOf(separator) + 1);
    }
    if (answer.size() + 1 > bufferChars)
        throw Failure(failure::kDialogBufferTooSmall, QStringLiteral("The buffer at lpstrFile is too small"));
    return answer;
}

}  // namespace brindlemoor::platform
