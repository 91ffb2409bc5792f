// The open dialog's answer as one text, the way the system dialog writes it
// into the caller's buffer.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace brindlemoor::platform {

// One file: its full path. Several files (all from one folder): the folder,
// without a final separator unless it is a root, then each name, all separated
// by NUL. Nothing chosen: "". Throws Failure kDialogBufferTooSmall when the
// text and its terminating NUL need more than `bufferChars` characters.
QString composeOpenDialogAnswer(const QStringList& chosenPaths, QChar separator, int bufferChars);

}  // namespace brindlemoor::platform
