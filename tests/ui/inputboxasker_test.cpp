// The error report's real input box: its title, question and default, typed answers and Cancel.
#include "numerics/errorreport.h"
#include "ui/frmdessin.h"
#include "ui/inputboxasker.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace gyro;

namespace {

// What an input box showed before it was answered.
struct SeenBox {
    bool found = false;
    QString objectName;
    QString title;
    QString label;
    QString text;
};

// Waits for the next modal input box, records what it shows, then types `answer` over the
// proposed text and presses OK, or presses Cancel when `cancel` is set. `then` runs once the box
// is closed (to wait for a following box).
void answerNextBox(SeenBox& seen, const QString& answer, bool cancel,
                   std::function<void()> then = {}, int triesLeft = 500) {
    QTimer::singleShot(10, [&seen, answer, cancel, then, triesLeft] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box) {
            if (triesLeft > 0) answerNextBox(seen, answer, cancel, then, triesLeft - 1);
            return;
        }
        seen.found = true;
        seen.objectName = box->objectName();
        seen.title = box->windowTitle();
        seen.label = box->labelText();
        seen.text = box->textValue();
        auto* buttons = box->findChild<QDialogButtonBox*>();
        auto* edit = box->findChild<QLineEdit*>();
        if (!buttons || !edit) {
            box->reject();
        } else if (cancel) {
            QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        } else {
            edit->selectAll();
            QTest::keyClicks(edit, answer);
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        }
        if (then) then();
    });
}

const QString kLabel = "normafaute normalise vecteur nul = nul ";
const QString kQuestion = kLabel +
                          "\nA small error was raised, rounding error or null norm warning. If it "
                          "happen again, please modify the data...    Type Yes to continue, Stop "
                          "to stop, No to end the run";

} // namespace

class InputBoxAskerTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ErrorReport::instance().reset();
        ErrorReport::instance().setAsker(&m_asker);
        ErrorReport::instance().setEndProgram([this] { ++m_endCalls; });
        StopCalcul = 0;
        OrbitalTime = 0;
        m_endCalls = 0;
    }

    void cleanup() {
        ErrorReport::instance().setAsker(nullptr);
        ErrorReport::instance().setEndProgram({});
        ErrorReport::instance().reset();
        StopCalcul = 0;
    }

    void firstReportProposesUnderstoodAndStopStops() {
        SeenBox seen;
        answerNextBox(seen, "Stop", false);
        double status = 0;
        AlerteCalcul(kLabel.toStdString(), status);
        QVERIFY(seen.found);
        QCOMPARE(seen.objectName, QString("InputBox"));
        QCOMPARE(seen.title, QString("normafaute normalise vecteur nul = nul    Warning"));
        QCOMPARE(seen.label, kQuestion);
        QCOMPARE(seen.text, QString("Yes, It is understood!"));
        QCOMPARE(status, 1.0);
        QCOMPARE(StopCalcul, 1.0);
        QCOMPARE(ErrorReport::instance().lastAnswer(), std::string("Stop"));

        // The next box proposes the last answer; accepting it as it stands stops again.
        StopCalcul = 0;
        SeenBox again;
        answerNextBox(again, "Stop", false);
        AlerteCalcul("rungefaute");
        QVERIFY(again.found);
        QCOMPARE(again.text, QString("Stop"));
        QCOMPARE(StopCalcul, 1.0);
    }

    void cancelContinuesAndEmptiesTheDefault() {
        SeenBox seen;
        answerNextBox(seen, {}, true);
        double status = 0;
        AlerteCalcul(kLabel.toStdString(), status);
        QVERIFY(seen.found);
        QCOMPARE(seen.text, QString("Yes, It is understood!"));
        QCOMPARE(status, 0.0);
        QCOMPARE(StopCalcul, 0.0);
        QCOMPARE(ErrorReport::instance().lastAnswer(), std::string());

        SeenBox next;
        answerNextBox(next, "yes", false);
        AlerteCalcul("frRungefaute");
        QVERIFY(next.found);
        QCOMPARE(next.text, QString());
        QCOMPARE(StopCalcul, 0.0);
        QCOMPARE(m_endCalls, 0);
    }

    void noAsksForTheKillConfirmation() {
        SeenBox first;
        SeenBox confirm;
        // The confirmation box opens once the first one has closed.
        answerNextBox(first, "No", false, [&] { answerNextBox(confirm, "yes", false); });
        AlerteCalcul("Atn2faute");
        QVERIFY(first.found);
        QVERIFY(confirm.found);
        QCOMPARE(confirm.title, QString("Warning again"));
        QCOMPARE(confirm.label, QString("Do you really want to kill the process "));
        QCOMPARE(confirm.text, QString("Yes to kill"));
        QCOMPARE(m_endCalls, 1);
        QCOMPARE(ErrorReport::instance().lastAnswer(), std::string("yes"));
    }

    void warningBoxShowsTheNewLineOnTop() {
        FrmDessin window;
        window.show();
        AlerteCalcul("_Pb de Pas");
        QTRY_COMPARE(window.warningBox()->toPlainText(), QString("At_Time= . _Pb de Pas\n"));
        OrbitalTime = 2.5;
        SeenBox seen;
        answerNextBox(seen, "y", false);
        AlerteCalcul(kLabel.toStdString());
        QVERIFY(seen.found);
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
