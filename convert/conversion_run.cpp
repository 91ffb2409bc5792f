#include "convert/conversion_run.h"

#include "app/application_title.h"
#include "app/failure_trap.h"
#include "app/mouse_pointer.h"
#include "app/paths.h"
#include "convert/office_calls.h"
#include "convert/output_path.h"
#include "convert/run_rows.h"
#include "platform/responsive_call.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>

namespace brindlemoor::convert {

using office::bridge::ObjectRef;
using office::bridge::Value;
using office::bridge::ValueList;

namespace {

void yieldToWindowSystem() { QCoreApplication::processEvents(); }

void tell(platform::Prompts& prompts, const QString& text) {
    prompts.messageBox(text, app::applicationTitle(), platform::Buttons::Ok, platform::Icon::None);
}

}  // namespace

ConversionRun::ConversionRun(RunControls controls, RunServices services)
    : controls_(controls), services_(std::move(services)) {}

void ConversionRun::start() {
    app::FailureTrap trap(services_.prompts, QStringLiteral("in Quillfen2021/08/31.Form1.PushButton2_Click "));
    // A closed window ends the handler before its next step; an office call
    // under way is finished first, as it runs in a process of its own.
    trap.endWhen(services_.abandoned);
    if (trap.test(100, [&] { return converting_; })) return;
    trap.step(102, [&] { converting_ = true; });

    if (trap.test(104, [&] { return controls_.list->count() == 0; })) {
        trap.step(192, [&] { tell(services_.prompts, QStringLiteral("No files added.")); });
    } else if (trap.test(106, [&] {
                   return !app::isFolder(controls_.folderText->text()).value_or(false) &&
                          !controls_.besideOriginal->isChecked();
               })) {
        trap.step(190, [&] { tell(services_.prompts, QStringLiteral("Folder does not exist. Please select another folder.")); });
    } else {
        convertAll(trap);
    }
    trap.step(194, [&] { converting_ = false; });
}

void ConversionRun::convertAll(app::FailureTrap& trap) {
    const QChar separator = services_.separator;
    const auto& registry = services_.registry;
    int n = 0;
    trap.step(108, [&] { n = controls_.list->count(); });

    // Held from file to file: a failed step leaves the previous reference.
    ObjectRef serviceManager, desktop, document, dispatcher, controller, frame;
    ValueList saveArguments(2);
    QString source;

    RunRows rows(*controls_.list->model(), n);
    while (rows.remaining()) {
        if (trap.ended()) return;
        trap.step(110, yieldToWindowSystem);
        trap.step(112, [&] { app::setMousePointer(controls_.window, app::kHourglassPointer); });
        // The place is taken after the yield: rows removed during it are
        // not waited for, and none is skipped.
        if (!rows.advance()) break;
        const int i = rows.current();
        trap.step(114, [&] { controls_.progress->setExactValue(double(i) / controls_.list->count() * 100); });
        trap.step(116, [&] { source = controls_.list->rowText(i); });
        trap.step(118, [&] { controls_.progress->setCaption(QStringLiteral("Processing: ") + app::fileNameOf(source, separator)); });
        trap.step(120, yieldToWindowSystem);

        QString stem, output;
        trap.step(122, [&] { stem = outputStem(source, separator); });
        const QString folderText = controls_.folderText->text();
        if (trap.test(132, [&] { return controls_.toFolder->isChecked(); })) {
            trap.step(134, [&] { output = joinOutputPath(source, stem, true, false, folderText, separator); });
        } else if (trap.test(136, [&] { return controls_.besideOriginal->isChecked(); })) {
            trap.step(138, [&] { output = joinOutputPath(source, stem, false, true, folderText, separator); });
        } else {
            output = joinOutputPath(source, stem, false, false, folderText, separator);
        }
        trap.step(140, [&] { output = app::normalizePath(output, separator); });
        trap.step(142, [&] { output = appendXls(withForwardSlashes(output, separator)); });
        trap.step(144, [&] { output = collapseDoubleSlashes(output); });

        trap.step(146, [&] { serviceManager = registry.create("com.sun.star.ServiceManager"); });
        trap.step(148, [&] { desktop = createInstance(serviceManager, "com.sun.star.frame.Desktop"); });
        trap.step(150, [&] {
            const std::string url = fileUrlFor(source, separator).toStdString();
            document = platform::callWhileResponsive([&] { return loadComponent(desktop, url); });
        });
        trap.step(152, [&] { dispatcher = createInstance(serviceManager, "com.sun.star.frame.DispatchHelper"); });
        trap.step(154, [&] { controller = currentController(document); });
        trap.step(156, [&] { frame = frameOf(currentController(document)); });
        trap.step(158, [&] { services_.pause(2); });
        trap.step(160, yieldToWindowSystem);
        trap.step(162, yieldToWindowSystem);
        trap.step(164, [&] {
            saveArguments[0] = makePropertyValue(registry, "URL", fileUrlFor(output, u'/').toStdString());
        });
        trap.step(166, [&] { saveArguments[1] = makePropertyValue(registry, "FilterName", "MS Excel 97"); });
        trap.step(168, [&] { platform::callWhileResponsive([&] { saveAs(dispatcher, frame, saveArguments); }); });
        trap.step(170, [&] { services_.pause(2); });
        trap.step(172, yieldToWindowSystem);
        trap.step(174, yieldToWindowSystem);
        trap.step(176, [&] { closeDocument(document); });
        trap.step(178, [&] { document.reset(); });
    }  // 180

    trap.step(184, [&] { app::setMousePointer(controls_.window, app::kDefaultPointer); });
    trap.step(182, [&] { controls_.progress->setExactValue(0); });
    trap.step(186, [&] { controls_.progress->setCaption(kIdleCaption); });
    trap.step(188, [&] { tell(services_.prompts, QStringLiteral("Done.")); });
}

}  // namespace brindlemoor::convert
