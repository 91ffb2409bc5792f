#include "filelist/add_folder.h"

#include "app/application_title.h"
#include "app/dialogs/folder_picker.h"
#include "app/failure_trap.h"
#include "app/mouse_pointer.h"

#include <optional>

namespace brindlemoor::filelist {

void addAllFilesInFolder(const FolderScan& scan, FileList& list, app::SettingsStore& settings, QWidget* window) {
    app::FailureTrap trap(scan.prompts, kAddFolderLocation);

    QString extension;
    trap.step(100, [&] {
        const QString proposed = settings.read(kExtensionSetting, QStringLiteral("*"));
        extension = scan.prompts.inputBox(kExtensionPrompt, app::applicationTitle(), proposed).value_or(QString());
    });
    if (trap.test(102, [&] { return extension.isEmpty(); })) return;
    trap.step(104, [&] { settings.write(kExtensionSetting, extension); });

    QString folder;
    trap.step(106, [&] {
        const QString startFolder = settings.read(kLastFolderSetting, QString());
        folder = app::browseForFolder(scan.prompts, window, kSelectFolderTitle, startFolder);
    });
    if (trap.test(108, [&] { return folder.isEmpty(); })) return;
    QString lastFolder;
    trap.step(333, [&] { lastFolder = folder; });
    trap.step(334, [&] { settings.write(kLastFolderSetting, lastFolder); });

    trap.step(114, [&] { app::setMousePointer(window, app::kHourglassPointer); });
    addFolderTreeFiles(scan, trap, folder, QStringLiteral("*.") + extension,
                       [&](const QString& row) { list.appendFileRow(row); });
    trap.step(138, [&] { app::setMousePointer(window, app::kDefaultPointer); });
}

}  // namespace brindlemoor::filelist
