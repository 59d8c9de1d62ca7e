// The orbit-check window: its controls, the orbit check from the "Runge 8" button, the date
// conversion and the end of the program, clicked as a user would.
#include "numerics/errorreport.h"
#include "numerics/tracelog.h"
#include "orbital/orbitlog.h"
#include "support/scriptedasker.h"
#include "support/widgets.h"
#include "ui/orbit/frmdessin8.h"

#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <deque>

namespace {

/// The shared scripted asker, answering "Yes" once its script is used up.
class ScriptedAsker : public gyro::test::ScriptedAsker {
public:
    ScriptedAsker() { fallback = "Yes"; }
};

QStringList nonEmptyLines(const QPlainTextEdit* box) {
    return box->toPlainText().split('\n', Qt::SkipEmptyParts);
}

} // namespace

class FrmDessin8Test : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void boxesStartWithTheirDefaults();
    void runge8FillsTheLogs();
    void zeroStepKeepsTheBodyStill();
    void astronomiePlanShowsTodaysJulianDay();
    void traceBringsTheWindowUp();
    void commande1EndsTheProgram();

private:
    template <class T> T* control(const char* name) {
        return gyro::test::control<T>(m_window, name);
    }
    gyro::FrmDessin8* m_window = nullptr;
    ScriptedAsker m_asker;
    int m_endRequests = 0;
};

void FrmDessin8Test::init() {
    gyro::ErrorReport::instance().reset();
    gyro::ErrorReport::instance().setAsker(&m_asker);
    gyro::ErrorReport::instance().setEndProgram([this] { ++m_endRequests; });
    gyro::traceLog().clear();
    gyro::stepControlLog().clear();
    m_asker.answers.clear();
    m_asker.titles.clear();
    m_endRequests = 0;
    m_window = new gyro::FrmDessin8;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void FrmDessin8Test::cleanup() {
    delete m_window;
    m_window = nullptr;
    gyro::ErrorReport::instance().setAsker(nullptr);
    gyro::ErrorReport::instance().setEndProgram({});
}

void FrmDessin8Test::boxesStartWithTheirDefaults() {
    QCOMPARE(control<QLineEdit>("Texte1")->text(), QString("100"));
    QVERIFY(control<QPlainTextEdit>("Texte2")->isReadOnly());
    QVERIFY(control<QPlainTextEdit>("TxtVer")->isReadOnly());
}

// The step-control box keeps one line per step, fifty in all; the comparison box shows the
// comparison of the latest step with the Kepler orbit, followed by the final state.
void FrmDessin8Test::runge8FillsTheLogs() {
    QTest::mouseClick(control<QPushButton>("Commande16"), Qt::LeftButton);
    QCOMPARE(m_asker.titles, std::vector<std::string>{"BON   Warning"});

    const QStringList steps = nonEmptyLines(control<QPlainTextEdit>("TxtVer"));
    QCOMPARE(steps.size(), 50);
    QVERIFY2(steps[0].startsWith("PLUSpasOld 100 pas 500 err,dR,dV "), qPrintable(steps[0]));
    for (const QString& line : steps) QVERIFY2(line.contains("pasOld"), qPrintable(line));

    const QStringList trace = nonEmptyLines(control<QPlainTextEdit>("Texte2"));
    QCOMPARE(trace.size(), 2);
    const QStringList fields = trace[0].split(' ', Qt::SkipEmptyParts);
    QCOMPARE(fields.size(), 6);                   // time, dR, dV, d(anomaly), step, anomaly
    QVERIFY(fields[0].toDouble() > 10000);        // the body has flown for hours ...
    QVERIFY(std::fabs(fields[1].toDouble()) < 5); // ... on its ellipse to a few metres
    QVERIFY(fields[5].toDouble() > 180);          // past the apogee towards the perigee
    QVERIFY2(trace[1].startsWith("Finales_cond_"), qPrintable(trace[1]));
    QVERIFY(control<QPushButton>("Commande16")->isEnabled());
}

void FrmDessin8Test::zeroStepKeepsTheBodyStill() {
    auto* step = control<QLineEdit>("Texte1");
    step->clear();
    QTest::keyClicks(step, "0");
    QTest::mouseClick(control<QPushButton>("Commande16"), Qt::LeftButton);
    const QStringList trace = nonEmptyLines(control<QPlainTextEdit>("Texte2"));
    QCOMPARE(trace.size(), 2);
    QCOMPARE(trace[0].split(' ', Qt::SkipEmptyParts).first().toDouble(), 0.0);
    const QStringList last = trace[1].split(' ', Qt::SkipEmptyParts);
    QCOMPARE(last.size(), 5);
    QCOMPARE(last[1].toDouble(), 42000000.0);
    QCOMPARE(last[3].toDouble(), 0.0);
}

// Qt counts Julian Days from noon: today at 0 h is half a day earlier.
void FrmDessin8Test::astronomiePlanShowsTodaysJulianDay() {
    QTest::mouseClick(control<QPushButton>("Commande2"), Qt::LeftButton);
    const QDate today = QDate::currentDate();
    const QString expected = QString::number(double(today.toJulianDay()) - 0.5, 'f', 1);
    const QString text = control<QPlainTextEdit>("Texte2")->toPlainText();
    QVERIFY2(text.contains(today.toString("yyyy-MM-dd")), qPrintable(text));
    QVERIFY2(text.contains("Jour Julien   " + expected), qPrintable(text));
}

void FrmDessin8Test::traceBringsTheWindowUp() {
    m_window->hide();
    gyro::TraceLigne("cumul", 1);
    QVERIFY(m_window->isVisible());
    QVERIFY(control<QPlainTextEdit>("Texte2")->toPlainText().endsWith("cumul   1"));
}

void FrmDessin8Test::commande1EndsTheProgram() {
    QTest::mouseClick(control<QPushButton>("Commande1"), Qt::LeftButton);
    QCOMPARE(m_endRequests, 1);
}

QTEST_MAIN(FrmDessin8Test)
#include "frmdessin8_test.moc"
