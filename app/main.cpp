// Brindlemoor: converts batches of OpenDocument spreadsheets to Excel 97.
#include "app/application_title.h"
#include "app/form1.h"
#include "app/pause.h"
#include "app/startup.h"
#include "platform/qt_prompts.h"

#include <QApplication>

using namespace brindlemoor;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(app::kProductName);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/brindlemoor.svg")));

    platform::QtPrompts prompts;
    app::SettingsStore settings;
    app::Form1 form({
        .prompts = prompts,
        .settings = settings,
        .registry = platform::AutomationRegistry::system(),
        .programFolder = QApplication::applicationDirPath(),
        .systemDesktop = app::systemDesktopFolder,
        .random = app::timeSeededRandom(),
        .pause = [](double seconds) { app::pause(seconds); },
        .endProcess = [] { QApplication::exit(0); },
    });
    if (!form.formLoad()) return 0;
    form.show();
    return QApplication::exec();
}
