// Tests of the view camera: frame, projection, and the rotate, zoom, pan and fit operations.
#include "draw3d/viewcamera.h"

#include <QTest>

#include <cmath>

using namespace gyro;

namespace {
double dot(const Point3d& a, const Point3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
bool near(const QPointF& a, const QPointF& b, double tol = 1e-6) {
    return std::abs(a.x() - b.x()) <= tol && std::abs(a.y() - b.y()) <= tol;
}
} // namespace

class ViewCameraTest : public QObject {
    Q_OBJECT
private slots:
    void frameIsRightHandedOrthonormal_data();
    void frameIsRightHandedOrthonormal();
    void standardViewsShowTheExpectedAxes();
    void rotationAndZoomKeepTheCentreFixed();
    void zoomAboutCursorKeepsThePointUnderIt();
    void panMovesThePictureByThePixels();
    void fitPutsTheWholeBoxInside_data();
    void fitPutsTheWholeBoxInside();
    void unprojectInvertsProject();
};

void ViewCameraTest::frameIsRightHandedOrthonormal_data() {
    QTest::addColumn<double>("az");
    QTest::addColumn<double>("el");
    QTest::newRow("default") << ViewCamera::kDefaultAzimuth << ViewCamera::kDefaultElevation;
    QTest::newRow("top") << -90.0 << 90.0;
    QTest::newRow("below") << 137.0 << -63.0;
    QTest::newRow("wrapped") << 721.0 << 10.0;
}

void ViewCameraTest::frameIsRightHandedOrthonormal() {
    QFETCH(double, az);
    QFETCH(double, el);
    ViewCamera c;
    c.setAngles(az, el);
    const Point3d u = c.right(), v = c.up(), d = c.towardsViewer();
    QVERIFY(std::abs(dot(u, u) - 1) < 1e-12 && std::abs(dot(v, v) - 1) < 1e-12);
    QVERIFY(std::abs(dot(u, v)) < 1e-12 && std::abs(dot(u, d)) < 1e-12);
    // d = u × v
    QVERIFY(std::abs(u.y * v.z - u.z * v.y - d.x) < 1e-12);
    QVERIFY(std::abs(u.z * v.x - u.x * v.z - d.y) < 1e-12);
    QVERIFY(std::abs(u.x * v.y - u.y * v.x - d.z) < 1e-12);
    QVERIFY(c.azimuth() > -180 && c.azimuth() <= 180);
}

void ViewCameraTest::standardViewsShowTheExpectedAxes() {
    ViewCamera c;
    c.setViewport(QSize(200, 100));
    c.setScale(10);
    // Top view: x to the right, y up the screen.
    c.setAngles(-90, 90);
    QVERIFY(near(c.project({1, 0, 0}), QPointF(110, 50)));
    QVERIFY(near(c.project({0, 1, 0}), QPointF(100, 40)));
    QVERIFY(near(c.project({0, 0, 1}), QPointF(100, 50)));
    // Front view: x to the right, z up.
    c.setAngles(-90, 0);
    QVERIFY(near(c.project({0, 0, 1}), QPointF(100, 40)));
    QVERIFY(near(c.project({1, 0, 0}), QPointF(110, 50)));
    // Elevation is clamped.
    c.setAngles(0, 120);
    QCOMPARE(c.elevation(), 90.0);
}

void ViewCameraTest::rotationAndZoomKeepTheCentreFixed() {
    ViewCamera c;
    c.setViewport(QSize(640, 480));
    const Point3d centre{0.3, -1.2, 2.5};
    c.setCentre(centre);
    c.setScale(250);
    const QPointF middle(320, 240);
    QVERIFY(near(c.project(centre), middle));
    c.rotateBy(37, -12);
    QVERIFY(near(c.project(centre), middle));
    c.zoomAbout(3.7, middle);
    QVERIFY(near(c.project(centre), middle));
    QCOMPARE(c.scale(), 250 * 3.7);
    // A point 1 m from the centre shows at most 1 m (times the zoom) from the middle, whatever
    // the angles, and exactly that far when the view looks square at it.
    const Point3d p{1.3, -1.2, 2.5};
    for (double az : {0.0, 45.0, 90.0, 180.0}) {
        c.setAngles(az, 30);
        const QPointF off = c.project(p) - middle;
        QVERIFY(std::hypot(off.x(), off.y()) <= c.scale() * (1 + 1e-12));
    }
    c.setAngles(-90, 90); // top view: x along the screen
    const QPointF off = c.project(p) - middle;
    QVERIFY(std::abs(std::hypot(off.x(), off.y()) - c.scale()) < 1e-6);
}

void ViewCameraTest::zoomAboutCursorKeepsThePointUnderIt() {
    ViewCamera c;
    c.setViewport(QSize(800, 600));
    c.setScale(1e4); // a view 8 cm wide
    const QPointF cursor(123, 456);
    const Point3d under = c.unproject(cursor);
    for (double f : {1.2, 0.5, 40.0}) {
        c.zoomAbout(f, cursor);
        QVERIFY(near(c.project(under), cursor, 1e-6));
    }
}

void ViewCameraTest::panMovesThePictureByThePixels() {
    ViewCamera c;
    c.setViewport(QSize(300, 300));
    c.setAngles(20, 30);
    const Point3d p{0.1, 0.2, 0.3};
    const QPointF before = c.project(p);
    c.panPixels(15, -7);
    QVERIFY(near(c.project(p), before + QPointF(15, -7)));
}

void ViewCameraTest::fitPutsTheWholeBoxInside_data() {
    QTest::addColumn<double>("az");
    QTest::addColumn<double>("el");
    QTest::addColumn<double>("size");
    QTest::newRow("oblique, mm") << -60.0 << 25.0 << 1e-3;
    QTest::newRow("top, km") << -90.0 << 90.0 << 1e3;
    QTest::newRow("flat box seen edge-on") << 0.0 << 0.0 << 1.0;
}

void ViewCameraTest::fitPutsTheWholeBoxInside() {
    QFETCH(double, az);
    QFETCH(double, el);
    QFETCH(double, size);
    ViewCamera c;
    c.setViewport(QSize(1280, 800));
    c.setAngles(az, el);
    Bounds3d box;
    box.add({5 * size, -3 * size, 0});
    box.add({9 * size, 4 * size, (el == 0 && az == 0) ? 0.0 : 2 * size});
    c.fitBox(box);
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (int k = 0; k < 8; ++k) {
        const QPointF s =
            c.project({(k & 1) ? box.max.x : box.min.x, (k & 2) ? box.max.y : box.min.y,
                       (k & 4) ? box.max.z : box.min.z});
        QVERIFY(s.x() >= 0 && s.x() <= 1280 && s.y() >= 0 && s.y() <= 800);
        minX = std::min(minX, s.x()), maxX = std::max(maxX, s.x());
        minY = std::min(minY, s.y()), maxY = std::max(maxY, s.y());
    }
    // It fills the view along one side (not a tiny picture) and is centred.
    QVERIFY(maxX - minX > 0.8 * 1280 || maxY - minY > 0.8 * 800);
    QVERIFY(std::abs((minX + maxX) / 2 - 640) < 1e-6 * 1280);
    QVERIFY(std::abs((minY + maxY) / 2 - 400) < 1e-6 * 800);
}

void ViewCameraTest::unprojectInvertsProject() {
    ViewCamera c;
    c.setViewport(QSize(500, 400));
    c.setAngles(33, -21);
    c.setScale(77);
    const QPointF s(12.5, 380.25);
    QVERIFY(near(c.project(c.unproject(s)), s, 1e-9));
}

QTEST_GUILESS_MAIN(ViewCameraTest)
#include "viewcamera_test.moc"
