// The about box and the help window: the help text, the centring, and who closes whom.
#include "ui/dialogs/frmabout.h"
#include "ui/dialogs/frmhelp.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace gyro;

class FrmHelpTest : public QObject {
    Q_OBJECT
private slots:
    void helpShowsItsFourteenLines();
    void mouseOverThePictureHidesTheHelp();
    void aboutIsCentredAndItsButtonLeavesTheHelpOpen();
    void aboutClosedFromItsFrameClosesTheHelp();
};

void FrmHelpTest::helpShowsItsFourteenLines() {
    FrmHelp help;
    const QStringList lines = FrmHelp::helpText().split("\r\n");
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines[0], QString("Le programme possède 2 commandes essentielles: "));
    QCOMPARE(lines[3], QString(" "));
    QCOMPARE(lines[7], QString());
    QCOMPARE(lines[10], QString(" "));
    QCOMPARE(lines[13], QString("On peut aussi cliquer sur les coches pour visualiser les champs "
                                "Electriques et Magnétiques là où se trouve l'électron."));
    auto* box = help.findChild<QPlainTextEdit*>("Texte1");
    QVERIFY(box);
    QCOMPARE(box->toPlainText().split('\n'), lines);
    QCOMPARE(box->document()->blockCount(), 14);
}

void FrmHelpTest::mouseOverThePictureHidesTheHelp() {
    auto* help = new FrmHelp;
    help->show();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    auto* picture = help->findChild<QLabel*>("Image1");
    QVERIFY(picture);
    QVERIFY(!picture->pixmap().isNull());
    QTest::mouseMove(picture, QPoint(10, 10));
    QTest::mouseMove(picture, QPoint(20, 20));
    QTRY_VERIFY(!help->isVisible());
    delete help;
}

void FrmHelpTest::aboutIsCentredAndItsButtonLeavesTheHelpOpen() {
    QPointer<FrmHelp> help = new FrmHelp;
    help->show();
    QPointer<FrmAbout> about = new FrmAbout;
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    const QRect screen = about->screen()->geometry();
    const QRect frame = about->frameGeometry();
    QVERIFY(std::abs(frame.center().x() - screen.center().x()) <= 2);
    QVERIFY(std::abs(frame.center().y() - screen.center().y()) <= 2);

    QTest::mouseClick(about->findChild<QPushButton*>("cmdAbout"), Qt::LeftButton);
    QTRY_VERIFY(about.isNull()); // unloaded
    QVERIFY(!help.isNull());
    QVERIFY(help->isVisible());
    delete help.data();
}

void FrmHelpTest::aboutClosedFromItsFrameClosesTheHelp() {
    QPointer<FrmHelp> help = new FrmHelp;
    help->show();
    QPointer<FrmAbout> about = new FrmAbout;
    about->show();
    about->close(); // as the close box does
    QTRY_VERIFY(about.isNull());
    QTRY_VERIFY(help.isNull());
}

QTEST_MAIN(FrmHelpTest)
#include "frmhelp_test.moc"
