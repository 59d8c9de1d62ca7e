// The accuracy read-outs in the real main window: where they sit, the hint's "use it" on the
// default case, the read-outs and the time plot following a run, the plot's dock and exports.
#include "numerics/errorreport.h"
#include "simulation/casemodel.h"
#include "simulation/integrationmethod.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "simulation/startup.h"
#include "support/freshstart.h"
#include "support/scriptedasker.h"
#include "support/widgets.h"
#include "ui/accuracy/accuracydock.h"
#include "ui/accuracy/energytimeplot.h"
#include "ui/mainwindow/frmdessin.h"
#include "ui/mainwindow/runloop.h"
#include "ui/mainwindow/speedcontrol.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <memory>

using namespace gyro;

class AccuracyWiringTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_asker = test::ScriptedAsker({"Laboratoire"}); // the working site, on a first start
        m_asker.fallbackToDefault = true;
        m_start = std::make_unique<test::FreshStart>(m_asker);
        QVERIFY(m_start->ready());
        m_window = std::make_unique<FrmDessin>();
        m_window->setQuitHandler([] {});
        m_window->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() {
        m_window.reset();
        m_start.reset();
    }

    // Default case: a gyration of 72 µm about the drift under a 100 nm error limit.
    void panelsSitInTheirGroupsAndTheHintAppliesItsSuggestion() {
        auto* integration = control<QGroupBox>("IntegrationFrame");
        QVERIFY(control<QGroupBox>("RunFrame")->isAncestorOf(box("EnergyInvariantBox")));
        QVERIFY(control<QGroupBox>("DriftGroup")->isVisible());
        // The hint sits between the error limit and the method choice.
        auto y = [&](const char* name) {
            return control<QWidget>(name)->mapTo(integration, QPoint()).y();
        };
        QVERIFY(y("Texte7") < y("AccuracyHint") && y("AccuracyHint") < y("MethodBoris"));
        QVERIFY(control<QWidget>("AccuracyHint")->isVisible());
        QTest::mouseClick(control<QPushButton>("AccuracyHintUse"), Qt::LeftButton);
        QCOMPARE(box("Texte7")->text(), QString("1E-11"));
        QCOMPARE(theCase().Texte7Value(), 1e-11);
        QVERIFY(!control<QWidget>("AccuracyHint")->isVisible());

        // The plot's dock opens from the Vue menu; the window still fits a 1600 x 1000 screen,
        // and on a 1280 x 720 screen the scene keeps about half the window's height.
        m_window->resize(1280, 690);
        auto* dock = control<AccuracyDock>("AccuracyDock");
        QVERIFY(!dock->isVisible());
        auto* toggle = control<QAction>("MnuAccuracyPlot");
        QVERIFY(control<QMenu>("MnuVue")->actions().contains(toggle));
        toggle->trigger();
        QTRY_VERIFY(dock->isVisible());
        auto* scene = control<QWidget>("Traceur3D");
        QTRY_VERIFY2(scene->height() >= 0.48 * m_window->height(),
                     qPrintable(QString::number(scene->height())));
        QVERIFY(m_window->minimumSizeHint().height() <= 960);
    }

    void readoutsAndPlotFollowTheRunAndThePlotIsSaved() {
        control<QSlider>("SpeedSlider")->setValue(SpeedControl::kFastest);
        auto* plot = control<EnergyTimePlot>("EnergyTimePlot");
        QVERIFY(box("EnergyInvariantBox")->text().isEmpty());
        theCase().setText(BoxFamily::Texte7, 0, "1e-5"); // a seventh of the gyration radius
        clickRun();
        QTRY_VERIFY(plot->sampleCount() >= 3);
        QTRY_VERIFY(box("EnergyInvariantBox")->styleSheet().contains("#c00000"));
        pauseAndWaitForARefresh();
        QVERIFY(!box("DriftMu")->text().isEmpty());
        // The read-out is the run's own invariant (to the two digits shown); the error limit is
        // far too coarse for this gyration, so W runs away and says so in red.
        const double shown = box("EnergyInvariantBox")->text().toDouble();
        const double w = m_window->driver().invariant().relativeChange();
        QVERIFY2(std::fabs(shown - w) <= 0.1 * std::fabs(w),
                 qPrintable(QString("%1 against %2").arg(shown).arg(w)));
        QVERIFY(box("EnergyInvariantBox")->styleSheet().contains("#c00000"));

        auto* dock = control<AccuracyDock>("AccuracyDock");
        QString answer = m_start->filePath("w.png");
        dock->setPathAsker([&](const QString&, const QString&, const QString&) { return answer; });
        QTest::mouseClick(dock->pngButton(), Qt::LeftButton);
        QCOMPARE(QImage(answer).size(), QSize(1200, 750));
        answer = m_start->filePath("w.pdf");
        QTest::mouseClick(dock->pdfButton(), Qt::LeftButton);
        QFile pdf(answer);
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");

        // Abandon the run and start another: the plot starts again from the new run.
        QTest::mouseClick(control<QPushButton>("Commande3"), Qt::LeftButton);
        QTRY_VERIFY(!m_window->driver().running());
        const int before = plot->sampleCount();
        clickRun();
        QVERIFY(plot->sampleCount() < before);
        QTRY_VERIFY(plot->sampleCount() >= 2);
    }

    // A nested run that ends hands the read-outs back to the run below it at once, paused.
    void readoutsReturnToTheOuterRunWhenANestedRunEnds() {
        control<QSlider>("SpeedSlider")->setValue(SpeedControl::kFastest);
        theCase().setText(BoxFamily::Texte7, 0, "1e-5"); // W runs away
        clickRun();
        QTRY_VERIFY(control<EnergyTimePlot>("EnergyTimePlot")->sampleCount() >= 3);
        pauseAndWaitForARefresh();
        const QString outerW = box("EnergyInvariantBox")->text();
        const QString outerMu = box("DriftMu")->text();
        theCase().setText(BoxFamily::Texte7, 0, "1e-11"); // W keeps to its digits
        clickRun();
        QTRY_VERIFY(box("EnergyInvariantBox")->text() != outerW &&
                    box("DriftMu")->text() != outerMu);
        QTest::mouseClick(control<QPushButton>("Commande2"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("Commande3"), Qt::LeftButton); // Other Case
        QTRY_COMPARE(m_window->driver().depth(), 1);
        QVERIFY(m_window->driver().paused());
        QCOMPARE(box("EnergyInvariantBox")->text(), outerW);
        QCOMPARE(box("DriftMu")->text(), outerMu);
        QCOMPARE(control<EnergyTimePlot>("EnergyTimePlot")->sampleCount(), 1);
    }

private:
    template <class T> T* control(const QString& name) {
        return test::control<T>(m_window.get(), name);
    }
    QLineEdit* box(const QString& name) { return test::box(m_window.get(), name); }
    void clickRun() {
        const int depth = m_window->driver().depth();
        QTest::mouseClick(control<QPushButton>("Commande14"), Qt::LeftButton);
        QVERIFY(m_window->driver().depth() > depth);
    }
    /// Pauses the run on top and waits until the window has shown the paused state once.
    void pauseAndWaitForARefresh() {
        QSignalSpy refreshed(&m_window->runLoop(), &RunLoop::refreshed);
        QTest::mouseClick(control<QPushButton>("Commande2"), Qt::LeftButton); // Pause
        QVERIFY(m_window->driver().paused());
        QTRY_VERIFY(refreshed.count() >= 1);
    }

    std::unique_ptr<test::FreshStart> m_start;
    test::ScriptedAsker m_asker;
    std::unique_ptr<FrmDessin> m_window;
};

QTEST_MAIN(AccuracyWiringTest)
#include "accuracywiring_test.moc"
