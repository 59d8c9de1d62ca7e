// The 3D graph window driven through its real pictures, boxes and buttons: the magnifier
// gesture printed to PDF, presses and releases, enlarging and moving pictures, the zoom box,
// clearing, the composite view and the picture sent to the clipboard.
#include "dataplot/graphprinting.h"
#include "kelaxes/kelaxes.h"
#include "kelaxes/pdftext.h"
#include "numerics/errorreport.h"
#include "scene/kelmirav.h"
#include "sheets/sheetlinkstate.h"
#include "support/scriptedasker.h"
#include "support/widgets.h"
#include "ui/common/picturebox.h"
#include "ui/common/pictureprinter.h"
#include "ui/graphwindow/frmgraphes.h"
#include "ui/graphwindow/picturedesk.h"
#include "ui/graphwindow/sheetpanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace gyro;

namespace {

// The graph window on its own drawing, views automatic, a horizontal line at z = 0 from
// y = -0.8 to 0.8 stored in view 0 (seen along -X: image X = y, Y = z).
struct Window {
    explicit Window(const QString& folder) {
        ErrorReport::instance().reset();
        sheetLink() = SheetLinkState{};
        sheetLink().folder = folder.toStdString();
        window = std::make_unique<FrmGraphes>(drawing);
        window->setPrintAsker(&asker);
        window->show();
        window->findChild<QCheckBox*>("CocheAutomatique")->setChecked(true);
        drawing.view.ascensionDeg = 0;
        drawing.view.declinationDeg = 0;
        drawing.currentView = 0;
        drawing.KelT(0, 0, 0, 0, 1, 1);
        drawing.startFigure();
        for (int i = -8; i <= 8; ++i) drawing.plot(Vecteur3(0, i / 10.0, 0));
        window->views().flush();
        window->bringViewToFront(0);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    ~Window() { setSaveFileChooser({}); }
    template <typename W> W* child(const QString& name) {
        return gyro::test::control<W>(window.get(), name);
    }
    PictureBox* img0() { return window->picture(0); }
    // The widget point of a world point of view 0.
    QPoint at(double x, double y) {
        const DrawingSurface& s = img0()->surface();
        const QRectF fitted = s.fittedRect(QRectF(img0()->rect()));
        return (fitted.topLeft() + s.toSurface(x, y) * (fitted.width() / s.size().width()))
            .toPoint();
    }
    void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons held,
               Qt::KeyboardModifiers keys = Qt::NoModifier) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        // Points are given in the picture as it stood at the press: the pointer moves on the
        // screen while the picture may move under it.
        if (type == QEvent::MouseButtonPress || (type == QEvent::MouseMove && held == Qt::NoButton))
            origin = w->mapToGlobal(QPointF(0, 0));
        const QPointF global = origin + QPointF(p);
        QMouseEvent e(type, w->mapFromGlobal(global), global, button, held, keys);
        QApplication::sendEvent(w, &e);
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        mouse(img0(), QEvent::MouseButtonPress, from, Qt::LeftButton, keys);
        mouse(img0(), QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, keys);
        mouse(img0(), QEvent::MouseMove, to, Qt::LeftButton, keys);
        mouse(img0(), QEvent::MouseButtonRelease, to, Qt::NoButton, keys);
    }
    QString warning() { return child<QPlainTextEdit>("Warning")->toPlainText(); }

    KelMirav drawing;
    QPointF origin;
    test::ScriptedAsker asker;
    std::unique_ptr<FrmGraphes> window;
};

// Dark pixels of the first page of a PDF rendered at 40 dpi, or -1 without poppler-utils.
int darkPixelsOfPdf(const QString& pdf, QTemporaryDir& dir) {
    const QString prefix = dir.filePath("page");
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) return -1;
    QFile::remove(prefix + ".png");
    test::popplerOutput("pdftoppm", {"-png", "-r", "40", "-singlefile", pdf, prefix});
    const QImage page(prefix + ".png");
    int n = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) n += qGray(page.pixel(x, y)) < 128;
    return n;
}

} // namespace

class GraphWindowTest : public QObject {
    Q_OBJECT
private slots:
    void magnifierGesturePrintsTheZone();
    void magnifierOfASquareZoneShowsTheCircleItHolds();
    void plotAfterAMagnifierEqualsThePlotBefore();
    void pressesAndReleases();
    void enlargingKeepsTheUnitsAndShiftMoves();
    void zoomAppliesWhenTheBoxLosesTheFocus();
    void clearingCompositeAndSending();

private:
    QTemporaryDir m_dir;
};

void GraphWindowTest::magnifierGesturePrintsTheZone() {
    Window w(m_dir.path());
    // Answered "no" to all lines, then an empty zone below the line.
    for (const auto& [y1, y2, name] :
         {std::tuple(0.3, -0.3, "loupe.pdf"), std::tuple(-0.2, -0.4, "vide.pdf")}) {
        const QString pdf = m_dir.filePath(name);
        setSaveFileChooser([&](QWidget*, const QString&, const QString&) { return pdf; });
        w.asker.answers = {kYes, kNo};
        w.drag(w.at(-0.45, y1), w.at(0.45, y2));
        QCOMPARE(w.window->frontView(), int(FrmGraphes::kLoupePage));
        // The magnifier was one gesture: later plots are normal ones again.
        QVERIFY(w.child<QRadioButton>("OptionNormal")->isChecked());
        QVERIFY2(QFileInfo::exists(pdf), qPrintable(w.warning()));
        // The zone's corners in world units, "#,##0.###".
        QVERIFY(std::fabs(w.child<QLineEdit>("TxtLoupe_1")->text().toDouble() - y1) < 0.01);
        const int dark = darkPixelsOfPdf(pdf, m_dir);
        if (dark < 0) QSKIP("pdftoppm (poppler-utils) is not installed");
        if (y1 > 0)
            QVERIFY(dark > 50); // the line through the zone
        else
            QCOMPARE(dark, 0); // nothing stored there: an empty page
    }
    QCOMPARE(w.asker.count(kPrintTitle), 4);
    QCOMPARE(w.window->desk().activePicture(), 0);
}

void GraphWindowTest::magnifierOfASquareZoneShowsTheCircleItHolds() {
    Window w(m_dir.path());
    // A red circle of radius 1 in the plane seen (image X = y, Y = z), in a view of half-width 2.
    w.drawing.KelT(0, 0, 0, 0, 2, 1);
    w.drawing.startFigure();
    w.window->views().SetColour(255, 0, 0);
    for (int i = 0; i <= 360; ++i)
        w.drawing.plot(Vecteur3(0, std::cos(i * M_PI / 180), std::sin(i * M_PI / 180)));
    w.window->views().flush();
    w.drag(w.at(-1.1, 1.1), w.at(1.1, -1.1));
    QCOMPARE(w.window->frontView(), int(FrmGraphes::kLoupePage));
    const DrawingSurface& loupe = w.window->loupePicture().surface();
    // The zone fills a square page (equal scales): the circle touches the page 0.1/2.2 of the
    // way in from each side, in its own colour, and nothing lies at the centre.
    QVERIFY(std::abs(loupe.size().width() - loupe.size().height()) < 0.02 * loupe.size().width());
    const QImage page = loupe.toImage(QSize(440, 440));
    const auto redNear = [&](int x, int y) {
        for (int dy = -8; dy <= 8; ++dy)
            for (int dx = -8; dx <= 8; ++dx) {
                const QColor c =
                    page.pixelColor(std::clamp(x + dx, 0, 439), std::clamp(y + dy, 0, 439));
                if (c.red() > 180 && c.green() < 120 && c.blue() < 120) return true;
            }
        return false;
    };
    const int in = int(440 * 0.1 / 2.2);
    for (const QPoint& p :
         {QPoint(in, 220), QPoint(439 - in, 220), QPoint(220, in), QPoint(220, 439 - in)})
        QVERIFY2(redNear(p.x(), p.y()), qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
    QVERIFY(!redNear(220, 220));
    QVERIFY(!redNear(in / 2 + 8, in / 2 + 8)); // the corners lie outside the circle
}

void GraphWindowTest::plotAfterAMagnifierEqualsThePlotBefore() {
    Window w(m_dir.path());
    sheetLink().config = {"", GYRO_EXAMPLES_DIR "/courbes.xlsx", "Feuille1", "C2:E100"};
    w.window->sheets().tracer().configurationChanged();
    const auto plot = [&] {
        QTest::mouseClick(w.child<QPushButton>("cmdTracer"), Qt::LeftButton);
        return w.window->frontView() == FrmGraphes::kAutomaticPage
                   ? w.window->sheets().automaticSurface().toImage(QSize(600, 600))
                   : QImage();
    };
    const QImage before = plot();
    QVERIFY(!before.isNull());
    w.window->bringViewToFront(0);
    w.asker.answers = {kNo};
    w.drag(w.at(-0.5, 0.5), w.at(0.5, -0.5));
    QCOMPARE(w.window->frontView(), int(FrmGraphes::kLoupePage));
    QVERIFY(before == plot());
    // Clearing the screen does not change the next plot either.
    QTest::mouseClick(w.child<QPushButton>("Commande3"), Qt::LeftButton);
    QCOMPARE(w.window->frontView(), 0); // the cleared view, not the automatic page
    QVERIFY(before == plot());
}

void GraphWindowTest::pressesAndReleases() {
    Window w(m_dir.path());
    const QPoint p = w.at(0, 0);
    w.mouse(w.img0(), QEvent::MouseButtonPress, p, Qt::LeftButton);
    w.mouse(w.img0(), QEvent::MouseButtonPress, p, Qt::LeftButton);
    QCOMPARE(w.img0()->findChildren<QFrame*>("Ligne1").size(), qsizetype(4));
    QCOMPARE(w.window->desk().activePicture(), 1);
    // The rectangle starts at the press point, not as a box of its own size.
    for (QFrame* line : w.img0()->findChildren<QFrame*>("Ligne1"))
        QVERIFY(line->width() <= 1 && line->height() <= 1);
    // A click without a drag: no zone, its rectangle gone, no question, nothing active, and the
    // drawing mode back to normal.
    w.mouse(w.img0(), QEvent::MouseButtonRelease, p, Qt::NoButton);
    QCOMPARE(w.window->desk().activePicture(), 0);
    QVERIFY(w.asker.questions.empty());
    for (QFrame* line : w.img0()->findChildren<QFrame*>("Ligne1")) QVERIFY(line->isHidden());
    QCOMPARE(w.window->frontView(), 0);
    // A release with no press before it leaves nothing active either.
    w.mouse(w.img0(), QEvent::MouseButtonRelease, p, Qt::NoButton);
    QCOMPARE(w.window->desk().activePicture(), 0);
    QVERIFY(w.asker.questions.empty());
}

void GraphWindowTest::enlargingKeepsTheUnitsAndShiftMoves() {
    Window w(m_dir.path());
    PictureBox* img = w.img0();
    const QSize before = img->size();
    const QSizeF surfaceBefore = img->surface().size();
    const int halfUnit = (w.at(0.5, 0) - w.at(0, 0)).x(); // pixels
    QVERIFY(halfUnit > 20);
    // Near the right edge: the sizing mark.
    const QPoint edge(before.width() - 2, before.height() / 2);
    w.mouse(img, QEvent::MouseMove, edge, Qt::NoButton);
    QCOMPARE(w.window->desk().activePicture(), 100);
    QCOMPARE(img->cursor().shape(), Qt::SizeFDiagCursor);
    w.mouse(img, QEvent::MouseButtonPress, edge, Qt::LeftButton);
    QCOMPARE(w.window->desk().tag(0), QString("grandir"));
    const QPoint larger(before.width() + 120, before.height() + 60);
    w.mouse(img, QEvent::MouseMove, larger, Qt::LeftButton);
    w.mouse(img, QEvent::MouseButtonRelease, larger, Qt::NoButton);
    QCOMPARE(img->size(), QSize(larger.x(), larger.y()));
    QCOMPARE(w.child<QLineEdit>("TxtImage_0")->text(), QString::number(larger.x()));
    // Same surface units per pixel, and a world unit keeps its length on the screen.
    QVERIFY(std::fabs(img->surface().size().width() / img->width() -
                      surfaceBefore.width() / before.width()) < 1e-9);
    QVERIFY(std::abs((w.at(0.5, 0) - w.at(0, 0)).x() - halfUnit) <= 1);
    QVERIFY(w.asker.questions.empty());
    QCOMPARE(w.window->desk().tag(0), QString());

    // Shift moves the picture inside the desk; no magnifier.
    img->resize(200, 200);
    img->move(0, 0);
    w.mouse(img, QEvent::MouseMove, QPoint(100, 100), Qt::NoButton);
    w.drag(QPoint(100, 100), QPoint(150, 130), Qt::ShiftModifier);
    QCOMPARE(img->pos(), QPoint(50, 30));
    // A picture at home, as large as the desk, moves too.
    w.window->desk().sendHome();
    const QPoint centre(img->width() / 2, img->height() / 2);
    w.mouse(img, QEvent::MouseMove, centre, Qt::NoButton);
    w.drag(centre, centre + QPoint(40, 25), Qt::ShiftModifier);
    QCOMPARE(img->pos(), QPoint(40, 25));
    QVERIFY(w.asker.questions.empty());
    QCOMPARE(w.window->desk().activePicture(), 0);
}

void GraphWindowTest::zoomAppliesWhenTheBoxLosesTheFocus() {
    Window w(m_dir.path());
    auto* zoom = w.child<QLineEdit>("Texte3");
    const ViewWindow saved = w.drawing.currentWindow();
    const auto type = [&](const QString& text) {
        zoom->setFocus();
        zoom->selectAll();
        QTest::keyClicks(zoom, text);
    };
    type("4");
    QCOMPARE(w.drawing.currentWindow(), saved); // not at the keystroke
    w.child<QLineEdit>("txt3")->setFocus();     // leaving the box commits it
    QTRY_COMPARE(w.drawing.currentWindow()[2], saved[2] / 4);
    for (int i = 0; i < 4; ++i) QCOMPARE(w.drawing.currentWindow()[i], saved[i] / 4);
    // The zoom shows at once: the centre of the view, four times larger, on the Loupe page,
    // and the message names what it gives.
    QCOMPARE(w.window->frontView(), int(FrmGraphes::kLoupePage));
    const QImage centre = w.window->loupePicture().surface().toImage(QSize(200, 200));
    int traced = 0;
    for (int x = 0; x < 200; ++x) {
        bool dark = false;
        for (int y = 96; y <= 104; ++y) dark = dark || qGray(centre.pixel(x, y)) < 240;
        traced += dark;
    }
    QVERIFY(traced > 150); // the line y = 0 crosses the whole page
    QVERIFY2(w.warning().contains("Zoom 4 : limites de la vue 0 : gauche"),
             qPrintable(w.warning()));
    // Refused values leave the zoom in force and say why.
    for (const QString bad : {"abc", "-2", "0", ""}) {
        type(bad);
        w.child<QLineEdit>("txt3")->setFocus();
        QTRY_COMPARE(zoom->text(), QString("4"));
        QCOMPARE(w.drawing.currentWindow()[2], saved[2] / 4);
    }
    QVERIFY(w.warning().contains("Zoom : « -2 »"));
    // The scroll bar divides the limits saved the first time, not the zoomed ones.
    w.child<QScrollBar>(QString::fromUtf8("DéfilementV1"))->setValue(2);
    QCOMPARE(w.drawing.currentWindow()[0], saved[0] / 2);
    QCOMPARE(zoom->text(), QString("2"));
}

void GraphWindowTest::clearingCompositeAndSending() {
    Window w(m_dir.path());
    // "toutes les vues" shows when the pointer comes over "Effacer l'écran".
    auto* clear = w.child<QPushButton>("Commande3");
    QVERIFY(w.child<QCheckBox>("Coche3")->isHidden());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(clear, &enter);
    QVERIFY(!w.child<QCheckBox>("Coche3")->isHidden());

    // The composite: drawn on its page, no page printed after "no".
    w.asker.answers = {kNo};
    w.child<QCheckBox>("Coche1")->setChecked(true);
    QCOMPARE(w.window->frontView(), int(FrmGraphes::kCompositePage));
    QCOMPARE(w.asker.count(kPrintTitle), 1);
    const QImage composite = w.window->compositePicture().surface().toImage(QSize(800, 800));
    int traced = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) traced += qGray(composite.pixel(x, y)) < 128;
    QVERIFY(traced > 50);

    // A job the print system refuses (here a PDF in a folder that does not exist): told in
    // the message box, the composite stays on the screen.
    w.asker.answers = {kYes};
    setSaveFileChooser([](QWidget*, const QString&, const QString&) {
        return QString("/no/such/folder/composite.pdf");
    });
    w.child<QCheckBox>("Coche1")->setChecked(false);
    w.child<QCheckBox>("Coche1")->setChecked(true);
    QVERIFY2(w.warning().contains("/no/such/folder/composite.pdf"), qPrintable(w.warning()));
    QCOMPARE(w.window->compositePicture().surface().toImage(QSize(800, 800)), composite);

    // "Envoyer Img": the clipboard holds the picture, and it is saved as asked (PDF here).
    w.window->bringViewToFront(0);
    const QString pdf = m_dir.filePath("envoi.pdf");
    setSaveFileChooser([&](QWidget*, const QString&, const QString& filter) {
        return filter.contains("PDF") ? pdf : QString();
    });
    QTest::mouseClick(w.child<QPushButton>("Commande2"), Qt::LeftButton);
    QVERIFY(!QApplication::clipboard()->image().isNull());
    QVERIFY(QFileInfo::exists(pdf));

    // Clearing: the pictures go back home and empty; the stored points stay.
    w.window->picture(0)->move(30, 30);
    w.child<QRadioButton>("OptionLoupe")->setChecked(true);
    w.child<QCheckBox>("CocheAutomatique")->setChecked(false);
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(w.window->picture(0)->pos(), QPoint(0, 0));
    QVERIFY(w.child<QRadioButton>("OptionNormal")->isChecked());
    const QImage cleared = w.window->picture(0)->surface().toImage(QSize(100, 100));
    int dark = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) dark += qGray(cleared.pixel(x, y)) < 128;
    QCOMPARE(dark, 0);
    QCOMPARE(w.drawing.pointCount(0), 17.0);

    // "Quitter" with a drawn picture asks first: "no" keeps the window, "yes" ends.
    KelaxesLibrary::instance().view(0).painter().drawLine(QPointF(0, 0), QPointF(50, 50));
    w.asker.answers = {kNo, kYes};
    QTest::mouseClick(w.child<QPushButton>("cmdPause"), Qt::LeftButton);
    QVERIFY(w.window->isVisible());
    QTest::mouseClick(w.child<QPushButton>("cmdPause"), Qt::LeftButton);
    QVERIFY(!w.window->isVisible());
    QCOMPARE(w.asker.count("Quitter"), 2);
}

QTEST_MAIN(GraphWindowTest)
#include "graphwindow_test.moc"
