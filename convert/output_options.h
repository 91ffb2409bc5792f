// The output location controls: the two option buttons, the folder text and
// its browse button, and the settings that mirror them.
#pragma once

#include "app/settings_store.h"
#include "platform/prompts.h"

class QLineEdit;
class QRadioButton;
class QWidget;

namespace brindlemoor::convert {

struct OutputOptionControls {
    QRadioButton* toFolder;        // Option1
    QRadioButton* besideOriginal;  // Option2
    QWidget* folderFrame;          // Frame1: the folder text and its button
    QLineEdit* folderText;         // Text1
};

// Either option clicked: both options stored, the folder frame enabled
// exactly while "to this folder" is selected.
void optionClicked(const OutputOptionControls& controls, app::SettingsStore& settings);

// The folder text changed: stored whole, untested.
void folderTextChanged(const QString& text, app::SettingsStore& settings);

// "...": the folder chooser opens on the folder chosen last; a choice goes
// into the folder text with a trailing separator and is remembered; a cancel
// changes nothing.
void chooseOutputFolder(platform::Prompts& prompts, app::SettingsStore& settings, QWidget* owner,
                        const OutputOptionControls& controls, QChar separator);

}  // namespace brindlemoor::convert
