// Later runs in the live view: each framed as it starts and followed without older runs, black
// circles, automatic arrows sized to the orbit, "Clear scene" back to the starting zoom, and the
// questions silenced in one run asked again in the next.
#include "numerics/errorreport.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "ui/scene/traceur3d.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace gyro;
using namespace std::chrono_literals;

namespace {

constexpr double kMe = 9.1091e-31, kQ = 1.6021e-19, kBz = 1e-3; // [kg], [C], [T]
const double kPeriod = 2 * 3.14159265358979 * kMe / (kQ * kBz); // electron gyration [s]

// Electron in a uniform Bz started at (x, 0, 0) at the speed v = |q| B d / (2 m) of a circle
// `diameter` [m] across.
void electronCase(double x, double diameter) {
    CaseModel& m = theCase();
    m.resetToDefaults();
    m.select(BoxFamily::Option4, slot::kUniform);
    m.setText(BoxFamily::Texte4, slot::kEx + 2, "");
    m.setText(BoxFamily::Texte6, slot::kBx + 2, std::to_string(kBz));
    m.setText(BoxFamily::Texte3, slot::kX, std::to_string(x));
    m.setText(BoxFamily::Texte3, slot::kVx + 1, std::to_string(kQ * kBz * diameter / (2 * kMe)));
    m.setText(BoxFamily::Texte7, 0, "1e-7");
    SpeciesRefresh(10);
}

// Runs the run on top until its time reaches `turns` gyration periods.
void runUntil(RunDriver& driver, double turns) {
    while (driver.running() && driver.time() < turns * kPeriod) driver.advance(1s, 10);
}

// "Other Case" on the paused run: it ends.
void endRun(RunDriver& driver) {
    driver.setPaused(true);
    driver.setOtherCase(true);
    driver.advance(1s);
    driver.setPaused(false);
}

// A new run of the case for one full turn (and a little more), then ended.
void runOneTurn(RunDriver& driver) {
    QVERIFY(driver.RunTrajectory());
    runUntil(driver, 1.1);
    endRun(driver);
}

bool isHome(const Traceur3D& w) {
    return w.camera() == homeCamera(w.model(), w.camera().viewport());
}

double length(const SceneSegment& s) {
    return std::hypot(s.b().x - s.a.x, s.b().y - s.a.y, s.b().z - s.a.z);
}

} // namespace

class LaterRunsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ErrorReport::instance().reset();
        m_w = std::make_unique<Traceur3D>();
        m_w->resize(400, 300);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        m_driver = std::make_unique<RunDriver>(theCase(), m_w->model());
    }
    void cleanup() {
        m_driver.reset();
        m_w.reset();
        ErrorReport::instance().setAsker(nullptr);
        theCase().resetToDefaults();
    }

    void aSmallOrbitAfterALargeOneIsFramedWithBlackCirclesAndShortArrows() {
        // A 40 cm orbit, whose view the user zooms while it is drawn.
        electronCase(0.4, 0.4);
        QVERIFY(m_driver->RunTrajectory());
        runUntil(*m_driver, 0.5);
        m_w->flush();
        QTest::keyClick(m_w.get(), Qt::Key_Plus);
        runUntil(*m_driver, 1.1);
        endRun(*m_driver);
        const std::size_t circlesBefore = m_w->model().circles().size();

        // Then a 1 cm orbit at 4.25 cm from the axis, with automatic arrows.
        electronCase(0.0425, 0.01);
        theCase().setState(BoxFamily::Coche1, slot::kDrawVectors, 1);
        theCase().setState(BoxFamily::Coche1, slot::kAutoScale, 1);
        runOneTurn(*m_driver);
        m_w->flush();
        QVERIFY(isHome(*m_w));
        // Several times the zoom of a view that takes in both runs.
        ViewCamera wholeScene = m_w->camera();
        wholeScene.fitBox(m_w->model().bounds(), 0.6);
        QVERIFY(m_w->camera().scale() > 4 * wholeScene.scale());

        const auto& circles = m_w->model().circles();
        QCOMPARE(circles.size(), circlesBefore + 2);
        QCOMPARE(circles.back().rgb, SceneRgb(0));
        QCOMPARE(circles[circles.size() - 2].rgb, SceneRgb(0));

        // Once the circle is closed the B arrow (green, drawn first) is a tenth of its diameter
        // and the velocity arrow (constant speed) a sixtieth; none was ever longer.
        const auto& arrows = m_w->model().segments();
        QVERIFY(arrows.size() > 30);
        const std::size_t n = arrows.size();
        QCOMPARE(arrows[n - 3].rgb, SceneRgb(0x00FF00));
        QVERIFY(std::abs(length(arrows[n - 3]) / 0.001 - 1) < 0.01);
        QVERIFY(std::abs(length(arrows[n - 1]) / (0.01 / 60) - 1) < 0.01);
        for (std::size_t i = 0; i < n; i += 3) QVERIFY(length(arrows[i]) < 0.00101);
    }

    void clearSceneGoesBackToTheStartingZoom() {
        electronCase(0.0425, 0.01);
        runOneTurn(*m_driver);
        m_w->flush();
        QTest::keyClick(m_w.get(), Qt::Key_Plus);
        QVERIFY(!isHome(*m_w));
        std::unique_ptr<QMenu> menu(m_w->createMenu(nullptr));
        for (QAction* a : menu->actions()) {
            if (a->text() == "Clear scene") a->trigger();
        }
        QVERIFY(m_w->model().isEmpty());
        QVERIFY(isHome(*m_w));
    }

    void aNewRunAsksTheSilencedQuestionsAgain() {
        // Answers Yes with "Don't ask again during this run" ticked, and counts the questions.
        struct Silencing : Asker {
            int asked = 0;
            std::string ask(const std::string&, const std::string&, const std::string&) override {
                return "Yes";
            }
            ReportAnswer askReport(ReportQuestion, const std::string&, const std::string&,
                                   const std::string&) override {
                return ++asked, ReportAnswer{"Yes", true};
            }
        } asker;
        ErrorReport::instance().setAsker(&asker);
        electronCase(0.0425, 0.01);
        QVERIFY(m_driver->RunTrajectory());
        AlerteCalcul("rungefaute");
        AlerteCalcul("rungefaute");
        QCOMPARE(asker.asked, 1);
        QCOMPARE(ErrorReport::instance().silencedCount(), std::size_t(1));
        endRun(*m_driver);
        QVERIFY(m_driver->RunTrajectory());
        QCOMPARE(ErrorReport::instance().silencedCount(), std::size_t(0));
        AlerteCalcul("rungefaute");
        QCOMPARE(asker.asked, 2);
    }

private:
    std::unique_ptr<Traceur3D> m_w;
    std::unique_ptr<RunDriver> m_driver;
};

QTEST_MAIN(LaterRunsTest)
#include "laterruns_test.moc"
