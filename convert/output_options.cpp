#include "convert/output_options.h"

#include "app/dialogs/folder_picker.h"
#include "app/failure_trap.h"

#include <QLineEdit>
#include <QRadioButton>

namespace brindlemoor::convert {

void optionClicked(const OutputOptionControls& controls, app::SettingsStore& settings) {
    settings.write(QStringLiteral("Option1"), app::booleanToText(controls.toFolder->isChecked()));
    settings.write(QStringLiteral("Option2"), app::booleanToText(controls.besideOriginal->isChecked()));
    controls.folderFrame->setEnabled(controls.toFolder->isChecked());
}

void folderTextChanged(const QString& text, app::SettingsStore& settings) { settings.write(QStringLiteral("Text1"), text); }

void chooseOutputFolder(platform::Prompts& prompts, app::SettingsStore& settings, QWidget* owner,
                        const OutputOptionControls& controls, QChar separator) {
    app::FailureTrap trap(prompts, QStringLiteral("in Quillfen2021/08/31.Form1.PushButton3_Click "));
    QString chosen;
    trap.step(100, [&] {
        const QString lastFolder = settings.read(QStringLiteral("LastFolderDot"), QString());
        chosen = app::browseForFolder(prompts, owner, QStringLiteral("Please select folder:"), lastFolder);
    });
    if (trap.test(102, [&] { return chosen.isEmpty(); })) return;
    if (trap.test(104, [&] {
            settings.write(QStringLiteral("LastFolderDot"), chosen);
            return !chosen.endsWith(separator);
        })) {
        trap.step(106, [&] { controls.folderText->setText(chosen + separator); });
    } else {
        trap.step(108, [&] { controls.folderText->setText(chosen); });
    }
}

}  // namespace brindlemoor::convert
