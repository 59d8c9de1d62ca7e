// Tests of the live 3D view widget: the drawing operations, mouse and key navigation, the menu,
// coalesced repaints, the point budget and the saved image.
#include "ui/scene/traceur3d.h"

#include <QAction>
#include <QApplication>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

using namespace gyro;

namespace {

void send(QWidget& w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
          QPoint at, Qt::KeyboardModifiers mods = {}) {
    QMouseEvent e(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, buttons, mods);
    QApplication::sendEvent(&w, &e);
}

void drag(QWidget& w, Qt::MouseButton button, QPoint from, QPoint to,
          Qt::KeyboardModifiers mods = {}) {
    send(w, QEvent::MouseButtonPress, button, button, from, mods);
    const QPoint mid = (from + to) / 2;
    send(w, QEvent::MouseMove, Qt::NoButton, button, mid, mods);
    send(w, QEvent::MouseMove, Qt::NoButton, button, to, mods);
    send(w, QEvent::MouseButtonRelease, button, Qt::NoButton, to, mods);
}

void wheel(QWidget& w, QPoint at, int delta) {
    QWheelEvent e(QPointF(at), QPointF(w.mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &e);
}

// The calls a run makes to set up its scene (radius r0, tag "T").
void setUpRun(TraceSink& sink, double shot, double r0) {
    sink.SetMode(2);
    sink.SetShot(shot);
    sink.SetViewText("near");
    sink.SetLabel(5.0, "T");
    sink.SetFrame(0, 0, 0, 0, r0, "");
    sink.SetScene(0, 0, r0, 65 / r0, 120, 120, 0.75);
    sink.SetLimits(1.0, 1e-5);
    sink.EndSetUp();
}

bool sameCamera(const ViewCamera& a, const ViewCamera& b) {
    return std::abs(a.azimuth() - b.azimuth()) < 1e-9 &&
           std::abs(a.elevation() - b.elevation()) < 1e-9 &&
           std::abs(a.scale() / b.scale() - 1) < 1e-9 &&
           std::abs(a.centre().x - b.centre().x) < 1e-12 &&
           std::abs(a.centre().y - b.centre().y) < 1e-12 &&
           std::abs(a.centre().z - b.centre().z) < 1e-12;
}

// Pixels within a few levels of the colour (antialiased lines reach it where they cover a
// pixel fully, or where many turns of a trace overlap).
int countColour(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                     std::abs(qBlue(p) - qBlue(colour)) <
                 24;
        }
    return n;
}

} // namespace

class Traceur3DTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void runSetUpBringsTheViewToTheFrame();
    void liveTraceShowsWithCoalescedRepaints();
    void growingTraceRepaintsOnlyWhatChanged();
    void runOfManyArrowsIsShownWholeAfterItStops();
    void leftDragTurnsTheView();
    void rightDragPansAndRightClickOpensMenu();
    void wheelZoomsAboutTheCursor();
    void keysAndButtonsResetAndFit();
    void userViewSurvivesTheNextRun();
    void viewSurvivesResizes();
    void moveHintLeavesTheAxesFree();
    void budgetThinningKeepsPenLifts();
    void largeSceneRedrawsOverFramesToTheSamePicture();
    void menuTogglesAndClears();
    void savesImage();

private:
    Traceur3D* m_w = nullptr;
};

void Traceur3DTest::init() {
    m_w = new Traceur3D;
    m_w->resize(400, 300);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w));
}

void Traceur3DTest::cleanup() {
    delete m_w;
    m_w = nullptr;
}

void Traceur3DTest::runSetUpBringsTheViewToTheFrame() {
    setUpRun(m_w->model(), 0, 0.05);
    m_w->model().SetLineColour(0, 0, 0);
    m_w->model().Circle(0.05, 1);
    m_w->flush();
    const ViewCamera home = homeCamera(m_w->model(), QSize(400, 300));
    QVERIFY(sameCamera(m_w->camera(), home));
    // The frame's sphere (5 cm radius) fills most of the smaller side (300 px), with room left.
    QVERIFY(m_w->camera().scale() > 0.6 * 300 / 0.1 && m_w->camera().scale() < 0.9 * 300 / 0.1);
    QCOMPARE(m_w->model().circles().size(), std::size_t{1});
}

void Traceur3DTest::liveTraceShowsWithCoalescedRepaints() {
    setUpRun(m_w->model(), 0, 0.01);
    m_w->flush();
    QSignalSpy changed(m_w, &Traceur3D::sceneChanged);
    for (int i = 0; i < 20000; ++i) {
        m_w->model().SetColour(255, 50, 100);
        const double t = i * 0.01;
        m_w->model().Point(0.005 * std::cos(t), 0.005 * std::sin(t), i * 1e-7);
    }
    QCOMPARE(changed.count(), 0); // nothing happens per point
    QTRY_VERIFY(changed.count() >= 1);
    QVERIFY(changed.count() <= 2);
    QCOMPARE(m_w->pointCount(), std::size_t{20000});
    const QImage shown = m_w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(countColour(shown, qRgb(255, 50, 100)) > 200);
}

namespace {
// Counts the pixels the widget's paint events cover.
class PaintArea : public QObject {
public:
    std::int64_t pixels = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                pixels += std::int64_t{r.width()} * r.height();
        return false;
    }
};
} // namespace

void Traceur3DTest::growingTraceRepaintsOnlyWhatChanged() {
    setUpRun(m_w->model(), 0, 0.01);
    m_w->flush();
    QTest::qWait(50);
    PaintArea area;
    m_w->installEventFilter(&area);
    QSignalSpy changed(m_w, &Traceur3D::sceneChanged);
    // A small arc a frame, in two colours: each frame repaints about its arc and the count.
    const int frames = 20;
    for (int f = 0; f < frames; ++f) {
        m_w->model().SetColour(f < 10 ? 255 : 0, 50, 100);
        for (int i = 0; i < 200; ++i) {
            const double t = (f * 200 + i) * 1e-3;
            m_w->model().Point(0.005 * std::cos(t), 0.005 * std::sin(t), 0);
        }
        QTRY_COMPARE(changed.count(), f + 1);
    }
    QTest::qWait(50);
    QVERIFY2(area.pixels < frames * 400 * 300 / 8, qPrintable(QString::number(area.pixels)));
    // What the screen shows, pieced together, is the picture painted whole.
    const QImage screen =
        m_w->screen()->grabWindow(m_w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = m_w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(screen.size(), whole.size());
    QCOMPARE(screen, whole);
    int blue = 0; // the second colour's arc is there
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            blue += qBlue(whole.pixel(x, y)) > qRed(whole.pixel(x, y)) + 60;
    QVERIFY(blue > 20);
}

void Traceur3DTest::runOfManyArrowsIsShownWholeAfterItStops() {
    // More points and arrows than a piece arrive at once, and then nothing more: the picture
    // is drawn a piece at a time at the next turns of the event loop, and the screen ends up
    // showing the picture drawn in one go.
    setUpRun(m_w->model(), 0, 0.01);
    m_w->flush();
    QSignalSpy changed(m_w, &Traceur3D::sceneChanged);
    m_w->model().SetColour(0, 128, 255);
    m_w->model().SetLineColour(255, 0, 0);
    const int n = static_cast<int>(LivePicture::kPiecePoints) + 10000;
    for (int i = 0; i < n; ++i) {
        const double t = i * 1e-3, x = 0.005 * std::cos(t), y = 0.005 * std::sin(t);
        m_w->model().Point(x, y, 0);
        for (int a = 1; a <= 2; ++a)
            m_w->model().Segment(x, y, 0, x + a * 1e-3 * std::cos(7 * t), y, 0);
    }
    QTRY_VERIFY(changed.count() >= 1);
    QTest::qWait(200);
    const QImage screen =
        m_w->screen()->grabWindow(m_w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    m_w->setRenderOptions(m_w->renderOptions()); // the same picture, drawn in one go
    m_w->flush();
    const QImage atOnce = m_w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(screen, atOnce);
    QVERIFY(countColour(atOnce, qRgb(255, 0, 0)) > 100); // the arrows, over the trace
}

void Traceur3DTest::leftDragTurnsTheView() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->flush();
    QSignalSpy moved(m_w, &Traceur3D::viewChanged);
    const ViewCamera before = m_w->camera();
    drag(*m_w, Qt::LeftButton, QPoint(200, 150), QPoint(260, 170));
    QVERIFY(moved.count() >= 1);
    QVERIFY(std::abs(m_w->camera().azimuth() - (before.azimuth() - 60 * 0.45)) < 1e-9);
    QVERIFY(std::abs(m_w->camera().elevation() - (before.elevation() + 20 * 0.45)) < 1e-9);
    // The view turns about its centre: the centre does not move.
    QCOMPARE(m_w->camera().centre().x, before.centre().x);
    QCOMPARE(m_w->camera().scale(), before.scale());
    // Shift-drag pans instead.
    const ViewCamera turned = m_w->camera();
    drag(*m_w, Qt::LeftButton, QPoint(200, 150), QPoint(230, 150), Qt::ShiftModifier);
    QCOMPARE(m_w->camera().azimuth(), turned.azimuth());
    QVERIFY(m_w->camera().centre().x != turned.centre().x ||
            m_w->camera().centre().y != turned.centre().y);
}

void Traceur3DTest::rightDragPansAndRightClickOpensMenu() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->flush();
    const ViewCamera before = m_w->camera();
    const QPointF origin = before.project({0, 0, 0});
    drag(*m_w, Qt::RightButton, QPoint(100, 100), QPoint(140, 90));
    QCOMPARE(m_w->camera().azimuth(), before.azimuth());
    const QPointF moved = m_w->camera().project({0, 0, 0}) - origin;
    QVERIFY(std::abs(moved.x() - 40) < 1e-6 && std::abs(moved.y() + 10) < 1e-6);
    QVERIFY(QApplication::activePopupWidget() == nullptr); // a drag opens no menu
    drag(*m_w, Qt::RightButton, QPoint(100, 100), QPoint(101, 100));
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
    QApplication::activePopupWidget()->close();
}

void Traceur3DTest::wheelZoomsAboutTheCursor() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->flush();
    const ViewCamera before = m_w->camera();
    const QPoint cursor(300, 80);
    const Point3d under = before.unproject(QPointF(cursor));
    wheel(*m_w, cursor, 120);
    QVERIFY(std::abs(m_w->camera().scale() / before.scale() - std::pow(1.0015, 120)) < 1e-9);
    const QPointF stays = m_w->camera().project(under);
    QVERIFY(std::abs(stays.x() - 300) < 1e-6 && std::abs(stays.y() - 80) < 1e-6);
    wheel(*m_w, cursor, -240);
    QVERIFY(m_w->camera().scale() < before.scale());
    QVERIFY(m_w->showsQuickPicture());
    QTRY_VERIFY(!m_w->showsQuickPicture()); // the full picture follows the quick one
}

void Traceur3DTest::keysAndButtonsResetAndFit() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->model().SetColour(255, 0, 0);
    auto allInside = [this] {
        const Bounds3d& b = m_w->model().bounds();
        for (int k = 0; k < 8; ++k) {
            const QPointF s =
                m_w->camera().project({(k & 1) ? b.max.x : b.min.x, (k & 2) ? b.max.y : b.min.y,
                                       (k & 4) ? b.max.z : b.min.z});
            if (s.x() < 0 || s.y() < 0 || s.x() > 400 || s.y() > 300) return false;
        }
        return true;
    };
    for (int i = 0; i < 100; ++i) m_w->model().Point(5 + 0.01 * i, -3, 2); // far outside the frame
    m_w->flush();
    QVERIFY2(allInside(), "a trace leaving the picture takes an unmoved view with it");
    drag(*m_w, Qt::LeftButton, QPoint(200, 150), QPoint(100, 50));
    const ViewCamera moved = m_w->camera();
    m_w->model().Point(9, 9, 9); // the user's view stays where the user put it
    m_w->flush();
    QVERIFY(sameCamera(m_w->camera(), moved));
    QTest::keyClick(m_w, Qt::Key_R);
    QVERIFY(sameCamera(m_w->camera(), homeCamera(m_w->model(), m_w->camera().viewport())));
    // F fits what was drawn (the trace outside the frame included).
    QTest::keyClick(m_w, Qt::Key_F);
    QVERIFY(allInside());
    QTest::keyClick(m_w, Qt::Key_3); // top view
    QCOMPARE(m_w->camera().elevation(), 90.0);
    // The toolbar's buttons do the same.
    QToolButton* reset = nullptr;
    QToolButton* fit = nullptr;
    for (QToolButton* b : m_w->findChildren<QToolButton*>()) {
        if (b->text() == "Reset") reset = b;
        if (b->text() == "Fit") fit = b;
    }
    QVERIFY(reset && fit);
    QTest::mouseClick(reset, Qt::LeftButton);
    QVERIFY(sameCamera(m_w->camera(), homeCamera(m_w->model(), m_w->camera().viewport())));
    QTest::mouseClick(fit, Qt::LeftButton);
    QVERIFY(allInside());
    // A double click fits too.
    QTest::keyClick(m_w, Qt::Key_R);
    QTest::mouseDClick(m_w, Qt::LeftButton, {}, QPoint(200, 150));
    QVERIFY(allInside());
}

void Traceur3DTest::userViewSurvivesTheNextRun() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->flush();
    drag(*m_w, Qt::LeftButton, QPoint(200, 150), QPoint(220, 150));
    const ViewCamera chosen = m_w->camera();
    setUpRun(m_w->model(), 1, 3.0); // a new run in the same scene
    m_w->flush();
    QVERIFY(sameCamera(m_w->camera(), chosen));
    QTest::keyClick(m_w, Qt::Key_R); // back to the run's own view: its new frame
    setUpRun(m_w->model(), 2, 0.5);
    m_w->flush();
    QVERIFY(sameCamera(m_w->camera(), homeCamera(m_w->model(), QSize(400, 300))));
}

// A dock opening below the scene must not throw away the view that followed the run, nor one
// the user turned: the same direction and centre, the same stretch across the smaller side.
void Traceur3DTest::viewSurvivesResizes() {
    setUpRun(m_w->model(), 0, 0.01);
    m_w->flush();
    const ViewCamera home = m_w->camera();
    for (int i = 0; i < 400; ++i)
        m_w->model().Point(0.05 * std::cos(i * 0.05), 0.05 * std::sin(i * 0.05), 0);
    m_w->flush();
    QVERIFY(m_w->camera().scale() < 0.5 * home.scale()); // followed the run out of its frame
    for (int turned = 0; turned < 2; ++turned) {
        if (turned) drag(*m_w, Qt::LeftButton, QPoint(200, 150), QPoint(260, 120));
        const ViewCamera before = m_w->camera();
        m_w->resize(400, 150);
        m_w->flush();
        ViewCamera expected = before;
        expected.setScale(before.scale() / 2);
        QVERIFY(sameCamera(m_w->camera(), expected));
        m_w->resize(400, 300);
        m_w->flush();
        QVERIFY(sameCamera(m_w->camera(), before));
    }
}

// The line telling how to move the view never lies over the axes, whatever the picture's shape,
// and is left out when there is no room for it.
void Traceur3DTest::moveHintLeavesTheAxesFree() {
    setUpRun(m_w->model(), 0, 0.05);
    m_w->Clear(); // the frame stays set up, the scene is empty
    const QSize sizes[] = {{400, 300}, {800, 240}, {900, 600}, {320, 240}};
    for (const QSize& size : sizes) {
        m_w->resize(size);
        m_w->resetView();
        m_w->flush();
        const QRect hint = m_w->moveHintRect();
        QVERIFY2(hint.isEmpty() || m_w->rect().contains(hint), qPrintable(QString("%1 %2 %3 %4")
                                                                              .arg(hint.x())
                                                                              .arg(hint.y())
                                                                              .arg(hint.width())
                                                                              .arg(hint.height())));
        const QRectF axes =
            SceneRenderer::axesFootprint(m_w->model(), m_w->camera(), m_w->renderOptions());
        QVERIFY(axes.width() > 0.4 * size.height()); // the axes span much of the picture
        QVERIFY2(hint.isEmpty() || !axes.intersects(hint),
                 qPrintable(QString::number(size.width())));
    }
    m_w->resize(800, 240);
    QVERIFY(!m_w->moveHintRect().isEmpty()); // a wide short picture has room beside the axes
    m_w->model().Point(0, 0, 0);
    m_w->flush();
    QVERIFY(m_w->moveHintRect().isEmpty()); // only over an empty scene
}

void Traceur3DTest::budgetThinningKeepsPenLifts() {
    m_w->model().setPointBudget(60000);
    setUpRun(m_w->model(), 0, 1.0);
    m_w->model().SetColour(0, 128, 255);
    std::size_t pieces = 0;
    for (int i = 0; i < 250000; ++i) {
        if (i % 1000 == 0) {
            m_w->model().PenLift(0, 0);
            ++pieces;
        }
        m_w->model().Point(std::cos(i * 1e-3), std::sin(i * 1e-3), i * 1e-6);
        if (i % 20000 == 0) m_w->flush(); // drawing goes on across thinnings
    }
    m_w->flush();
    QVERIFY(m_w->model().thinningCount() > 0);
    QVERIFY(m_w->pointCount() <= 60000);
    // Thinning may break a piece, never join two: joined points come from one piece of 1000.
    for (std::size_t i = 1; i < m_w->pointCount(); ++i) {
        if (m_w->model().rawPoint(i).startsPiece()) continue;
        const auto piece = [&](std::size_t k) {
            return std::lround(m_w->model().pointAt(k).z * 1e6) / 1000;
        };
        QCOMPARE(piece(i), piece(i - 1));
    }
    QVERIFY(pieces > 0);
    const QImage shown = m_w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(countColour(shown, qRgb(0, 128, 255)) > 100);
}

// A new view of a scene too large for one frame: the first paint shows a quick picture and
// returns, later paints build the full one, which ends as the picture drawn in one go.
void Traceur3DTest::largeSceneRedrawsOverFramesToTheSamePicture() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->model().SetColour(0, 128, 255);
    m_w->model().SetLineColour(255, 0, 0);
    const int n = 5 * static_cast<int>(Traceur3D::kFramePoints) / 2;
    for (int i = 0; i < n; ++i) {
        const double phase = i * 2e-3;
        m_w->model().Point(std::cos(phase), std::sin(phase), i * 2e-6);
        if (i % 10 == 0) m_w->model().Segment(std::cos(phase), std::sin(phase), 0, 0, 0, 0);
    }
    m_w->flush();
    QVERIFY(!m_w->buildingFullPicture());

    // A turn (quick picture of every few points) and a zoom out (the picture drawn so far,
    // scaled down, as when the view follows a run).
    for (int change = 0; change < 2; ++change) {
        if (change == 0)
            m_w->setViewAngles(20, 35);
        else
            QTest::keyClick(m_w, Qt::Key_Minus);
        m_w->repaint();
        QVERIFY(m_w->showsQuickPicture());
        int frames = 1;
        while (m_w->showsQuickPicture() && frames < 100) {
            m_w->repaint();
            ++frames;
        }
        QVERIFY(!m_w->buildingFullPicture());
        // Each frame adds at most kFramePoints points: the whole takes several frames.
        QVERIFY2(frames >= 3, qPrintable(QString::number(frames)));
        const QImage built = m_w->grab().toImage();

        m_w->setRenderOptions(m_w->renderOptions()); // the same picture, drawn in one go
        m_w->flush();
        const QImage atOnce = m_w->grab().toImage();
        QVERIFY(!m_w->buildingFullPicture());
        int differing = 0;
        for (int y = 0; y < built.height(); ++y)
            for (int x = 0; x < built.width(); ++x)
                differing += built.pixel(x, y) != atOnce.pixel(x, y);
        QCOMPARE(differing, 0);
        QVERIFY(countColour(built, qRgb(0, 128, 255)) > 100);
    }
}

void Traceur3DTest::menuTogglesAndClears() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->model().Point(0, 0, 0);
    m_w->model().Point(1, 1, 1);
    std::unique_ptr<QMenu> menu(m_w->createMenu(nullptr));
    QAction* dark = nullptr;
    QAction* clear = nullptr;
    QAction* save = nullptr;
    for (QAction* a : menu->actions()) {
        if (a->text() == "Dark background") dark = a;
        if (a->text() == "Clear scene") clear = a;
        if (a->text().startsWith("Save image")) save = a;
    }
    QVERIFY(dark && clear && save);
    QVERIFY(!dark->isChecked());
    dark->trigger();
    QVERIFY(m_w->renderOptions().darkBackground);
    m_w->flush();
    const QImage shown = m_w->grab().toImage();
    QVERIFY(qGray(shown.pixel(5, 150)) < 80);
    clear->trigger();
    QCOMPARE(m_w->pointCount(), std::size_t{0});
    QVERIFY(m_w->model().isEmpty());
}

void Traceur3DTest::savesImage() {
    setUpRun(m_w->model(), 0, 1.0);
    m_w->model().SetColour(255, 0, 0);
    for (int i = 0; i < 500; ++i) m_w->model().Point(std::cos(i * 0.02), std::sin(i * 0.02), 0);
    QTemporaryDir dir;
    const QString path = dir.filePath("view.png");
    QString error;
    QVERIFY2(m_w->saveImage(path, &error), qPrintable(error));
    QImage saved = QImageReader(path).read();
    QCOMPARE(saved.size(), QSize(400, 300));
    QVERIFY(countColour(saved.convertToFormat(QImage::Format_RGB32), qRgb(255, 0, 0)) > 50);
    // Twice the size shows the same region.
    QVERIFY(m_w->saveImage(path, &error, QSize(800, 600)));
    saved = QImageReader(path).read();
    QCOMPARE(saved.size(), QSize(800, 600));
    QCOMPARE(m_w->sceneImage(QSize(800, 600)).convertToFormat(QImage::Format_RGB32),
             saved.convertToFormat(QImage::Format_RGB32));
    QVERIFY(!m_w->saveImage(dir.filePath("no/such/folder.png"), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(Traceur3DTest)
#include "traceur3d_test.moc"
