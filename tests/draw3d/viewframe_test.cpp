// Tests of the viewing frame: frame vectors, their check, the perspective guard, axis captions
// and the scale caption.
#include "draw3d/viewpreview.h"
#include "numerics/errorreport.h"
#include "scene/viewstate.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>

using namespace gyro;

namespace {
constexpr double kFrameTol = 1e-12; // rounding of the rotation with the 15-digit pi

bool near(const Vecteur3& a, const Vecteur3& b) {
    for (int i = 1; i <= 3; ++i)
        if (std::fabs(a(i) - b(i)) > kFrameTol) return false;
    return true;
}
} // namespace

class ViewFrameTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ErrorReport::instance().reset(); }
    void frameOfTheAxisViews_data();
    void frameOfTheAxisViews();
    void frameIsOrthonormalAndCheckSilent();
    void captions_data();
    void captions();
    void scaleCaption_data();
    void scaleCaption();
    void perspectiveSkipsPointsAtOrBehindTheEye();
    void nonFiniteAnglesKeepTheFrame();
};

void ViewFrameTest::frameOfTheAxisViews_data() {
    QTest::addColumn<double>("ra");
    QTest::addColumn<double>("dec");
    QTest::addColumn<Vecteur3>("u");
    QTest::addColumn<Vecteur3>("v");
    QTest::addColumn<Vecteur3>("d");
    QTest::newRow("0/0") << 0.0 << 0.0 << Vecteur3(0, 1, 0) << Vecteur3(0, 0, 1)
                         << Vecteur3(1, 0, 0);
    QTest::newRow("90/0") << 90.0 << 0.0 << Vecteur3(-1, 0, 0) << Vecteur3(0, 0, 1)
                          << Vecteur3(0, 1, 0);
    QTest::newRow("0/90") << 0.0 << 90.0 << Vecteur3(0, 1, 0) << Vecteur3(-1, 0, 0)
                          << Vecteur3(0, 0, 1);
    QTest::newRow("90/90") << 90.0 << 90.0 << Vecteur3(-1, 0, 0) << Vecteur3(0, -1, 0)
                           << Vecteur3(0, 0, 1);
}

void ViewFrameTest::frameOfTheAxisViews() {
    QFETCH(double, ra);
    QFETCH(double, dec);
    QFETCH(Vecteur3, u);
    QFETCH(Vecteur3, v);
    QFETCH(Vecteur3, d);
    ViewState view;
    RepereProjectif(view, ra, dec);
    QVERIFY(near(view.u, u));
    QVERIFY(near(view.v, v));
    QVERIFY(near(view.d, d));
}

void ViewFrameTest::frameIsOrthonormalAndCheckSilent() {
    ViewState view;
    for (double ra = -270; ra <= 270; ra += 7.5) {
        for (double dec = -270; dec <= 270; dec += 7.5) {
            RepereProjectif(view, ra, dec);
            // d = u × v (right-handed), all unit, mutually orthogonal; d matches its formula.
            Vecteur3 cross;
            ProdVect(view.u, view.v, cross);
            QVERIFY2(near(cross, view.d), qPrintable(QString("%1 %2").arg(ra).arg(dec)));
            QVERIFY(std::fabs(ProdScal(view.u, view.v)) < kFrameTol);
            const double a = rad(ra), b = rad(dec);
            QVERIFY(near(view.d, Vecteur3(std::cos(b) * std::cos(a), std::cos(b) * std::sin(a),
                                          std::sin(b))));
        }
    }
    QVERIFY(ErrorReport::instance().lines().empty());
}

void ViewFrameTest::captions_data() {
    QTest::addColumn<double>("ra");
    QTest::addColumn<double>("dec");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<double>("flag");
    QTest::newRow("0/0") << 0.0 << 0.0 << " Y_proj. "
                         << " Z_proj. " << 1.0;
    QTest::newRow("90/0") << 90.0 << 0.0 << " X_proj. "
                          << " Z_proj. " << 1.0;
    QTest::newRow("pole 0") << 0.0 << 90.0 << " Y_proj. "
                            << " X_proj. " << 1.0;
    QTest::newRow("pole 90") << 90.0 << 90.0 << " X_proj. "
                             << " Y_proj. " << 1.0;
    QTest::newRow("-90 as 90") << -90.0 << 0.0 << " X_proj. "
                               << " Z_proj. " << 1.0;
    QTest::newRow("45") << 45.0 << 0.0 << ""
                        << "" << 0.0;
    QTest::newRow("89.5 to even 90") << 89.5 << 0.0 << " X_proj. "
                                     << " Z_proj. " << 1.0;
    QTest::newRow("90.5 to even 90") << 90.5 << 0.0 << " X_proj. "
                                     << " Z_proj. " << 1.0;
    QTest::newRow("oblique") << 0.0 << 30.0 << ""
                             << "" << 0.0;
    QTest::newRow("south pole") << 0.0 << -90.0 << " Y_proj. "
                                << " X_proj. " << 1.0;
}

void ViewFrameTest::captions() {
    QFETCH(double, ra);
    QFETCH(double, dec);
    std::string h = "old", v = "old";
    double aligned = -1;
    ProjAxisLabels(ra, dec, h, v, aligned);
    QFETCH(QString, horizontal);
    QFETCH(QString, vertical);
    QFETCH(double, flag);
    QCOMPARE(QString::fromStdString(h), horizontal);
    QCOMPARE(QString::fromStdString(v), vertical);
    QCOMPARE(aligned, flag);
}

void ViewFrameTest::scaleCaption_data() {
    QTest::addColumn<double>("s");
    QTest::addColumn<QString>("text");
    QTest::newRow("reduction") << 0.25 << "ech: 1 / 4.";
    QTest::newRow("grouped reduction") << 1.0 / 2500 << "ech: 1 / 2,500.";
    QTest::newRow("unit") << 1.0 << "ech:  1. / 1";
    QTest::newRow("zero") << 0.0 << "";
    QTest::newRow("negative") << -3.0 << "";
}

void ViewFrameTest::scaleCaption() {
    QFETCH(double, s);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(ScaleCaption(s)), text);
}

void ViewFrameTest::perspectiveSkipsPointsAtOrBehindTheEye() {
    ViewState view;
    ComputeViewTrig(view, 0, 0); // looking along -X from the eye at x = D
    view.eyeDistance = kPreviewEyeDistance;
    view.focalLength = kPreviewFocalLength;
    double x = 7, y = 7;
    // In front: a = y, b = z, w = D - x.
    QVERIFY(PerspectiveImage(view, Vecteur3(10, 20, 30), x, y));
    QCOMPARE(x, 400.0 * 20 / 100);
    QCOMPARE(y, -400.0 * 30 / 100);
    x = y = 7;
    QVERIFY(!PerspectiveImage(view, Vecteur3(110, 1, 1), x, y)); // at the eye
    QVERIFY(!PerspectiveImage(view, Vecteur3(500, 1, 1), x, y)); // behind it
    QCOMPARE(x, 7.0);

    // The preview line to a point behind the eye leaves the picture untouched.
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setWindow(-270, -270, 540, 540);
        PreviewLine(view, painter, Vecteur3(0, 0, 0), Vecteur3(500, 30, 30));
    }
    QCOMPARE(image.pixel(50, 50), QColor(Qt::white).rgb());
    QVERIFY(ErrorReport::instance().lines().empty());
}

void ViewFrameTest::nonFiniteAnglesKeepTheFrame() {
    ViewState view;
    RepereProjectif(view, 90, 0);
    RepereProjectif(view, std::nan(""), 0);
    QVERIFY(near(view.u, Vecteur3(-1, 0, 0)));
    QCOMPARE(ErrorReport::instance().lines().size(), std::size_t(1));
    QVERIFY(ErrorReport::instance().lines()[0].find("RepereProjectif") != std::string::npos);
}

QTEST_MAIN(ViewFrameTest)
#include "viewframe_test.moc"
