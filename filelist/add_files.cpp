#include "filelist/add_files.h"

#include "app/application_title.h"
#include "app/failure_trap.h"
#include "app/paths.h"

namespace brindlemoor::filelist {

using platform::Failure;

void addFilesFromDialog(platform::Prompts& prompts, FileList& list, QChar separator) {
    app::FailureTrap trap(prompts, QStringLiteral("in Quillfen2021/08/31.Form1.PushButton1_Click "));
    trap.screenFailures([&](const Failure& failure) {
        if (failure.number() != platform::failure::kDialogBufferTooSmall) return false;
        prompts.messageBox(QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button."),
                           app::applicationTitle(), platform::Buttons::Ok, platform::Icon::None);
        return true;
    });

    platform::OpenFileRequest dialog;
    dialog.bufferChars = kOpenDialogBufferChars;
    QString answer;
    QStringList parts;
    trap.step(104, [&] { answer.clear(); });
    trap.step(106, [&] { dialog.multipleSelection = true; });
    trap.step(108, [&] { dialog.title = kAddFilesTitle; });
    trap.step(110, [&] { dialog.filter = kAddFilesFilter; });
    trap.step(112, [&] { answer = prompts.openFileDialog(dialog); });
    if (trap.test(114, [&] { return answer.isEmpty(); })) return;
    trap.step(116, [&] { parts = answer.split(QChar(u'\0')); });
    if (trap.test(118, [&] { return parts.size() - 1 == 0; })) {
        QString single;
        trap.step(120, [&] { single = parts.at(0); });
        trap.step(122, [&] { list.appendFileRow(single); });
        return;
    }
    if (!trap.test(124, [&] { return parts.size() >= 2; })) return;
    qsizetype first = 0, last = -1;
    trap.step(126, [&] { first = 1; });
    trap.step(128, [&] { last = parts.size() - 1; });
    for (qsizetype i = first; i <= last; ++i) {  // 134
        QString path;
        trap.step(136, [&] { path = parts.at(0) + separator + parts.at(i); });
        trap.step(138, [&] { path = app::normalizePath(path, separator); });
        trap.step(140, [&] { list.appendFileRow(path); });
    }  // 142
}

}  // namespace brindlemoor::filelist
