// The scene drawn as vectors: where the trace lands, thinning to the output, and the PDF file.
#include "draw3d/scenevector.h"
#include "kelaxes/pdftext.h"

#include <QFileInfo>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace gyro;

namespace {

constexpr double kTwoPi = 2 * 3.14159265358979;

// The guiding-centre helix of a gyrating particle: radius r (m), pitch p (m per turn), n points
// over `turns` turns, in red.
void addHelix(Scene3D& scene, double r, double pitch, double turns, std::size_t n) {
    scene.SetColour(255, 0, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const double phase = kTwoPi * turns * static_cast<double>(i) / static_cast<double>(n);
        scene.Point(r * std::cos(phase), r * std::sin(phase), pitch * phase / kTwoPi);
    }
}

bool isRed(QColor c) {
    return c.red() > 180 && c.green() < 120 && c.blue() < 120;
}

bool isBlue(QColor c) {
    return c.blue() > 180 && c.red() < 120 && c.green() < 120;
}

// The cube's grey: darker than the background, no hue.
bool isGrey(QColor c) {
    return c.red() < 225 && std::abs(c.red() - c.green()) < 16 && std::abs(c.red() - c.blue()) < 24;
}

// Distance (px) from `at` to the nearest pixel of `image` that `kind` accepts, searched up to
// `reach` px away; reach + 1 when there is none.
template <class Kind> double distanceToInk(const QImage& image, QPointF at, int reach, Kind kind) {
    double best = reach + 1;
    const QPoint c = at.toPoint();
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const QPoint q = c + QPoint(dx, dy);
            if (!image.rect().contains(q) || !kind(image.pixelColor(q))) continue;
            best = std::min(best, std::hypot(q.x() + 0.5 - at.x(), q.y() + 0.5 - at.y()));
        }
    return best;
}

} // namespace

class SceneVectorTest : public QObject {
    Q_OBJECT
private slots:
    void traceLandsOnItsCircleAndIsThinnedToTheOutput();
    void millionPointSceneGivesASmallSearchablePdf();
    void badRequestsAreReported();
    void rasterAndVectorPutCubeCirclesAndTraceInOnePlace();
};

void SceneVectorTest::traceLandsOnItsCircleAndIsThinnedToTheOutput() {
    // Seen from the top, a helix of radius 5 m is a circle of 50 px at 10 px/m.
    Scene3D scene;
    addHelix(scene, 5, 0.01, 20, 100000);
    ViewCamera top;
    top.setViewport(QSize(200, 200));
    top.setAngles(-90, 90);
    top.setScale(10);
    RenderOptions bare;
    bare.showAxes = bare.showScaleBar = bare.showTriad = bare.showTags = bare.showCaption = false;
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&image);
        paintSceneVector(p, scene, top, bare);
    }
    for (int deg = 0; deg < 360; deg += 30) {
        const QPointF at(100 + 50 * std::cos(deg * kTwoPi / 360),
                         100 - 50 * std::sin(deg * kTwoPi / 360));
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
            for (int dx = -1; dx <= 1 && !found; ++dx)
                found = isRed(image.pixelColor(at.toPoint() + QPoint(dx, dy)));
        QVERIFY2(found, qPrintable(QString::number(deg)));
    }
    QVERIFY(!isRed(image.pixelColor(100, 100)));
    // 100 000 points over 20 turns of a 314-pixel circle: thinned to half a pixel, about 12 500
    // are recorded (16 bytes each) instead of 1.6 MB of points.
    QPicture picture;
    {
        QPainter p(&picture);
        paintSceneVector(p, scene, top, bare);
    }
    QVERIFY2(picture.size() < 400 * 1024, qPrintable(QString::number(picture.size())));
}

void SceneVectorTest::millionPointSceneGivesASmallSearchablePdf() {
    Scene3D scene;
    scene.SetFrame(0, 0, 0, 0, 0.02, "Proton gyration");
    scene.EndSetUp();
    addHelix(scene, 0.01, 0.0002, 200, 1'000'000);
    QCOMPARE(scene.pointCount(), std::size_t(1'000'000));
    QTemporaryDir dir;
    const QString file = dir.filePath("scene.pdf");
    QString error;
    QVERIFY2(
        exportScenePdf(scene, homeCamera(scene, QSize(1200, 800)), QSize(1200, 800), file, &error),
        qPrintable(error));
    const qint64 bytes = QFileInfo(file).size();
    QVERIFY2(bytes > 1000 && bytes < 4 * 1024 * 1024, qPrintable(QString::number(bytes)));
    const QString info = test::pdfInfo(file);
    if (info.isNull()) QSKIP("poppler-utils is not installed");
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression("842 x 595")), qPrintable(info)); // landscape A4
    const QStringList words =
        test::pdfText(file).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    for (const char* w : {"x", "y", "z", "Proton", "gyration"})
        QVERIFY2(words.contains(QString(w)), w);
}

void SceneVectorTest::badRequestsAreReported() {
    Scene3D scene;
    addHelix(scene, 1, 0.1, 2, 100);
    const ViewCamera camera = homeCamera(scene, QSize(300, 200));
    QTemporaryDir dir;
    const QString kept = dir.filePath("kept.pdf");
    QVERIFY(exportScenePdf(scene, camera, QSize(300, 200), kept, nullptr));
    const qint64 keptSize = QFileInfo(kept).size();
    struct Case {
        QString file;
        QSize size;
        const char* says;
    };
    const Case cases[] = {{QString(), QSize(300, 200), "No file name"},
                          {dir.filePath("none/x.pdf"), QSize(300, 200), "x.pdf"},
                          {kept, QSize(0, 200), "out of range"},
                          {kept, QSize(300, 90000), "out of range"}};
    for (const Case& c : cases) {
        QString error;
        QVERIFY(!exportScenePdf(scene, camera, c.size, c.file, &error));
        QVERIFY2(error.contains(c.says), qPrintable(error));
    }
    QCOMPARE(QFileInfo(kept).size(), keptSize); // a refused export leaves the old file whole
}

void SceneVectorTest::rasterAndVectorPutCubeCirclesAndTraceInOnePlace() {
    // One scene drawn at one size by the image renderer and as vectors (recorded, then replayed
    // on an image): the cube's corners, a circle and a trace must fall on the same pixels,
    // within kTolerance of where the camera projects them.
    constexpr double kTolerance = 1.5; // px
    Scene3D scene;
    scene.SetFrame(0, 0, 0, 0, 1.0, "");
    scene.SetScene(1, 5, 1, 65, 120, 120, 0.75); // the cube on
    scene.EndSetUp();
    scene.SetColour(0, 0, 255);
    scene.Circle(0.6, 1);
    addHelix(scene, 0.3, 0.05, 3, 600);
    const QSize size(480, 360);
    ViewCamera camera; // oblique, the whole cube inside the picture
    camera.setViewport(size);
    camera.setAngles(ViewCamera::kDefaultAzimuth, ViewCamera::kDefaultElevation);
    camera.setScale(90);
    RenderOptions bare;
    bare.showAxes = bare.showScaleBar = bare.showTriad = bare.showTags = bare.showCaption = false;

    const QImage raster = SceneRenderer::render(scene, camera, size, bare);
    QPicture picture;
    {
        QPainter p(&picture);
        paintSceneVector(p, scene, camera, bare);
    }
    QImage vector(size, QImage::Format_ARGB32_Premultiplied);
    vector.fill(Qt::white);
    {
        QPainter p(&vector);
        p.drawPicture(0, 0, picture);
    }

    struct Mark {
        const char* what;
        Point3d at;
        bool (*kind)(QColor);
    };
    std::vector<Mark> marks;
    for (int k = 0; k < 8; ++k)
        marks.push_back(
            {"cube corner", {k & 1 ? 1.0 : -1.0, k & 2 ? 1.0 : -1.0, k & 4 ? 1.0 : -1.0}, isGrey});
    for (int deg = 0; deg < 360; deg += 45)
        marks.push_back(
            {"circle",
             {0.6 * std::cos(deg * kTwoPi / 360), 0.6 * std::sin(deg * kTwoPi / 360), 0},
             isBlue});
    for (int i = 0; i < 600; i += 75) {
        const double phase = kTwoPi * 3 * i / 600.0;
        marks.push_back({"trace",
                         {0.3 * std::cos(phase), 0.3 * std::sin(phase), 0.05 * phase / kTwoPi},
                         isRed});
    }
    for (const Mark& m : marks) {
        const QPointF at = camera.project(m.at);
        const double r = distanceToInk(raster, at, 4, m.kind);
        const double v = distanceToInk(vector, at, 4, m.kind);
        const QString where = QStringLiteral("%1 at (%2, %3): raster %4 px, vector %5 px")
                                  .arg(QLatin1String(m.what))
                                  .arg(at.x())
                                  .arg(at.y())
                                  .arg(r)
                                  .arg(v);
        QVERIFY2(r <= kTolerance && v <= kTolerance, qPrintable(where));
    }
}

QTEST_MAIN(SceneVectorTest)
#include "scenevector_test.moc"
