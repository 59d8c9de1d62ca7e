// The accuracy widgets as a user meets them: the hint and its "use it" button, the coloured W
// read-out, the drift group and time plot fed from a real run, the integration method choice.
#include "kelaxes/pdftext.h"
#include "numerics/errorreport.h"
#include "scene/scene3d.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/integrationmethod.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "ui/accuracy/accuracyhintpanel.h"
#include "ui/accuracy/accuracypanels.h"
#include "ui/accuracy/energyreadout.h"
#include "ui/accuracy/energytimeplot.h"
#include "ui/mainwindow/driftgroup.h"
#include "ui/mainwindow/integrationmethodpanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cmath>

using namespace gyro;

class AccuracyPanelsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ErrorReport::instance().setAsker(nullptr);
        theCase().resetToDefaults();
        integrationChoice() = IntegrationChoice{};
    }
    void cleanup() {
        theCase().resetToDefaults();
        integrationChoice() = IntegrationChoice{};
        ErrorReport::instance().stopFlag() = 0;
    }

    // Default case: a gyration of 72 µm about the E × B drift under a 100 nm error limit, judged
    // over a thousand gyrations.
    void hintOffersAndAppliesASmallerLimit() {
        QWidget window;
        Scene3D scene;
        RunDriver driver(theCase(), scene);
        AccuracyPanels panels(theCase(), driver, &window);
        AccuracyHintPanel* hint = panels.hintPanel();
        QVERIFY(hint->isVisibleTo(&window));
        QVERIFY(hint->label()->text().contains("1E-11 m"));
        QTest::mouseClick(hint->useButton(), Qt::LeftButton);
        QCOMPARE(QString::fromStdString(theCase().Texte7()), QString("1E-11"));
        QVERIFY(!hint->isVisibleTo(&window));
        theCase().setText(BoxFamily::Texte7, 0, "1e-7");
        QVERIFY(hint->isVisibleTo(&window));
        // Boris has no error limit: the line tells its phase slip, with nothing to use.
        QTest::mouseClick(panels.methodPanel()->borisOption(), Qt::LeftButton);
        QVERIFY(hint->isVisibleTo(&window));
        QVERIFY(hint->label()->text().contains("0.9968 turn per gyration"));
        QVERIFY(!hint->useButton()->isVisibleTo(&window));
        QTest::mouseClick(panels.methodPanel()->cashKarpOption(), Qt::LeftButton);
        QVERIFY(hint->useButton()->isVisibleTo(&window));
        // A maximum time of ten gyrations asks for less.
        theCase().setText(BoxFamily::Texte3, slot::kPauseTime, "1.8e-8");
        QVERIFY(!hint->isVisibleTo(&window));
        // A speed above a tenth of c is told first.
        theCase().setText(BoxFamily::Texte3, slot::kVx + 1, "5e7");
        QVERIFY(hint->isVisibleTo(&window));
        QVERIFY(hint->label()->text().startsWith("The speed 0.167 c is above a tenth"));
    }

    void energyReadoutColours_data() {
        QTest::addColumn<double>("change");
        QTest::addColumn<QString>("colour");
        QTest::newRow("fine") << 5e-4 << "";
        QTest::newRow("notice") << -2e-3 << "#b35900";
        QTest::newRow("alarm") << 0.05 << "#c00000";
        QTest::newRow("not a number") << double(NAN) << "#c00000";
    }
    void energyReadoutColours() {
        QFETCH(double, change);
        QFETCH(QString, colour);
        EnergyReadout readout;
        readout.showChange(change);
        QCOMPARE(readout.box()->styleSheet().contains(colour), true);
        QCOMPARE(readout.box()->styleSheet().isEmpty(), colour.isEmpty());
        if (std::isfinite(change)) QCOMPARE(readout.box()->text().toDouble(), change);
        // On a field map with its own E, W's change is that E's work: never shown as error.
        readout.setUncountedWork(true);
        readout.showChange(change);
        QVERIFY(readout.box()->styleSheet().isEmpty());
        QVERIFY(readout.box()->toolTip().contains("field map's own"));
    }

    // An electron at 1e5 m/s across a uniform 0.015 T: mu = m v^2 / (2 B), pitch 90 deg, and W
    // kept to 1e-6 by Cash-Karp at a limit of 1e-12 m (radius 38 um).
    void runFeedsTheReadouts() {
        CaseModel& c = theCase();
        c.select(BoxFamily::Option4, slot::kUniform);
        for (int i = 0; i < 3; ++i) c.setText(BoxFamily::Texte4, i, "0");
        c.setText(BoxFamily::Texte6, slot::kBx + 2, "0.015");
        c.setText(BoxFamily::Texte3, slot::kVx + 1, "1e5");
        c.setText(BoxFamily::Texte7, 0, "1e-12");
        SpeciesRefresh(0);
        QWidget window;
        Scene3D scene;
        RunDriver driver(c, scene);
        AccuracyPanels panels(c, driver, &window);
        QVERIFY(!panels.hintPanel()->isVisibleTo(&window));
        QVERIFY(driver.RunTrajectory());
        panels.runStarted();
        QCOMPARE(panels.timePlot()->sampleCount(), 1);
        driver.advance(std::chrono::seconds(5), 2000);
        panels.refresh();
        panels.refresh(); // no new step: no new sample
        QCOMPARE(panels.timePlot()->sampleCount(), 2);
        QVERIFY(!panels.energyReadout()->box()->text().isEmpty());
        const double w = panels.energyReadout()->box()->text().toDouble();
        QVERIFY2(std::fabs(w) < 1e-6, qPrintable(panels.energyReadout()->box()->text()));
        const double mu = 9.1091e-31 * 1e10 / (2 * 0.015);
        const double shownMu = panels.driftGroup()->box(DriftGroup::Mu)->text().toDouble();
        QVERIFY2(std::fabs(shownMu / mu - 1) < 1e-3, qPrintable(QString::number(shownMu)));
        QCOMPARE(panels.driftGroup()->box(DriftGroup::Pitch)->text().toDouble(), 90.0);
        QCOMPARE(panels.driftGroup()->box(DriftGroup::DriftX)->text(), QString("0"));

        // The same particle with the Boris option: 32 steps a gyration, W kept to round-off.
        QTest::mouseClick(panels.methodPanel()->borisOption(), Qt::LeftButton);
        QVERIFY(driver.RunTrajectory());
        panels.runStarted();
        QCOMPARE(panels.timePlot()->sampleCount(), 1); // a new run starts a new plot
        const auto slice = driver.advance(std::chrono::seconds(5), 3200);
        QCOMPARE(slice.steps, std::uint64_t(3200));
        panels.refresh();
        const double period = 2 * M_PI * 9.1091e-31 / (1.6021e-19 * 0.015);
        QVERIFY(std::fabs(driver.time() / (100 * period) - 1) < 1e-9);
        QVERIFY(std::fabs(driver.invariant().relativeChange()) < 1e-12);
        QVERIFY(panels.energyReadout()->box()->styleSheet().isEmpty());
    }

    void methodChoiceAndStepsBox() {
        IntegrationMethodPanel panel;
        panel.show();
        QVERIFY(panel.cashKarpOption()->isChecked());
        QTest::mouseClick(panel.borisOption(), Qt::LeftButton);
        QCOMPARE(integrationChoice().method, IntegrationMethod::Boris);
        QLineEdit* box = panel.stepsBox();
        box->selectAll();
        QTest::keyClicks(box, "abc");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(integrationChoice().stepsPerGyration, 32.0);
        QCOMPARE(box->text(), QString("32"));
        QVERIFY(panel.message()->isVisible());
        QVERIFY(panel.message()->text().startsWith("\"abc\" is not a number of steps"));
        QVERIFY(box->styleSheet().contains("border")); // framed in red
        box->selectAll();
        QTest::keyClicks(box, "64");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(integrationChoice().stepsPerGyration, 64.0);
        QVERIFY(!panel.message()->isVisible());
        QVERIFY(box->styleSheet().isEmpty());
        QTest::mouseClick(panel.cashKarpOption(), Qt::LeftButton);
        QCOMPARE(integrationChoice().method, IntegrationMethod::CashKarp);
    }

    // A long run keeps a bounded history that still starts at the run's start; the picture is
    // drawn and exported.
    void timePlotThinsAndExports() {
        EnergyTimePlot plot;
        plot.resize(400, 240);
        for (int i = 0; i < 20000; ++i) plot.addSample(i * 1e-9, 1e-6 * i, i % 2 ? NAN : 0.0);
        QVERIFY(plot.sampleCount() <= EnergyTimePlot::kMaxSamples);
        QVERIFY(plot.sampleCount() > EnergyTimePlot::kMaxSamples / 2);
        QVERIFY(!plot.surface().isEmpty());
        QTemporaryDir dir;
        const QString file = dir.filePath("accuracy.png");
        QString error;
        QVERIFY(plot.savePng(file, {600, 400}, &error));
        QImage image(file);
        QCOMPARE(image.size(), QSize(600, 400));
        // The curves are drawn: the image holds the red of W and the blue of mu.
        bool red = false, blue = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red = red || (c.red() > 150 && c.green() < 100 && c.blue() < 100);
                blue = blue || (c.blue() > 150 && c.red() < 100);
            }
        QVERIFY(red && blue);
        QVERIFY(plot.savePdf(dir.filePath("accuracy.pdf"), &error));
        QVERIFY(QFileInfo(dir.filePath("accuracy.pdf")).size() > 0);
        // The page is a landscape A4 filled by the graphs, and both lower scale labels keep
        // their minus sign (W from -0.001, mu from -5e-18 after the padding).
        const QString text = test::pdfText(dir.filePath("accuracy.pdf"));
        if (!text.isNull()) {
            QVERIFY2(text.contains("-0.001") && text.contains("-5e-18"), qPrintable(text));
            QVERIFY(test::pdfInfo(dir.filePath("accuracy.pdf")).contains("842 x 595"));
        }
        QVERIFY(!plot.savePng(dir.filePath("missing/accuracy.png"), {600, 400}, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(AccuracyPanelsTest)
#include "accuracypanels_test.moc"
