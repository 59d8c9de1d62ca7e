// The 3D graph window: "New window" redraws a run's trajectory through the options window, in
// slices that keep the event loop turning and can be stopped, into a picture that exports to PNG
// and PDF with its captions.
#include "kelaxes/kelaxesstate.h"
#include "kelaxes/pdftext.h"
#include "numerics/errorreport.h"
#include "settings/recordstore.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/runrecord.h"
#include "simulation/trajectoryrecord.h"
#include "ui/common/picturebox.h"
#include "ui/common/pictureprinter.h"
#include "ui/graphwindow/frmgraphes.h"
#include "ui/options/frmoptions.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace gyro;

namespace {
// A gyrating electron drifting along z: radius 0.04 m, n turns of 400 samples each.
TrajectoryRecord helix(int turns) {
    TrajectoryRecord record;
    const double radius = 0.04, pitch = 0.01;
    for (int i = 0; i <= turns * 400; ++i) {
        const double phase = 2 * M_PI * i / 400.0;
        record.add({i * 1e-9, radius * std::cos(phase), radius * std::sin(phase),
                    pitch * phase / (2 * M_PI), 0, 0, 0});
    }
    return record;
}

// Pixels of a red trace, antialiased edges included.
int redPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qRed(p) > 160 && qGreen(p) < 120 && qBlue(p) < 120;
        }
    return n;
}
} // namespace

class FrmGraphesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { ResetRecordStore(); }
    void newWindowRedrawsTheRunAfterTheOptions();
    void longTrajectoryIsDrawnInSlices();
    void menuEntriesShowTheWindows();

private:
    QTemporaryDir m_dir;
};

void FrmGraphesTest::initTestCase() {
    ResetRecordStore();
    SetRecordFolder(m_dir.path().toStdString());
}

void FrmGraphesTest::newWindowRedrawsTheRunAfterTheOptions() {
    RunRecord& run = runRecord();
    // The trajectory's colour: the first three entries of the case's colour table.
    theCase().setText(BoxFamily::Texte4, slot::kColourTable, "255");
    theCase().setText(BoxFamily::Texte4, slot::kColourTable + 1, "0");
    theCase().setText(BoxFamily::Texte4, slot::kColourTable + 2, "0");
    run.cubicView = 0;
    const TrajectoryRecord record = helix(3);

    // The options window comes first (views are not automatic): look along -X, then "O K".
    bool optionsShown = false;
    QTimer::singleShot(0, this, [&] {
        FrmOptions& options = optionsWindow();
        optionsShown =
            options.isVisible() && options.findChild<QPushButton*>("Commande2")->isHidden();
        options.findChild<QScrollBar*>("DefilementH1")->setValue(0);
        options.findChild<QScrollBar*>("DefilementH2")->setValue(0);
        QTest::mouseClick(options.findChild<QPushButton*>("Commande3"), Qt::LeftButton);
    });
    redrawRunInGraphWindow(record);
    QVERIFY(optionsShown);
    FrmGraphes& window = graphWindow();
    QTRY_VERIFY(!window.redrawing());
    const int view = window.frontView();
    QCOMPARE(kelMirav().pointCount(view), double(record.size()));

    // Seen along -X the helix is a sine-like curve: the trace colour fills part of the picture.
    PictureBox* picture = window.picture(view);
    QVERIFY(picture->isVisible());
    const QImage shot = picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(redPixels(shot) > 100);

    // "Exporter PDF…" and "Imprimer la vue…" (no printer here: it says so and offers a PDF
    // file) write the front picture with its captions.
    for (const char* button : {"cmdExportPdf", "cmdImprimeVue"}) {
        const QString pdf = m_dir.filePath(QString(button) + ".pdf");
        QString title;
        setSaveFileChooser([&](QWidget*, const QString& t, const QString&) {
            title = t;
            return pdf;
        });
        QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
        setSaveFileChooser({});
        QVERIFY2(QFileInfo::exists(pdf), button);
        if (QString(button) == "cmdImprimeVue" && !printerAvailable())
            QVERIFY2(title.startsWith("No printer found"), qPrintable(title));
        const QString text = test::pdfText(pdf);
        if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
        QVERIFY2(text.contains("Y_proj.") && text.contains("Z_proj."), qPrintable(text));
        QVERIFY(text.contains("ech:"));
    }
}

void FrmGraphesTest::menuEntriesShowTheWindows() {
    FrmGraphes& graphs = showGraphWindow();
    QVERIFY(graphs.isVisible());
    FrmOptions& options = showOptionsWindow(nullptr, false);
    QVERIFY(options.isVisible());
    QVERIFY(!options.isModal());
    auto* validation = options.findChild<QPushButton*>("Commande2");
    QVERIFY(validation->isVisible() && validation->isDefault());
    QVERIFY(options.findChild<QPushButton*>("Commande3")->isVisible());
    options.close();
}

void FrmGraphesTest::longTrajectoryIsDrawnInSlices() {
    FrmGraphes& window = graphWindow();
    window.findChild<QCheckBox*>("CocheAutomatique")->setChecked(true);
    // A long run thinned to a few samples a gyration: 200,000 chords across the orbit (seen face
    // on along x), each as long as the picture is wide: the costliest lines to paint.
    TrajectoryRecord record;
    for (int i = 0; i < 200000; ++i)
        record.add(
            {i * 1e-9, 1e-9 * i, 0.04 * std::cos(2.9 * i), 0.04 * std::sin(2.9 * i), 0, 0, 0});
    bool done = false;
    window.onRedrawDone = [&] { done = true; };
    redrawRunInGraphWindow(record);
    QVERIFY(window.redrawing()); // the call returned before drawing everything
    const int view = window.frontView();
    PictureBox* picture = window.picture(view);
    DrawingSurface& surface = picture->surface();
    const int rebuildsBefore = surface.cacheRebuilds();

    // The event loop keeps turning while the picture grows and is painted: count its turns and
    // the longest wait between two of them.
    int turns = 0, paints = 0;
    qint64 longestWaitMs = 0;
    QElapsedTimer sinceLastTurn;
    sinceLastTurn.start();
    QTimer probe;
    probe.setInterval(0);
    connect(&probe, &QTimer::timeout, this, [&] {
        longestWaitMs = std::max(longestWaitMs, sinceLastTurn.restart());
        ++turns;
        picture->repaint(); // a paint at every turn, as a busy screen would ask
        ++paints;
    });
    probe.start();
    QTRY_VERIFY_WITH_TIMEOUT(done, 120000);
    probe.stop();
    QVERIFY2(turns > 20, qPrintable(QString::number(turns)));
    // Painting only what is new: the kept image was never rebuilt from the whole recording,
    // and no turn waited for a replay of it (generous bound for slow, instrumented builds).
    QVERIFY(surface.cacheRebuilds() - rebuildsBefore <= 1);
    QVERIFY2(longestWaitMs < 300, qPrintable(QString::number(longestWaitMs)));
    QCOMPARE(kelMirav().pointCount(view), double(kMaxStoredPoints));

    // The shown picture and the recording kept for export are the same drawing.
    const QImage shown = picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage exported = surface.toImage(shown.size()).convertToFormat(QImage::Format_RGB32);
    QVERIFY(redPixels(shown) > 100);
    QVERIFY(std::abs(redPixels(shown) - redPixels(exported)) < redPixels(exported) / 20);

    // A second redraw stopped by its button keeps what it drew and says so.
    done = false;
    redrawRunInGraphWindow(record);
    auto* stop = window.findChild<QPushButton*>("cmdArretTrace");
    QVERIFY(stop->isEnabled());
    QTest::mouseClick(stop, Qt::LeftButton);
    QVERIFY(!window.redrawing() && !done && !stop->isEnabled());
    QVERIFY(window.findChild<QPlainTextEdit*>("Warning")->toPlainText().contains(
        QString::fromUtf8("Tracé arrêté")));
    window.onRedrawDone = nullptr;
}

QTEST_MAIN(FrmGraphesTest)
#include "frmgraphes_test.moc"
