#include "app/error_report.h"

namespace brindlemoor::app {

QString errorReportText(const QString& description, const QString& location, int line) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") + kSupportAddress;
}

void reportError(platform::Prompts& prompts, const QString& description, const QString& location, int line) {
    prompts.messageBox(errorReportText(description, location, line), QStringLiteral("Application Error"),
                       platform::Buttons::Ok, platform::Icon::Warning);
}

}  // namespace brindlemoor::app
