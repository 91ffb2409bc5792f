#include "app/prerequisites.h"

#include "app/application_title.h"
#include "app/error_report.h"

namespace brindlemoor::app {

namespace {

// Creating the object is the whole test; any failure counts as absent.
bool canCreate(const platform::AutomationRegistry& registry, std::string_view progId) {
    try {
        return registry.create(progId) != nullptr;
    } catch (...) {
        return false;
    }
}

}  // namespace

QString officeSuiteMissingText() {
    return QStringLiteral("Error 214878392\r\n\r\n"
                          "OpenOffice is required to run this software. It is not installed on this computer.\r\r"
                          "Woud you like to open this site now?\r\n\r\n"
                          "(If you think this error is a mistake and you have OpenOffice installed, please email a "
                          "screenshot of this error message and a screenshot of the OpenOffice 'About' window to ") +
           kSupportAddress + u')';
}

QString spreadsheetApplicationMissingText() {
    return QStringList{
        QStringLiteral("Error 842001. A normal instance of Excel could not be created."),
        QStringLiteral("1. Please make sure Excel is installed on this computer."),
        QStringLiteral("2. Please open Excel normally and make sure a blank spreadsheet opens immediately without any "
                       "interrupting window (such as an Excel file recovery window)."),
        QStringLiteral("3. Please make sure that when you double-click on a XLS or XLSX file that Excel opens normally "
                       "without any interrupting messages."),
        QStringLiteral("4. All versions of Excel are supported by this software except for the rare Excel Starter and "
                       "Student editions."),
    }.join(QStringLiteral("\r\n\r\n"));
}

bool requireOpenOffice(const platform::AutomationRegistry& registry, platform::Prompts& prompts) {
    if (canCreate(registry, "com.sun.star.ServiceManager")) return true;
    const auto answer = prompts.messageBox(officeSuiteMissingText(), applicationTitle(), platform::Buttons::YesNo,
                                           platform::Icon::None);
    if (answer == platform::Answer::Yes) prompts.shellOpen(kOfficeDownloadPage);
    return false;
}

bool requireExcel(const platform::AutomationRegistry& registry, platform::Prompts& prompts) {
    if (canCreate(registry, "Excel.Application")) return true;
    prompts.messageBox(spreadsheetApplicationMissingText(), applicationTitle(), platform::Buttons::Ok,
                       platform::Icon::None);
    return false;
}

}  // namespace brindlemoor::app
