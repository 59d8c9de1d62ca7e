// Rendering tests on images: where the traces, gaps, circles and arrows land in the picture,
// incremental drawing, the overlays and the PNG export.
#include "draw3d/scenerenderer.h"

#include "draw3d/livepicture.h"

#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace gyro;

namespace {

// A top view: x to the right, y up, 10 pixels per metre, origin at the image's middle.
ViewCamera topView(QSize size = QSize(200, 200)) {
    ViewCamera c;
    c.setViewport(size);
    c.setAngles(-90, 90);
    c.setScale(10);
    return c;
}

RenderOptions bare() {
    RenderOptions o;
    o.showAxes = o.showScaleBar = o.showTriad = o.showTags = o.showCaption = false;
    return o;
}

// The live picture of `s` updated a frame at a time until its full picture replaced the quick
// one (at most 20 frames); a null image when it is still quick then.
QImage fullPictureAfterFrames(LivePicture& picture, const Scene3D& s, const ViewCamera& c) {
    for (int frames = 0; frames < 20 && picture.quick(); ++frames)
        picture.update(s, c, bare(), false);
    return picture.quick() ? QImage() : picture.image();
}

// The live picture of `s` drawn whole at once.
QImage drawnAtOnce(const Scene3D& s, const ViewCamera& c) {
    LivePicture once;
    once.update(s, c, bare(), false, true);
    return once.image();
}

QImage content(const Scene3D& s, const ViewCamera& c, const RenderOptions& o = bare()) {
    QImage img(c.viewport(), QImage::Format_ARGB32_Premultiplied);
    SceneRenderer::drawContent(img, s, c, o);
    return img;
}

bool isRed(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
}
// Blue, or blue half-covering the light background (an edge between two pixels).
bool isBlue(QRgb p) {
    return qBlue(p) > 150 && qBlue(p) - qRed(p) > 60 && std::abs(qRed(p) - qGreen(p)) < 6;
}
// Background: light and grey (the gradient), far from any of the colours drawn here.
bool isBackground(QRgb p) {
    return qRed(p) > 225 && qGreen(p) > 225 && qBlue(p) > 225;
}

} // namespace

class SceneRendererTest : public QObject {
    Q_OBJECT
private slots:
    void redTraceLandsWhereProjected();
    void penLiftLeavesAGap();
    void circleTouchesItsRadius();
    void arrowGetsAHead();
    void isolatedPointShowsAsDot();
    void widerLinesAndDotMode();
    void incrementalDrawingMatchesFullDrawing();
    void incrementalDrawingSurvivesThinning();
    void repeatedOrbitIsDrawnOnceAndPiecesMatchTheWhole();
    void arrowsAreDrawnOnceWhereTheyLandAndSurviveThinning();
    void fullPictureCatchesUpWithArrowsAtEveryStep();
    void aViewChangeNeverDrawsMoreThanAFramesShareAtOnce();
    void aPictureThatFellBehindAThinningKeepsItsPictureMeanwhile();
    void newContentIsDrawnInPiecesThatCatchUp();
    void arrowsThinnedBetweenEveryUpdateAreStillDrawn();
    void arrowMemoKeepsArrowsThatShareABucket();
    void decimatedPreviewKeepsPieceEnds();
    void offscreenPointsAreClipped();
    void overlaysDrawScaleBarAndTriad();
    void homeCameraFollowsTheViewText_data();
    void homeCameraFollowsTheViewText();
    void lengthTexts_data();
    void lengthTexts();
    void pngExport();
};

void SceneRendererTest::redTraceLandsWhereProjected() {
    Scene3D s;
    s.SetColour(255, 0, 0);
    // y = −0.05 m projects to pixel row 100's centre (y = 100.5).
    for (int i = 0; i <= 100; ++i) s.Point(-5 + i * 0.1, -0.05, 0);
    const QImage img = content(s, topView());
    for (int x = 52; x <= 148; ++x)
        QVERIFY2(isRed(img.pixel(x, 100)), qPrintable(QString::number(x)));
    QCOMPARE(img.pixel(100, 100), qRgb(255, 0, 0)); // colours are used as passed
    QVERIFY(isBackground(img.pixel(100, 97)));
    QVERIFY(isBackground(img.pixel(100, 103)));
    QVERIFY(isBackground(img.pixel(40, 100)));
    QVERIFY(isBackground(img.pixel(160, 100)));
    // A diagonal: the point (3, 3) m is at pixel (130, 70).
    Scene3D d;
    d.SetColour(255, 0, 0);
    d.Point(0, 0, 0);
    d.Point(4, 4, 0);
    const QImage diag = content(d, topView());
    QVERIFY(isRed(diag.pixel(129, 70)) || isRed(diag.pixel(130, 69)) || isRed(diag.pixel(130, 70)));
}

void SceneRendererTest::penLiftLeavesAGap() {
    Scene3D s;
    s.SetColour(255, 0, 0);
    s.Point(-5, -0.05, 0);
    s.Point(-1, -0.05, 0);
    s.PenLift(0, 0);
    s.Point(1, -0.05, 0);
    s.Point(5, -0.05, 0);
    const QImage img = content(s, topView());
    QVERIFY(isRed(img.pixel(60, 100)));
    QVERIFY(isRed(img.pixel(88, 100)));
    QVERIFY(isRed(img.pixel(112, 100)));
    QVERIFY(isRed(img.pixel(140, 100)));
    for (int x = 92; x <= 108; ++x)
        for (int y = 96; y <= 104; ++y) QVERIFY(isBackground(img.pixel(x, y)));
}

void SceneRendererTest::circleTouchesItsRadius() {
    Scene3D s;
    s.SetLineColour(0, 0, 255);
    s.Circle(5, 1); // 50 pixels around (100, 100)
    const QImage img = content(s, topView());
    auto blueNear = [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (isBlue(img.pixel(x + dx, y + dy))) return true;
        return false;
    };
    QVERIFY(blueNear(150, 100));
    QVERIFY(blueNear(50, 100));
    QVERIFY(blueNear(100, 50));
    QVERIFY(blueNear(100, 150));
    QVERIFY(blueNear(135, 65)); // 45°: 50/√2 ≈ 35.4
    QVERIFY(isBackground(img.pixel(100, 100)));
    QVERIFY(isBackground(img.pixel(140, 100)));
    QVERIFY(isBackground(img.pixel(160, 100)));
    QVERIFY(isBackground(img.pixel(100, 42)));
}

void SceneRendererTest::arrowGetsAHead() {
    Scene3D s;
    s.SetLineColour(255, 0, 0);
    s.SetVectorScale(1.0, 2);
    s.Segment(0, -0.05, 0, 5, -0.05, 0); // from (100, 100.5) to (150, 100.5)
    s.SetVectorScale(1.0, 0);
    s.Segment(0, -5.05, 0, 5, -5.05, 0); // plain line at row 150
    const QImage img = content(s, topView());
    QVERIFY(isRed(img.pixel(125, 100)));
    // Barbs: 9 pixels back from the tip at ±25°, i.e. about 3.8 pixels off the shaft.
    auto redIn = [&](int x0, int x1, int y0, int y1) {
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y)
                if (qRed(img.pixel(x, y)) > 150 && qGreen(img.pixel(x, y)) < 150) return true;
        return false;
    };
    QVERIFY(redIn(142, 145, 96, 98));
    QVERIFY(redIn(142, 145, 103, 105));
    QVERIFY(!redIn(142, 145, 146, 148));
}

void SceneRendererTest::isolatedPointShowsAsDot() {
    Scene3D s;
    s.SetColour(255, 0, 0);
    s.Point(2.05, -2.05, 0); // pixel (120, 120) centre
    s.PenLift();
    const QImage img = content(s, topView());
    QVERIFY(isRed(img.pixel(120, 120)));
    QVERIFY(isBackground(img.pixel(124, 120)));
}

void SceneRendererTest::widerLinesAndDotMode() {
    Scene3D s;
    s.SetLimits(4.0, 0); // 4-pixel lines
    s.SetColour(255, 0, 0);
    s.Point(-5, -0.05, 0);
    s.Point(5, -0.05, 0);
    const QImage wide = content(s, topView());
    for (int y = 99; y <= 101; ++y) QVERIFY(isRed(wide.pixel(100, y))); // 98.5 to 102.5
    QVERIFY(isBackground(wide.pixel(100, 105)));
    // Mode 1: separate dots, nothing between them.
    Scene3D d;
    d.SetMode(1);
    d.SetColour(255, 0, 0);
    d.Point(-2.05, -0.05, 0);
    d.Point(2.05, -0.05, 0);
    const QImage dots = content(d, topView());
    QVERIFY(isRed(dots.pixel(79, 100)));
    QVERIFY(isRed(dots.pixel(120, 100)));
    for (int x = 84; x <= 116; ++x) QVERIFY(isBackground(dots.pixel(x, 100)));
}

void SceneRendererTest::incrementalDrawingMatchesFullDrawing() {
    Scene3D s;
    const ViewCamera c = topView(QSize(240, 180));
    QImage live(c.viewport(), QImage::Format_ARGB32_Premultiplied);
    DrawCursor cursor;
    SceneRenderer::drawContent(live, s, c, bare(), &cursor);
    for (int i = 0; i < 600; ++i) {
        if (i % 97 == 0) s.PenLift();
        if (i % 50 == 0) s.SetColour(255, i % 256, 0);
        const double t = i * 0.05;
        s.Point(8 * std::cos(t) + 0.01 * i, 6 * std::sin(t), 0);
        if (i % 10 == 0) s.Segment(0, 0, 0, std::cos(t), std::sin(t), 0);
        if (i == 300) s.Circle(3, 1);
        if (i % 7 == 0) QVERIFY(SceneRenderer::drawNewContent(live, s, c, bare(), cursor));
    }
    s.PenLift();
    s.Point(-8, -6, 0); // a lone last point, deferred until it is known to be a dot
    QVERIFY(SceneRenderer::drawNewContent(live, s, c, bare(), cursor));
    // Whole redraw: the lone point is a dot there; everything else must be equal.
    const QImage full = content(s, c);
    int differing = 0;
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x) differing += live.pixel(x, y) != full.pixel(x, y);
    QVERIFY2(differing <= 9, qPrintable(QString::number(differing)));
    QCOMPARE(cursor.segments, s.segments().size());
}

void SceneRendererTest::incrementalDrawingSurvivesThinning() {
    Scene3D s;
    s.SetColour(255, 0, 0);
    s.setPointBudget(60000);
    const ViewCamera c = topView();
    QImage img(c.viewport(), QImage::Format_ARGB32_Premultiplied);
    DrawCursor cursor;
    SceneRenderer::drawContent(img, s, c, bare(), &cursor);
    for (int i = 0; i < 30000; ++i) s.Point(-5 + i * 1e-4, -0.05, 0);
    QVERIFY(SceneRenderer::drawNewContent(img, s, c, bare(), cursor));
    // The budget is passed: the oldest points are thinned, and the picture, which drew them,
    // only adds the new line at y = 1.95 m (pixel row 80).
    for (int i = 0; i < 30000; ++i) s.Point(-5 + i * 1e-4, 1.95, 0);
    QCOMPARE(s.thinningCount(), std::size_t(1));
    QVERIFY(SceneRenderer::drawNewContent(img, s, c, bare(), cursor));
    QVERIFY(isRed(img.pixel(70, 100)));
    QVERIFY(isRed(img.pixel(70, 80)));
    QVERIFY(isRed(img.pixel(51, 80)));
    // More than a budget's worth since the last drawing: what was not drawn was thinned too.
    for (int i = 0; i < 100000; ++i) s.Point(-5 + i * 1e-4, 2.95, 0);
    QVERIFY(!SceneRenderer::drawNewContent(img, s, c, bare(), cursor));
    SceneRenderer::drawContent(img, s, c, bare(), &cursor);
    // A clear always asks for a fresh picture.
    s.Point(0, 0, 0);
    QVERIFY(SceneRenderer::drawNewContent(img, s, c, bare(), cursor));
    s.Clear();
    QVERIFY(!SceneRenderer::drawNewContent(img, s, c, bare(), cursor));
}

void SceneRendererTest::repeatedOrbitIsDrawnOnceAndPiecesMatchTheWhole() {
    // A closed orbit of 37 steps (exactly periodic points), its second lap red, then blue, then
    // red again, each lap broken once by a lone dot.
    const auto lap = [](Scene3D& s, int k) {
        for (int i = 0; i < 37; ++i) {
            if (k == 1 && i == 12) s.SetColour(0, 0, 255);
            if (k == 1 && i == 25) s.SetColour(255, 0, 0);
            const double t = i * 2 * M_PI / 37;
            s.Point(7 * std::cos(t), 5 * std::sin(2 * t) + 0.3, 0);
        }
        s.PenLift();
        s.Point(-9 + k, -9, 0);
        s.PenLift();
    };
    const ViewCamera c = topView(QSize(220, 200));
    Scene3D one;
    one.SetColour(255, 0, 0);
    lap(one, 0);
    const QImage oneLap = content(one, c);
    // A lap of the same colour over the first lands on lines already drawn: nothing changes,
    // where blending the soft edges in again would darken them.
    lap(one, 0);
    QCOMPARE(content(one, c), oneLap);
    // Built in pieces of a few steps, as the window does, the picture is the one drawn at once.
    Scene3D s;
    s.SetColour(255, 0, 0);
    QImage live(c.viewport(), QImage::Format_ARGB32_Premultiplied);
    DrawCursor cursor;
    SceneRenderer::drawContent(live, s, c, bare(), &cursor);
    for (int k = 0; k < 4; ++k) {
        lap(s, k);
        QVERIFY(SceneRenderer::drawNewContent(live, s, c, bare(), cursor, 5 + 6 * k));
        QVERIFY(SceneRenderer::drawNewContent(live, s, c, bare(), cursor));
    }
    s.Point(0, 0, 0); // a line's start makes the lone dot before it final
    QVERIFY(SceneRenderer::drawNewContent(live, s, c, bare(), cursor));
    s.Point(0.5, 0, 0);
    QVERIFY(SceneRenderer::drawNewContent(live, s, c, bare(), cursor));
    QCOMPARE(live, content(s, c));
    QVERIFY(live != oneLap);
}

void SceneRendererTest::arrowsAreDrawnOnceWhereTheyLandAndSurviveThinning() {
    Scene3D s;
    s.setSegmentBudget(1024);
    s.SetVectorScale(1.0, 2);
    const ViewCamera c = topView();
    QImage img(c.viewport(), QImage::Format_ARGB32_Premultiplied);
    DrawCursor cursor;
    SceneRenderer::drawContent(img, s, c, bare(), &cursor);
    // One arrow per step, as a run draws them; the step's point off the picture.
    const auto step = [&](double x0, double y0, double x1, double y1) {
        s.Point(-50, -50, 0);
        s.Segment(x0, y0, 0, x1, y1, 0);
    };
    s.SetLineColour(255, 0, 0);
    step(-4.99, 0.33, 3, 2.71);
    QVERIFY(SceneRenderer::drawNewContent(img, s, c, bare(), cursor));
    const QImage once = img.copy();
    // The same arrow again (within an eighth of a pixel) changes nothing, where blending its
    // soft edges again would darken them; one a pixel away is drawn.
    // Nor does it ask the view to repaint anything; a new arrow asks for its own pixels.
    step(-4.99, 0.33, 3, 2.71);
    step(-4.995, 0.33, 3, 2.71);
    QRect changed;
    QVERIFY(SceneRenderer::drawNewContent(img, s, c, bare(), cursor, SIZE_MAX, SIZE_MAX, &changed));
    QCOMPARE(img, once);
    QVERIFY(changed.isEmpty());
    step(-5, 0.43, 3, 2.81);
    QVERIFY(SceneRenderer::drawNewContent(img, s, c, bare(), cursor, SIZE_MAX, SIZE_MAX, &changed));
    QVERIFY(img != once);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != once.pixel(x, y)) QVERIFY(changed.contains(x, y));
    // Three budgets' worth of arrows between two drawings: the store thins those not yet drawn
    // too, and the picture still only adds what is left of them, the newest included.
    s.SetLineColour(0, 0, 255);
    for (int i = 0; i < 3000; ++i) step(0, -1, 0.5 + i * 2.0 / 3000, -8);
    QVERIFY(s.thinningCount() > 0);
    QVERIFY(SceneRenderer::drawNewContent(img, s, c, bare(), cursor));
    QCOMPARE(cursor.segments, s.segments().size());
    QVERIFY(isBlue(img.pixel(124, 178))); // near the newest tip, (2.5, -8): pixel (125, 180)
    QVERIFY(isBackground(img.pixel(100, 100)));
}

void SceneRendererTest::fullPictureCatchesUpWithArrowsAtEveryStep() {
    // A run on a circle with three arrows a step, adding more arrows in a frame than a frame's
    // share of a full picture: once the view zooms, the quick picture shown meanwhile must
    // still give way to the full one within a few frames.
    Scene3D s;
    int step = 0;
    const auto steps = [&](int count) {
        for (int k = 0; k < count; ++k, ++step) {
            const double t = step * 0.01, x = 5 * std::cos(t), y = 5 * std::sin(t);
            s.Point(x, y, 0);
            for (int a = 1; a <= 3; ++a) s.Segment(x, y, 0, x + a * std::cos(3 * t), y, 0);
        }
    };
    LivePicture picture;
    ViewCamera c = topView();
    steps(10);
    picture.update(s, c, bare(), false);
    steps(static_cast<int>(LivePicture::kFrameArrows)); // a scene too large for one frame
    c.setScale(11);
    QVERIFY(picture.update(s, c, bare(), false));
    QVERIFY(picture.quick());
    int frames = 0;
    for (; frames < 40 && picture.quick(); ++frames) {
        steps(static_cast<int>(LivePicture::kFrameArrows) / 2); // 1.5 frames' share of arrows
        picture.update(s, c, bare(), false);
    }
    QVERIFY2(!picture.quick(), qPrintable(QString("still quick after %1 frames").arg(frames)));
    QVERIFY(!picture.building());
}

void SceneRendererTest::aViewChangeNeverDrawsMoreThanAFramesShareAtOnce() {
    // A view that follows a run zooms out now and then. A scene that is drawn in a few
    // milliseconds is drawn whole at once; one with more than a frame's share of points (though
    // fewer than need a quick picture of every few points) shows the old picture scaled while
    // the full one is built, which ends as the picture drawn at once.
    for (const std::size_t points :
         {LivePicture::kBuildPoints / 2, LivePicture::kBuildPoints * 3 / 2}) {
        Scene3D s;
        s.SetColour(255, 0, 0);
        for (std::size_t k = 0; k < points; ++k)
            s.Point(4 * std::cos(k * 1e-4), 4 * std::sin(k * 1e-4), 0);
        LivePicture picture;
        ViewCamera c = topView();
        picture.update(s, c, bare(), false, true);
        c.setScale(c.scale() * 0.8);
        const bool heavy = points > LivePicture::kBuildPoints;
        QCOMPARE(picture.update(s, c, bare(), false), heavy);
        QCOMPARE(picture.quick(), heavy);
        QCOMPARE(fullPictureAfterFrames(picture, s, c), drawnAtOnce(s, c));
    }
}

void SceneRendererTest::aPictureThatFellBehindAThinningKeepsItsPictureMeanwhile() {
    // A large scene whose points not yet drawn were thinned away before the next update: the
    // picture it has stands as a quick one, and the full picture built over the next frames is
    // the one drawn at once.
    Scene3D s;
    s.setPointBudget(2 * LivePicture::kFramePoints);
    s.SetColour(255, 0, 0);
    std::size_t k = 0;
    const auto points = [&](std::size_t count) {
        for (const std::size_t end = k + count; k < end; ++k)
            s.Point(4 * std::cos(k * 1e-4), 4 * std::sin(k * 1e-4), k * 1e-6);
    };
    points(LivePicture::kFramePoints + 10000);
    const ViewCamera c = topView();
    LivePicture picture;
    picture.update(s, c, bare(), false, true);
    QVERIFY(!picture.quick());
    const QImage before = picture.image();
    points(3 * LivePicture::kFramePoints); // thinned twice: the second time, points not drawn
    s.finishThinning();
    QVERIFY(s.thinningCount() > 1);
    QVERIFY(picture.update(s, c, bare(), false));
    QVERIFY(picture.quick());
    QCOMPARE(picture.image(), before);
    QCOMPARE(fullPictureAfterFrames(picture, s, c), drawnAtOnce(s, c));
}

void SceneRendererTest::newContentIsDrawnInPiecesThatCatchUp() {
    // A run spiralling slowly outward with arrows at every step. The arrows lie apart from the
    // trace, so that the picture does not depend on which of the two was drawn first.
    Scene3D s;
    s.setSegmentBudget(1'000'000); // no thinning: every arrow is drawn by both pictures
    s.SetColour(255, 0, 0);
    s.SetLineColour(0, 0, 255);
    int step = 0;
    const auto steps = [&](int count, int arrows) {
        for (int k = 0; k < count; ++k, ++step) {
            const double t = step * 0.01, r = 1.5 + step * 1e-5;
            const double x = r * std::cos(t), y = 5 + r * std::sin(t);
            s.Point(x, y, 0);
            for (int a = 1; a <= arrows; ++a)
                s.Segment(x, y - 9.5, 0, x + 0.5 * a * std::cos(3 * t),
                          y - 9.5 + 0.5 * a * std::sin(3 * t), 0);
        }
    };
    const ViewCamera c = topView();
    LivePicture pieces, once;
    steps(10, 2);
    pieces.update(s, c, bare(), false);
    once.update(s, c, bare(), false);
    QVERIFY(!pieces.quick() && !pieces.behind(s));
    // More than a piece of points and of arrows since the last frame: drawn over several
    // updates, the traces first and then the arrows, the picture is the one drawn at once.
    steps(static_cast<int>(LivePicture::kPiecePoints) + 5000, 2);
    once.update(s, c, bare(), false, true);
    QVERIFY(!once.behind(s));
    int calls = 0;
    for (; calls < 10 && (calls == 0 || pieces.behind(s)); ++calls) {
        pieces.update(s, c, bare(), false);
        QVERIFY(!pieces.quick());
    }
    QCOMPARE(calls, 3);
    QCOMPARE(pieces.image(), once.image());
    // A backlog, then three arrows a step arriving between every two updates, each time fewer
    // than a piece, the queued arrows drawn by the drawing thread while the steps arrive: the
    // picture catches up within a few updates and has lost nothing.
    steps(30000, 3);
    for (calls = 1; calls < 10; ++calls) {
        pieces.update(s, c, bare(), false);
        pieces.drawQueuedInBackground();
        if (!pieces.behind(s)) break;
        steps(static_cast<int>(LivePicture::kPieceArrows) / 3 / 2, 3);
    }
    QVERIFY2(calls < 10, "the picture never caught up");
    QVERIFY(calls > 1);
    once.update(s, c, bare(), false, true);
    QCOMPARE(pieces.image(), once.image());
    // A picture that goes while its drawing thread still draws into it (a window closed during
    // a run) waits for the thread first: the sanitizers' build finds any drawing into freed
    // memory.
    steps(20000, 3);
    {
        LivePicture closing;
        closing.update(s, c, bare(), false);
        steps(20000, 3);
        closing.update(s, c, bare(), false);
        closing.drawQueuedInBackground();
        QVERIFY(closing.busy());
    }
}

void SceneRendererTest::arrowsThinnedBetweenEveryUpdateAreStillDrawn() {
    // At full speed the arrows are thinned between nearly every two updates of the picture that
    // follows the run. Each update must still draw those that arrived since, the newest
    // included, rather than wait for an update with no thinning before it, which never comes.
    Scene3D s;
    s.setSegmentBudget(3000);
    s.SetColour(255, 0, 0);
    s.SetLineColour(0, 0, 255);
    const ViewCamera c = topView();
    LivePicture picture;
    int step = 0;
    for (int round = 0; round < 6; ++round) {
        // 3000 arrows pointing inward from a circle, a new stretch of it each round.
        const std::size_t thinnings = s.thinningCount();
        Point3d middle;
        for (int k = 0; k < 1000; ++k, ++step) {
            const double t = step * 0.001, x = 6 * std::cos(t), y = 6 * std::sin(t);
            s.Point(x, y, 0);
            for (int a = 1; a <= 3; ++a)
                s.Segment(x, y, 0, x * (1 - 0.1 * a), y * (1 - 0.1 * a), 0);
            middle = {0.85 * x, 0.85 * y, 0};
        }
        QVERIFY(s.thinningCount() > thinnings);
        picture.update(s, c, bare(), false);
        const QPoint at = c.project(middle).toPoint();
        QVERIFY2(isBlue(picture.image().pixel(at)), qPrintable(QString("round %1").arg(round)));
    }
}

void SceneRendererTest::arrowMemoKeepsArrowsThatShareABucket() {
    // Keys alike in their high bits land in one place of the table: eight of them must all be
    // remembered (none drawn twice), and a ninth too.
    ArrowMemo memo;
    std::vector<std::uint64_t> keys;
    for (std::uint64_t i = 0; i < 9; ++i) keys.push_back(0xABCD000000000000u | (i << 8) | 1);
    for (std::size_t i = 0; i < 8; ++i) QVERIFY(!memo.seen(keys[i]));
    for (std::size_t i = 0; i < 8; ++i)
        QVERIFY2(memo.seen(keys[i]), qPrintable(QString::number(i)));
    QVERIFY(!memo.seen(keys[8]));
    QVERIFY(memo.seen(keys[8]));
    QVERIFY(!memo.seen(0)); // the key of an arrow never kept
    QVERIFY(!memo.seen(0));
    memo.clear();
    QVERIFY(!memo.seen(keys[0]));
}

void SceneRendererTest::decimatedPreviewKeepsPieceEnds() {
    Scene3D s;
    s.SetColour(255, 0, 0);
    for (int i = 0; i <= 1000; ++i) s.Point(-5 + i * 0.01, -0.05, 0);
    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    SceneRenderer::drawContent(img, s, topView(), bare(), nullptr, 64);
    QVERIFY(isRed(img.pixel(51, 100)));
    QVERIFY(isRed(img.pixel(100, 100)));
    QVERIFY(isRed(img.pixel(148, 100)));
}

void SceneRendererTest::offscreenPointsAreClipped() {
    Scene3D s;
    s.SetColour(255, 0, 0);
    s.Point(-1e9, -0.05, 0); // far outside the picture on both sides
    s.Point(1e9, -0.05, 0);
    s.Point(1e30, 1e30, 1e30);
    const QImage img = content(s, topView());
    QVERIFY(isRed(img.pixel(0, 100)));
    QVERIFY(isRed(img.pixel(199, 100)));
}

void SceneRendererTest::overlaysDrawScaleBarAndTriad() {
    Scene3D s;
    s.SetFrame(0, 0, 0, 0, 0.01, "Proton");
    s.Point(0, 0, 0);
    s.Point(0.01, 0, 0);
    ViewCamera c = homeCamera(s, QSize(400, 300));
    const QImage img = SceneRenderer::render(s, c, QSize(400, 300));
    // Scale bar near the lower left corner, triad near the lower right one.
    auto inkIn = [&](QRect r) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (qGray(img.pixel(x, y)) < 150) return true;
        return false;
    };
    QVERIFY(inkIn(QRect(14, 280, 30, 8)));
    QVERIFY(inkIn(QRect(330, 230, 60, 60)));
    QVERIFY(inkIn(QRect(10, 5, 80, 22))); // the title
    RenderOptions dark;
    dark.darkBackground = true;
    const QImage night = SceneRenderer::render(s, c, QSize(400, 300), dark);
    QVERIFY2(qGray(night.pixel(396, 3)) < 60, qPrintable(QString::number(night.pixel(396, 3), 16)));
}

void SceneRendererTest::homeCameraFollowsTheViewText_data() {
    QTest::addColumn<QString>("view");
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<double>("elevation");
    QTest::addColumn<double>("zoomOut"); // relative to "near"
    QTest::newRow("near") << "near" << ViewCamera::kDefaultAzimuth << ViewCamera::kDefaultElevation
                          << 1.0;
    QTest::newRow("far") << "far" << ViewCamera::kDefaultAzimuth << ViewCamera::kDefaultElevation
                         << 3.0;
    QTest::newRow("top") << " TOP " << -90.0 << 90.0 << 1.0;
    QTest::newRow("front") << "front" << -90.0 << 0.0 << 1.0;
    QTest::newRow("side") << "side" << 0.0 << 0.0 << 1.0;
    QTest::newRow("unknown") << "sideways" << ViewCamera::kDefaultAzimuth
                             << ViewCamera::kDefaultElevation << 1.0;
}

void SceneRendererTest::homeCameraFollowsTheViewText() {
    QFETCH(QString, view);
    QFETCH(double, azimuth);
    QFETCH(double, elevation);
    QFETCH(double, zoomOut);
    Scene3D near;
    near.SetFrame(0.1, 0.2, 0.3, 0, 0.05, "");
    Scene3D s;
    s.SetFrame(0.1, 0.2, 0.3, 0, 0.05, "");
    s.SetViewText(view.toStdString());
    const ViewCamera c = homeCamera(s, QSize(640, 480));
    QCOMPARE(c.azimuth(), azimuth);
    QCOMPARE(c.elevation(), elevation);
    QVERIFY(std::abs(homeCamera(near, QSize(640, 480)).scale() / c.scale() - zoomOut) < 1e-12);
    // The frame's sphere shows whole, centred.
    QCOMPARE(c.centre().y, 0.2);
    QVERIFY(c.scale() * 0.05 * zoomOut < 240);
    // Without a frame the drawn content is fitted.
    Scene3D bare;
    bare.Point(5, 5, 5);
    bare.Point(6, 7, 8);
    const ViewCamera b = homeCamera(bare, QSize(640, 480));
    const QPointF p = b.project({6, 7, 8});
    QVERIFY(p.x() >= 0 && p.x() <= 640 && p.y() >= 0 && p.y() <= 480);
}

void SceneRendererTest::lengthTexts_data() {
    QTest::addColumn<double>("maxMetres");
    QTest::addColumn<QString>("text");
    QTest::newRow("1 mm") << 1.7e-3 << QStringLiteral("1 mm");
    QTest::newRow("5 cm") << 0.07 << QStringLiteral("5 cm");
    QTest::newRow("20 cm") << 0.3 << QStringLiteral("20 cm");
    QTest::newRow("2 m") << 4.99 << QStringLiteral("2 m");
    QTest::newRow("exact 5 m") << 5.0 << QStringLiteral("5 m");
    QTest::newRow("200 µm") << 2.4e-4 << QStringLiteral("200 µm");
    QTest::newRow("10 km") << 1.2e4 << QStringLiteral("10 km");
    QTest::newRow("500 nm") << 9e-7 << QStringLiteral("500 nm");
}

void SceneRendererTest::lengthTexts() {
    QFETCH(double, maxMetres);
    QFETCH(QString, text);
    const double len = SceneRenderer::roundLength(maxMetres);
    QVERIFY(len <= maxMetres * (1 + 1e-12) && len > maxMetres / 2.6);
    QCOMPARE(SceneRenderer::lengthText(len), text);
    QCOMPARE(SceneRenderer::roundLength(0), 0.0);
}

void SceneRendererTest::pngExport() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Scene3D s;
    s.SetColour(255, 50, 100);
    for (int i = 0; i < 2000; ++i) s.Point(std::cos(i * 0.02), std::sin(i * 0.02), i * 1e-3);
    const QString path = dir.filePath("scene.png");
    QString error = "stale";
    QVERIFY(renderToPng(s, homeCamera(s, QSize(320, 200)), QSize(320, 200), path, &error));
    QVERIFY(error.isEmpty());
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage back = reader.read();
    QCOMPARE(back.size(), QSize(320, 200));
    bool pink = false;
    for (int y = 0; y < 200 && !pink; ++y)
        for (int x = 0; x < 320 && !pink; ++x) pink = back.pixel(x, y) == qRgb(255, 50, 100);
    QVERIFY(pink);

    // Failures: a folder that does not exist, a silly size; no file appears, a message does.
    const QString bad = dir.filePath("missing/scene.png");
    QVERIFY(!renderToPng(s, ViewCamera(), QSize(100, 100), bad, &error));
    QVERIFY(error.contains("scene.png"));
    QVERIFY(!QFile::exists(bad));
    QVERIFY(!renderToPng(s, ViewCamera(), QSize(0, 100), path, &error));
    QVERIFY(error.contains("out of range"));
    QCOMPARE(QImageReader(path).read().size(), QSize(320, 200)); // the old file is intact
}

QTEST_MAIN(SceneRendererTest)
#include "scenerenderer_test.moc"
