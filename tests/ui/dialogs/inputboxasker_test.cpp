// The error report's real question box: texts and defaults, answer buttons, typed answers,
// keystrokes typed while it opens, the confirmation before ending, and "Don't ask again".
#include "numerics/errorreport.h"
#include "ui/dialogs/inputboxasker.h"
#include "ui/dialogs/keystrokeguard.h"
#include "ui/dialogs/reportquestionbox.h"
#include "ui/mainwindow/frmdessin.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace gyro;

namespace {

// Runs `act` on the next question box once it is open (polling for it from the event loop).
void onNextBox(std::function<void(ReportQuestionBox*)> act, int triesLeft = 500) {
    QTimer::singleShot(10, [act, triesLeft] {
        auto* box = qobject_cast<ReportQuestionBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (triesLeft > 0) onNextBox(act, triesLeft - 1);
            return;
        }
        act(box);
    });
}

// Waits until the box takes keys again (the keyboard has been quiet long enough).
void waitUntilListening(ReportQuestionBox* box) {
    QTRY_VERIFY_WITH_TIMEOUT(!box->guard()->guarding(), 3000);
}

const QString kLabel = "normafaute normalise vecteur nul = nul ";
const QString kQuestion = kLabel +
                          "\nA small error was raised, rounding error or null norm warning. If it "
                          "happen again, please modify the data...    Type Yes to continue, Stop "
                          "to stop, No to end the program";

} // namespace

class InputBoxAskerTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ErrorReport::instance().reset();
        ErrorReport::instance().setAsker(&m_asker);
        ErrorReport::instance().setEndProgram([this] { ++m_endCalls; });
        ErrorReport::instance().stopFlag() = 0;
        ErrorReport::instance().OrbitalTime = 0;
        m_endCalls = 0;
    }

    void cleanup() {
        ErrorReport::instance().setAsker(nullptr);
        ErrorReport::instance().setEndProgram({});
        ErrorReport::instance().reset();
        ErrorReport::instance().stopFlag() = 0;
    }

    void showsTheReportAndAnswersByButtonOrTypedText() {
        QString title, label, proposed;
        QStringList buttons;
        onNextBox([&](ReportQuestionBox* box) {
            title = box->windowTitle();
            label = box->findChild<QLabel*>()->text();
            proposed = box->answerField()->text();
            for (auto* b : box->findChildren<QPushButton*>()) buttons << b->text();
            QTest::mouseClick(box->button("Stop the computation"), Qt::LeftButton);
        });
        double status = 0;
        AlerteCalcul(kLabel.toStdString(), status);
        QCOMPARE(title, QString("normafaute normalise vecteur nul = nul    Warning"));
        QCOMPARE(label, kQuestion);
        QCOMPARE(proposed, QString("Yes, It is understood!"));
        for (const char* b : {"Continue", "Stop the computation", "End the program"})
            QVERIFY2(buttons.contains(b), b);
        QCOMPARE(status, 1.0);
        QCOMPARE(ErrorReport::instance().stopFlag(), 1.0);

        // The next box proposes the last answer; a typed answer still counts, Enter gives it.
        ErrorReport::instance().stopFlag() = 0;
        onNextBox([&](ReportQuestionBox* box) {
            proposed = box->answerField()->text();
            waitUntilListening(box);
            box->answerField()->selectAll();
            QTest::keyClicks(box->answerField(), "yes");
            QTest::keyClick(box->answerField(), Qt::Key_Return);
        });
        AlerteCalcul("rungefaute");
        QCOMPARE(proposed, QString("Stop"));
        QCOMPARE(ErrorReport::instance().stopFlag(), 0.0);
        QCOMPARE(ErrorReport::instance().lastAnswer(), std::string("yes"));
    }

    void keysTypedAsTheBoxOpensNeverReachIt() {
        // The user types "0.002e300" and Enter twice into a field box; the question opens after
        // the third key, while the typing goes on.
        QWidget window;
        auto* bz = new QLineEdit(&window);
        window.show();
        window.activateWindow();
        bz->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QString keys = "0.002e300\r\r";
        int sent = 0;
        QTimer typing;
        typing.setInterval(20);
        connect(&typing, &QTimer::timeout, [&] {
            if (sent == keys.size()) return typing.stop();
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : bz;
            QTest::keyClick(target, keys[sent++].toLatin1());
            if (sent == 3)
                QTimer::singleShot(0, [] { AlerteCalcul("Runge a tendance à boucler Pb de Pas"); });
        });
        bool stillOpen = false;
        QString fieldAfterTyping;
        int swallowed = 0;
        onNextBox([&](ReportQuestionBox* box) {
            QTRY_VERIFY(!typing.isActive());
            waitUntilListening(box);
            stillOpen = box->isVisible();
            fieldAfterTyping = box->answerField()->text();
            swallowed = box->guard()->swallowed();
            QTest::mouseClick(box->button("Continue"), Qt::LeftButton);
        });
        typing.start();
        QTRY_VERIFY_WITH_TIMEOUT(ErrorReport::instance().lines().size() == 1 &&
                                     !typing.isActive() && !QApplication::activeModalWidget(),
                                 5000);
        QVERIFY(stillOpen);
        QCOMPARE(fieldAfterTyping, QString("Yes, It is understood!"));
        QCOMPARE(swallowed, keys.size() - 3);
        QCOMPARE(bz->text(), QString("0.0")); // the keys before the box went where they belong
        QCOMPARE(m_endCalls, 0);
        QCOMPARE(ErrorReport::instance().stopFlag(), 0.0);
        QCOMPARE(ErrorReport::instance().lastAnswer(), std::string("Yes"));
    }

    void endingTheProgramTakesAnExplicitChoice() {
        QString confirmTitle, confirmLabel, confirmProposed;
        bool hasDontAsk = true;
        // End the program, then Enter on the confirmation: the program goes on.
        onNextBox([&](ReportQuestionBox* box) {
            QTest::mouseClick(box->button("End the program"), Qt::LeftButton);
            onNextBox([&](ReportQuestionBox* confirm) {
                confirmTitle = confirm->windowTitle();
                confirmLabel = confirm->findChild<QLabel*>()->text();
                confirmProposed = confirm->answerField()->text();
                hasDontAsk = confirm->dontAskAgainBox() != nullptr;
                waitUntilListening(confirm);
                QTest::keyClick(confirm->answerField(), Qt::Key_Return);
            });
        });
        AlerteCalcul("Atn2faute");
        QCOMPARE(confirmTitle, QString("Warning again"));
        QCOMPARE(confirmLabel, QString("Do you really want to kill the process "));
        QCOMPARE(confirmProposed, QString("No"));
        QVERIFY(!hasDontAsk);
        QCOMPARE(m_endCalls, 0);

        // Enter on the first question, whose proposed answer is now "No", only asks again.
        onNextBox([&](ReportQuestionBox* box) {
            waitUntilListening(box);
            QTest::keyClick(box->answerField(), Qt::Key_Return);
            onNextBox([&](ReportQuestionBox* confirm) {
                QTest::mouseClick(confirm->button("End the program"), Qt::LeftButton);
            });
        });
        AlerteCalcul("Atn2faute");
        QCOMPARE(m_endCalls, 1);
        QCOMPARE(ErrorReport::instance().lastAnswer(), std::string("Yes"));
    }

    void dontAskAgainLogsTheLabelForTheRestOfTheRun() {
        const std::string label = "Runge a tendance à boucler Pb de Pas";
        ErrorReport::instance().beginRun();
        onNextBox([&](ReportQuestionBox* box) {
            QCheckBox* dontAsk = box->dontAskAgainBox();
            // On the tick box itself: the widget is wider than its box and text.
            QTest::mouseClick(dontAsk, Qt::LeftButton, {}, QPoint(6, dontAsk->height() / 2));
            QVERIFY(dontAsk->isChecked());
            QTest::mouseClick(box->button("Continue"), Qt::LeftButton);
        });
        AlerteCalcul(label);
        // A box opening now would block the test: make any such box fail and close.
        int unexpected = 0;
        QTimer watchdog;
        connect(&watchdog, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++unexpected;
                box->reject();
            }
        });
        watchdog.start(20);
        for (int i = 0; i < 5; ++i) AlerteCalcul(label);
        watchdog.stop();
        QCOMPARE(unexpected, 0);
        QCOMPARE(ErrorReport::instance().lines().size(), std::size_t(6));
        QCOMPARE(ErrorReport::instance().silencedCount(), std::size_t(5));

        // The next run asks again.
        ErrorReport::instance().beginRun();
        bool asked = false;
        onNextBox([&](ReportQuestionBox* box) {
            asked = true;
            QVERIFY(!box->dontAskAgainBox()->isChecked());
            box->reject();
        });
        AlerteCalcul(label);
        QVERIFY(asked);
    }

    void warningBoxShowsTheNewLineOnTop() {
        FrmDessin window;
        window.show();
        AlerteCalcul("_Pb de Pas");
        QTRY_COMPARE(window.warningBox()->toPlainText(), QString("At_Time= . _Pb de Pas\n"));
        ErrorReport::instance().OrbitalTime = 2.5;
        onNextBox([](ReportQuestionBox* box) { box->reject(); });
        AlerteCalcul(kLabel.toStdString());
        QTRY_VERIFY(window.warningBox()->toPlainText().startsWith("At_Time= 2.5 " + kLabel + "\n"));
        QCOMPARE(window.warningBox()->toPlainText(),
                 "At_Time= 2.5 " + kLabel + "\nAt_Time= . _Pb de Pas\n");
    }

private:
    InputBoxAsker m_asker;
    int m_endCalls = 0;
};

QTEST_MAIN(InputBoxAskerTest)
#include "inputboxasker_test.moc"
