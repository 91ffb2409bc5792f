// The failure report's exact text, and where a trapped handler goes on
// after each kind of failure.
#include "app/error_report.h"
#include "app/failure_trap.h"
#include "office/bridge/automation.h"
#include "platform/scripted_prompts.h"

#include <QtTest>

using namespace brindlemoor;
using app::FailureTrap;
using platform::Failure;

namespace {

const QString kLocation = QStringLiteral("in Quillfen2021/08/31.Form1.Form_Load ");

[[noreturn]] void fail(const QString& description) { throw Failure(5, description); }

// A procedure without a trap of its own: its failure belongs to the caller.
void untrappedCallee(QStringList& trail) {
    trail << QStringLiteral("callee start");
    fail(QStringLiteral("callee failed"));
    trail << QStringLiteral("callee end");  // never reached
}

}  // namespace

class FailureTrapTest : public QObject {
    Q_OBJECT

private:
    platform::ScriptedPrompts prompts;

    QList<int> reportedLines() const {
        QList<int> lines;
        for (const auto& message : prompts.messages()) {
            const qsizetype at = message.text.indexOf(QStringLiteral("at line "));
            lines << message.text.mid(at + 8, message.text.indexOf(u'\r', at) - at - 8).toInt();
        }
        return lines;
    }

private slots:
    void init() { prompts.clearRecords(); }

    void reportLayout() {
        app::reportError(prompts, QStringLiteral("File not found"), kLocation, 104);
        QCOMPARE(prompts.messages().size(), size_t(1));
        const auto& message = prompts.messages().front();
        QCOMPARE(message.text, QStringLiteral("File not found\r\nin Quillfen2021/08/31.Form1.Form_Load at line 104\r\r"
                                              "Please email screenshot of this message to support@brindlemoor.app"));
        QCOMPARE(message.title, QStringLiteral("Application Error"));
        QCOMPARE(message.buttons, platform::Buttons::Ok);
        QCOMPARE(message.icon, platform::Icon::Warning);
    }

    void emptyDescriptionKeepsTheLayout() {
        QCOMPARE(app::errorReportText(QString(), kLocation, 7),
                 QStringLiteral("\r\nin Quillfen2021/08/31.Form1.Form_Load at line 7\r\r"
                                "Please email screenshot of this message to support@brindlemoor.app"));
    }

    void failingPlainStepGoesOnWithTheNext() {
        QStringList trail;
        FailureTrap trap(prompts, kLocation);
        trap.step(100, [&] { trail << "100"; });
        trap.step(102, [&] { fail("broken"); });
        trap.step(104, [&] { trail << "104"; });
        QCOMPARE(trail, QStringList({"100", "104"}));
        QCOMPARE(reportedLines(), QList<int>{102});
        QVERIFY(prompts.messages().front().text.startsWith("broken\r\n"));
    }

    void failingTestTakesTheThenBranch() {
        QStringList trail;
        FailureTrap trap(prompts, kLocation);
        if (trap.test(138, [&]() -> bool { fail("cannot read"); })) {
            trap.step(140, [&] { trail << "140"; });
        } else {
            trap.step(142, [&] { trail << "142"; });
        }
        trap.step(144, [&] { trail << "144"; });
        QCOMPARE(trail, QStringList({"140", "144"}));
        QCOMPARE(reportedLines(), QList<int>{138});
    }

    void failureInUntrappedCalleeIsTheCallersStep() {
        QStringList trail;
        FailureTrap trap(prompts, kLocation);
        trap.step(100, [&] { untrappedCallee(trail); });
        trap.step(102, [&] { trail << "102"; });
        QCOMPARE(trail, QStringList({"callee start", "102"}));
        QCOMPARE(reportedLines(), QList<int>{100});
        QVERIFY(prompts.messages().front().text.contains(kLocation + "at line 100"));
    }

    void failureInLastStepOfBranchSkipsTheElse() {
        QStringList trail;
        FailureTrap trap(prompts, kLocation);
        if (trap.test(138, [] { return true; })) {
            trap.step(140, [&] { fail("cannot enable"); });
        } else {
            trap.step(142, [&] { trail << "142"; });
        }
        trap.step(144, [&] { trail << "144"; });
        QCOMPARE(trail, QStringList({"144"}));
        QCOMPARE(reportedLines(), QList<int>{140});
    }

    void failureInLoopBodyGoesOnWithTheBodyAndNextPass() {
        QStringList trail;
        FailureTrap trap(prompts, kLocation);
        for (int i = 1; i <= 3; ++i) {
            trap.step(150, [&] {
                if (i == 2) fail("cannot load");
                trail << QStringLiteral("load %1").arg(i);
            });
            trap.step(152, [&] { trail << QStringLiteral("next %1").arg(i); });
        }
        QCOMPARE(trail, QStringList({"load 1", "next 1", "next 2", "load 3", "next 3"}));
        QCOMPARE(reportedLines(), QList<int>{150});
    }

    void automationErrorsAndOtherExceptionsAreReported() {
        FailureTrap trap(prompts, kLocation);
        trap.step(146, [] { throw office::bridge::AutomationError(429, "ActiveX component can't create object"); });
        trap.step(148, [] { throw std::runtime_error("plain failure"); });
        QCOMPARE(reportedLines(), QList<int>({146, 148}));
        QVERIFY(prompts.messages()[0].text.startsWith("ActiveX component can't create object\r\n"));
        QVERIFY(prompts.messages()[1].text.startsWith("plain failure\r\n"));
    }

    void screenedFailureEndsTheHandlerWithoutReport() {
        QStringList trail;
        FailureTrap trap(prompts, kLocation);
        trap.screenFailures([](const Failure& failure) { return failure.number() == 20476; });
        trap.step(110, [&] { fail("not screened"); });
        trap.step(112, [] { throw Failure(20476, "buffer too small"); });
        trap.step(114, [&] { trail << "114"; });
        QVERIFY(!trap.test(116, [] { return true; }));
        QVERIFY(trap.ended());
        QVERIFY(trail.isEmpty());
        QCOMPARE(reportedLines(), QList<int>{110});
    }

    void endConditionStopsBeforeTheNextStep() {
        QStringList trail;
        bool closing = false;
        FailureTrap trap(prompts, kLocation);
        trap.endWhen([&] { return closing; });
        trap.step(150, [&] {
            trail << "150";
            closing = true;  // the step under way still finishes
            trail << "150 done";
        });
        trap.step(152, [&] { trail << "152"; });
        QVERIFY(!trap.test(154, [] { return true; }));
        closing = false;  // once ended, the handler stays ended
        trap.step(156, [&] { fail("after the end"); });
        QVERIFY(trap.ended());
        QCOMPARE(trail, QStringList({"150", "150 done"}));
        QVERIFY(prompts.messages().empty());
    }
};

QTEST_GUILESS_MAIN(FailureTrapTest)
#include "failure_trap_test.moc"
