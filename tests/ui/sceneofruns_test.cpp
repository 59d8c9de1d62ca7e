// Scenes of later runs in the live view: each run framed as it starts, followed without older
// runs, its circles black; "Clear scene" back to the starting zoom.
#include "numerics/errorreport.h"
#include "simulation/casemodel.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "ui/traceur3d.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace gyro;
using namespace std::chrono_literals;

namespace {

// Electron in a uniform Bz of 1 mT started at (x, 0, 0) with a speed that gives a circle of
// `diameter` [m]: v = |q| B d / (2 m).
void electronCase(double x, double diameter) {
    CaseModel& m = theCase();
    m.resetToDefaults();
    m.select(BoxFamily::Option4, 1);
    m.select(BoxFamily::Option5, 0);
    m.setText(BoxFamily::Texte4, 2, "");
    m.setText(BoxFamily::Texte6, 2, "0.001");
    m.setText(BoxFamily::Texte3, 0, std::to_string(x));
    m.setText(BoxFamily::Texte3, 4,
              std::to_string(1.6021e-19 * 1e-3 * diameter / (2 * 9.1091e-31)));
    m.setText(BoxFamily::Texte7, 0, "1e-6");
    SpeciesRefresh(10);
}

// Runs one full turn of the case as it stands (and a little more).
void runOneTurn(RunDriver& driver) {
    QVERIFY(driver.RunTrajectory());
    const double period = 2 * 3.14159265358979 * 9.1091e-31 / (1.6021e-19 * 1e-3);
    while (driver.running() && driver.time() < 1.1 * period) driver.advance(1s, 2000);
}

void endRun(RunDriver& driver) {
    driver.setPaused(true);
    driver.setOtherCase(true);
    driver.advance(1s);
    driver.setPaused(false);
    QVERIFY(!driver.running());
}

bool isHome(const Traceur3D& w) {
    return w.camera() == homeCamera(w.model(), w.camera().viewport());
}

} // namespace

class SceneOfRunsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ErrorReport::instance().reset();
        m_w = std::make_unique<Traceur3D>();
        m_w->resize(400, 300);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    }
    void cleanup() {
        m_w.reset();
        theCase().resetToDefaults();
    }

    void aSmallOrbitAfterALargeOneIsFramedAndDrawnWithBlackCircles() {
        RunDriver driver(theCase(), *m_w);
        // A 40 cm orbit whose view the user zooms while it is drawn.
        electronCase(0.4, 0.4);
        runOneTurn(driver);
        m_w->flush();
        QTest::keyClick(m_w.get(), Qt::Key_Plus);
        driver.advance(1s, 50);
        m_w->flush();
        endRun(driver);
        const std::size_t circlesBefore = m_w->model().circles().size();

        // Then a 1 cm orbit at 4.25 cm from the axis.
        electronCase(0.0425, 0.01);
        runOneTurn(driver);
        m_w->flush();
        QVERIFY(isHome(*m_w));
        QCOMPARE(m_w->camera().centre().x, 0.0);
        // The orbit spans tens of pixels (the 4.25 cm frame fills the view), several times what
        // it had when the view zoomed out to the whole scene of both runs.
        ViewCamera wholeScene = m_w->camera();
        wholeScene.fitBox(m_w->model().bounds(), 0.6);
        QVERIFY(0.01 * m_w->camera().scale() > 20);
        QVERIFY(m_w->camera().scale() > 4 * wholeScene.scale());

        // Both circles of the second run are black; its trajectory keeps its own colour.
        const auto& circles = m_w->model().circles();
        QCOMPARE(circles.size(), circlesBefore + 2);
        QCOMPARE(circles[circles.size() - 1].rgb, SceneRgb(0));
        QCOMPARE(circles[circles.size() - 2].rgb, SceneRgb(0));
        QCOMPARE(m_w->model().pointColour(), SceneRgb(0xFF0000));
    }

    void aViewChosenBetweenRunsIsKept() {
        RunDriver driver(theCase(), *m_w);
        electronCase(0.0425, 0.01);
        runOneTurn(driver);
        endRun(driver);
        m_w->flush();
        QTest::keyClick(m_w.get(), Qt::Key_3); // top view, chosen before the next run
        QTest::keyClick(m_w.get(), Qt::Key_Plus);
        const ViewCamera chosen = m_w->camera();
        runOneTurn(driver);
        m_w->flush();
        QVERIFY(m_w->camera() == chosen);
    }

    void clearSceneGoesBackToTheStartingZoom() {
        RunDriver driver(theCase(), *m_w);
        electronCase(0.0425, 0.01);
        runOneTurn(driver);
        m_w->flush();
        for (int i = 0; i < 4; ++i) QTest::keyClick(m_w.get(), Qt::Key_Plus);
        QVERIFY(!isHome(*m_w));
        std::unique_ptr<QMenu> menu(m_w->createMenu(nullptr));
        for (QAction* a : menu->actions()) {
            if (a->text() == "Clear scene") a->trigger();
        }
        QVERIFY(m_w->model().isEmpty());
        QVERIFY(isHome(*m_w));
    }

private:
    std::unique_ptr<Traceur3D> m_w;
};

QTEST_MAIN(SceneOfRunsTest)
#include "sceneofruns_test.moc"
