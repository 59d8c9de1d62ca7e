// The spreadsheet side of the 3D graph window, driven through its real buttons, menus and
// boxes: the four automatic views of the example workbook, the failure path to the example
// data, the configuration dialogs with their messages and "kelmirav.ini", the print selection.
#include "dataplot/sheetlink.h"
#include "numerics/errorreport.h"
#include "scene/kelmirav.h"
#include "sheets/sheetlinkstate.h"
#include "support/scriptedasker.h"
#include "support/widgets.h"
#include "ui/graphwindow/frmgraphes.h"
#include "ui/graphwindow/sheetpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <fstream>
#include <iterator>

using namespace gyro;

namespace {

const std::string kExamples = GYRO_EXAMPLES_DIR;

/// The shared scripted asker (Cancel once its script is used up), with each question written out
/// as "title: prompt [proposed answer]".
class ScriptedAsker : public test::ScriptedAsker {
public:
    QString lastPrompt() const {
        const test::Question& q = questions.back();
        return QString::fromStdString(q.title + ": " + q.prompt + " [" + q.defaultAnswer + "]");
    }
};

// Pixels of the blue helix, antialiased edges included.
int bluePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qBlue(p) - qRed(p) > 80 && qBlue(p) - qGreen(p) > 80;
        }
    return n;
}

// The graph window on its own drawing, with the link state as at program start.
struct Window {
    explicit Window(const QString& folder, KelmiravSettings config) {
        ErrorReport::instance().reset();
        sheetLink() = SheetLinkState{};
        sheetLink().folder = folder.toStdString();
        WriteKelmirav(KelmiravFile(sheetLink()), config);
        window = std::make_unique<FrmGraphes>(drawing);
        window->sheets().tracer().link().setWaits(50, 20);
        window->show();
    }
    template <typename W> W* child(const char* name) {
        return test::control<W>(window.get(), name);
    }
    QString warning() { return child<QPlainTextEdit>("Warning")->toPlainText(); }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void trigger(const char* action) {
        QAction* a = window->findChild<QAction*>(action);
        if (!a) qFatal("no action %s", action);
        a->trigger();
    }
    KelMirav drawing;
    std::unique_ptr<FrmGraphes> window;
};

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

class SheetPanelTest : public QObject {
    Q_OBJECT
private slots:
    void graphesExcelDrawsTheFourAutomaticViews();
    void unreadableWorkbookShowsTheExampleAfterBothMessages();
    void configurationDialogsTellEachRefusal();
    void typedBoxesAreCheckedAndSaved();
    void printSelectionShowsItsSetUpButton();
    void unconfiguredLinkWritesAndTellsNothing();
    void aReadInProgressCanBeCancelledByButtonOrEscape();

private:
    QTemporaryDir m_dir;
};

void SheetPanelTest::graphesExcelDrawsTheFourAutomaticViews() {
    Window w(m_dir.path(), {"", kExamples + "/courbes.xlsx", "Feuille1", "C2:E100"});
    QCOMPARE(w.child<QLineEdit>("txt2")->text(),
             QString::fromStdString(kExamples + "/courbes.xlsx"));
    QCOMPARE(w.child<QLabel>("lblLiaison")->text(),
             QString("Excel|[courbes.xlsx]Feuille1  L2C3:L100C5"));
    w.child<QCheckBox>("CocheAutomatique")->setChecked(true);
    w.click("cmdTracer");
    // The four views are shown together; each holds the blue helix.
    auto* choice = w.child<QComboBox>("vueDevant");
    QCOMPARE(choice->currentText(), QString("Vues automatiques"));
    const QImage shot = w.child<QWidget>("imgAutomatiques")->grab().toImage();
    const int half = shot.width() / 2;
    for (const QPoint corner : {QPoint(0, 0), QPoint(half, 0), QPoint(0, half), QPoint(half, half)})
        QVERIFY(bluePixels(shot.copy(QRect(corner, QSize(half, half)))) > 30);
    QCOMPARE(w.warning().count("?Cmd note?  "), 4);
    for (int view = 0; view < 4; ++view) QVERIFY(w.drawing.pointCount(view) > 80);
}

void SheetPanelTest::unreadableWorkbookShowsTheExampleAfterBothMessages() {
    Window w(m_dir.path(), {"/nonexistent/libreoffice", m_dir.filePath("gone.xlsx").toStdString(),
                            "Feuille1", "C2:E100"});
    w.child<QCheckBox>("CocheAutomatique")->setChecked(true);
    w.click("cmdTracer");
    QVERIFY(w.warning().contains(QString::fromUtf8(kLaunchMessage)));
    QVERIFY(!w.warning().contains(QString::fromUtf8(kWaitMessage)));
    QTRY_VERIFY(w.warning().contains(QString::fromUtf8(kWaitMessage)));
    QVERIFY(w.warning().indexOf(QString::fromUtf8(kLaunchMessage)) <
            w.warning().indexOf(QString::fromUtf8(kWaitMessage)));
    QVERIFY(w.drawing.pointCount(0) > 50); // the built-in example is drawn
}

// While the workbook is read, a note with a Cancel button shows; the button, or Escape, abandons
// the read: the window says so, starts no spreadsheet program, reports no error and draws nothing.
void SheetPanelTest::aReadInProgressCanBeCancelledByButtonOrEscape() {
    Window w(m_dir.path(),
             {"/nonexistent/libreoffice", kExamples + "/courbes.xlsx", "Feuille1", "C2:E100"});
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    auto* note = w.child<QWidget>("cadreLecture");
    auto* cancel = w.child<QPushButton>("CmdAnnulerLecture");
    QVERIFY(!note->isVisible());
    w.child<QCheckBox>("CocheAutomatique")->setChecked(true);
    for (const bool escape : {false, true}) {
        int reads = 0;
        const std::size_t reports = ErrorReport::instance().totalLines();
        const auto connection = connect(&w.window->sheets().tracer().link(),
                                        &SheetLink::readingChanged, this, [&](bool reading) {
                                            if (!reading) return;
                                            ++reads;
                                            QVERIFY(note->isVisible());
                                            if (escape)
                                                QTest::keyClick(w.window.get(), Qt::Key_Escape);
                                            else
                                                QTest::mouseClick(cancel, Qt::LeftButton);
                                        });
        w.click("cmdTracer");
        disconnect(connection);
        QCOMPARE(reads, 1);
        QVERIFY(!note->isVisible());
        QCOMPARE(w.warning().count("reading courbes.xlsx was cancelled"), escape ? 2 : 1);
        QVERIFY(!w.warning().contains(QString::fromUtf8(kLaunchMessage)));
        QCOMPARE(ErrorReport::instance().totalLines(), reports);
        QCOMPARE(w.drawing.pointCount(0), 0);
    }
}

void SheetPanelTest::configurationDialogsTellEachRefusal() {
    // No spreadsheet program configured: the workbook is asked for first, the program never.
    Window w(m_dir.path(), {"", "", "", ""});
    ScriptedAsker asker;
    ErrorReport::instance().setAsker(&asker);
    std::deque<std::string> files;
    int programAsked = 0;
    w.window->sheets().setFileChooser([&](FileChoice choice, const std::string&) {
        programAsked += choice == FileChoice::Program;
        std::string f = files.empty() ? std::string() : files.front();
        if (!files.empty()) files.pop_front();
        return f;
    });
    QLabel* message = w.child<QLabel>("lbl1");
    const std::string ods = kExamples + "/courbes.ods";

    w.trigger("mnuFichierExcel"); // no workbook chosen
    QVERIFY(!w.child<QPushButton>("CmdConfigXls")->isHidden());
    QCOMPARE(message->text(), QString("Vous n'avez pas sélectionné de fichier, Recommancez!"));

    files = {ods};
    asker.answers = {""}; // no sheet
    w.click("CmdConfigXls");
    QCOMPARE(message->text(), QString("Vous n'avez pas sélectionné correctement l'onglet  , "
                                      "Recommancez!"));
    QVERIFY(asker.lastPrompt().startsWith(
        "Nom de l'onglet: Sélectionnez le nom d'un Onglet du fichier " +
        QString::fromStdString(ods) +
        "  par exemple: Feuille1  (onglets du fichier : Feuille1) [Feuille1]"));

    files = {ods};
    asker.answers = {"Feuille1", "C2E100"};
    w.click("CmdConfigXls");
    QVERIFY(message->text().startsWith("Vous n'avez pas sélectionné correctement une plage"));
    QVERIFY(asker.lastPrompt().startsWith("Plage de cellules: Sélectionnez une Plage de cellules "
                                          "sur " +
                                          QString::fromStdString(ods) +
                                          " [Feuille1]  par exemple C2:E100 [C2:E100]"));

    files = {ods};
    asker.answers = {"Feuille1", "C2:E50"};
    w.click("CmdConfigXls");
    QVERIFY(message->isHidden());
    QCOMPARE(w.child<QLineEdit>("Txt1")->text(), QString("C2:E50"));
    QCOMPARE(w.child<QLineEdit>("txt3")->text(), QString("Feuille1"));
    const std::string ini = FileText(m_dir.filePath("kelmirav.ini").toStdString());
    QVERIFY(QString::fromStdString(ini).endsWith(
        QString::fromStdString("\",\"" + ods + "\",\"Feuille1\",\"C2:E50\"\r\n")));
    QCOMPARE(programAsked, 0);

    w.trigger("mnuExcelExe"); // no program chosen
    QCOMPARE(message->text(), QString("Vous n'avez pas sélectionné Excel.exe, Recommancez!"));
    ErrorReport::instance().setAsker(nullptr);
}

void SheetPanelTest::typedBoxesAreCheckedAndSaved() {
    Window w(m_dir.path(), {"p", "b.ods", "Feuille1", "C2:E100"});
    QLineEdit* range = w.child<QLineEdit>("Txt1");
    range->setFocus();
    range->selectAll();
    QTest::keyClicks(range, "C2:XFE9");
    QTest::keyClick(range, Qt::Key_Return);
    QVERIFY(w.child<QLabel>("lbl1")->text().contains("dépasse la feuille"));
    QCOMPARE(range->text(), QString("C2:E100")); // refused: the box shows the range kept
    QLineEdit* sheet = w.child<QLineEdit>("txt3");
    sheet->setFocus();
    sheet->selectAll();
    QTest::keyClicks(sheet, "Mesures");
    QTest::keyClick(sheet, Qt::Key_Return);
    QCOMPARE(FileText(m_dir.filePath("kelmirav.ini").toStdString()),
             std::string("\"p\",\"b.ods\",\"Mesures\",\"C2:E100\"\r\n"));
}

void SheetPanelTest::printSelectionShowsItsSetUpButton() {
    Window w(m_dir.path(), {"", "", "", ""});
    QPushButton* setUp = w.child<QPushButton>("Commande1");
    QVERIFY(setUp->isHidden());
    QTest::mouseClick(w.child<QRadioButton>("OptPrintGraph"), Qt::LeftButton);
    QVERIFY(!setUp->isHidden());
    QTest::mouseClick(w.child<QRadioButton>("OptNonPrintGraph"), Qt::LeftButton);
    QVERIFY(setUp->isHidden());
}

void SheetPanelTest::unconfiguredLinkWritesAndTellsNothing() {
    QTemporaryDir fresh;
    for (int opening = 0; opening < 2; ++opening) {
        sheetLink() = SheetLinkState{};
        sheetLink().folder = fresh.path().toStdString();
        KelMirav drawing;
        FrmGraphes window(drawing);
        QVERIFY(!QFileInfo::exists(fresh.filePath("kelmirav.ini")));
        QCOMPARE(window.findChild<QPlainTextEdit*>("Warning")->toPlainText(), QString());
        QVERIFY(window.findChild<QLabel*>("lblLiaison")->text().startsWith("Aucun classeur"));
    }
}

QTEST_MAIN(SheetPanelTest)
#include "sheetpanel_test.moc"
