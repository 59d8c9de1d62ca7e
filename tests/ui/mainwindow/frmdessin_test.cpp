// The main window used as a user would: its controls, runs with pause, pause time and "Other
// Case", the refused initial states, the example memo, values typed during a run, the read-outs.
#include "kelaxes/kelaxesstate.h"
#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "numerics/numberread.h"
#include "simulation/casememo.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/integrationmethod.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "simulation/startup.h"
#include "support/freshstart.h"
#include "support/scriptedasker.h"
#include "support/widgets.h"
#include "ui/common/picturebox.h"
#include "ui/common/pictureprinter.h"
#include "ui/dialogs/frmdemonstration.h"
#include "ui/dialogs/frmdialog.h"
#include "ui/graphwindow/frmgraphes.h"
#include "ui/mainwindow/fieldmapframe.h"
#include "ui/mainwindow/frmdessin.h"
#include "ui/mainwindow/runloop.h"
#include "ui/mainwindow/speedcontrol.h"
#include "ui/mainwindow/warningbox.h"
#include "ui/options/frmoptions.h"
#include "ui/scene/traceur3d.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <cmath>
#include <deque>
#include <memory>

using namespace gyro;

namespace {

/// The shared scripted asker, answering with the proposed answer once its script is used up.
class ScriptedAsker : public test::ScriptedAsker {
public:
    ScriptedAsker() { fallbackToDefault = true; }
};

/// Circumradius [m] of three points: the local radius of curvature of a trajectory.
double circumradius(const TrajectorySample& a, const TrajectorySample& b,
                    const TrajectorySample& c) {
    const double ab = std::hypot(b.x - a.x, b.y - a.y, b.z - a.z);
    const double bc = std::hypot(c.x - b.x, c.y - b.y, c.z - b.z);
    const double ca = std::hypot(a.x - c.x, a.y - c.y, a.z - c.z);
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    const double cross =
        std::hypot(uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx); // 2 x area
    return ab * bc * ca / (2 * cross);
}

constexpr double kPi = Pi;

/// Answers every question "Yes" with "Don't ask again during this run" ticked.
class SilencingAsker : public Asker {
public:
    std::string ask(const std::string&, const std::string&, const std::string&) override {
        return "Yes";
    }
    ReportAnswer askReport(ReportQuestion, const std::string&, const std::string&,
                           const std::string&) override {
        return {"Yes", true};
    }
};

/// Watches for the next modal dialog (a message box, a dialog run with exec()), notes what it
/// was and cancels it, so that a handler that opens one returns.
struct ModalCloser {
    ModalCloser() {
        timer.callOnTimeout([this] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal) return;
            timer.stop();
            className = modal->metaObject()->className();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) text = box->text();
            modal->reject();
        });
        timer.start(10);
    }
    QString className, text;
    QTimer timer;
};

} // namespace

class FrmDessinTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartAsksForTheSiteAndShowsTheCase();
    void controlsHaveTheirCaptionsAndTooltips();
    void menuHasEveryEntryInOrder();
    void shapeOptionShowsOnlyItsFrame();
    void runsTheDefaultCase();
    void pauseStopsAndContinueResumes();
    void otherCaseWhilePausedEndsTheRun();
    void pauseTimeHoldsTheRunUntilALaterTime();
    void nullInitialStatesAreRefused();
    void runsSaveNewExamplesAndTheScrollBarLoadsThem();
    void replaceSavesOverTheCurrentExample();
    void typedFieldChangesTheCurvature();
    void energyEditRescalesTheVelocity();
    void relativisticMethodReadouts();
    void driftReadOut();
    void notANumberIsMarkedNotAsked();
    void readoutsFollowCommittedValues();
    void smallHandlers();
    void warningBoxRecoloursOnNewMessages();
    void speedSliderMapsToTheDriver();
    void menuOpensTheOptionsGraphAndDemonstrationWindows();
    void sceneIsPrintedAndExportedAsPdf();
    void newWindowRedrawsTheRunInTheGraphWindow();
    void statusLineCountsSilencedWarnings();
    void statusCountsDoNotLayOutTheWindow();
    void energyCaptionFollowsTheSpecies();
    void fieldMapIsChosenRunAndExportedForParaView();

private:
    // The shared helpers (support/widgets.h) on the main window.
    template <class T> T* control(const QString& name) {
        return test::control<T>(m_window.get(), name);
    }
    QLineEdit* box(const QString& name) { return test::box(m_window.get(), name); }
    void click(const QString& name) { test::click(m_window.get(), name); }
    void type(const QString& name, const QString& text) { test::type(m_window.get(), name, text); }
    bool enabled(const QString& name) { return control<QAbstractButton>(name)->isEnabled(); }
    void fastest() { control<QSlider>("SpeedSlider")->setValue(SpeedControl::kFastest); }
    /// Lets the run loop compute (or poll, while the run waits) `n` more slices.
    void waitSlices(int n) {
        const std::uint64_t from = m_window->runLoop().slices();
        QTRY_VERIFY(m_window->runLoop().slices() >= from + n);
    }
    void openWindow();
    /// Stops every run: pauses it and asks for another case, until none is left.
    void endAllRuns();

    std::unique_ptr<test::FreshStart> m_start;
    ScriptedAsker m_asker;
    std::unique_ptr<FrmDessin> m_window;
    int m_quits = 0;
};

void FrmDessinTest::init() {
    m_asker = ScriptedAsker();
    m_asker.answers = {"Laboratoire"}; // the working site, asked on a first start
    m_start = std::make_unique<test::FreshStart>(m_asker);
    QVERIFY(m_start->ready());
    m_quits = 0;
}

void FrmDessinTest::openWindow() {
    m_window = std::make_unique<FrmDessin>();
    m_window->setQuitHandler([this] { ++m_quits; });
    m_window->Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void FrmDessinTest::cleanup() {
    m_window.reset();
    m_start.reset();
}

void FrmDessinTest::endAllRuns() {
    // "Other Case" abandons the run on top; the one below then waits, paused.
    for (int guard = 0; guard < 10 && m_window->driver().running(); ++guard) {
        const int depth = m_window->driver().depth();
        click("Commande3");
        QTRY_VERIFY(m_window->driver().depth() < depth);
    }
    QVERIFY(!m_window->driver().running());
    QVERIFY(enabled("Commande14"));
    QVERIFY(!enabled("Commande2"));
    QVERIFY(!enabled("Commande3"));
}

void FrmDessinTest::firstStartAsksForTheSiteAndShowsTheCase() {
    openWindow();
    QCOMPARE(m_asker.questions.size(), std::size_t(1)); // the site, once
    QVERIFY(QFile::exists("Zefron.ini"));
    // Without a memo file, the example number starts at 1.
    QCOMPARE(box("Texte3_7")->text(), QString("1"));
    // The time box tells the time, not the working folder.
    QCOMPARE(box("Texte1")->text(), QString("0"));
    // The window shows the case and writes to it.
    QCOMPARE(box("Texte3_0")->text(), QString("0.0425"));
    QCOMPARE(box("Texte4_2")->text(), QString("5 000"));
    QCOMPARE(box("Texte7")->text(), QString(" .0000001     "));
    QVERIFY(control<QRadioButton>("Option4_2")->isChecked());
    QVERIFY(control<QRadioButton>("Option5_0")->isChecked());
    QCOMPARE(control<QPlainTextEdit>("Texte3_9")->toPlainText(), QString("Comment\n"));
    type("Texte6_2", "0.02");
    QCOMPARE(theCase().Texte6(slot::kBx + 2), std::string("0.02"));
    QCOMPARE(theCase().Texte6Value(slot::kBx + 2), 0.02);
    theCase().setText(BoxFamily::Texte4, slot::kEx, "12");
    QCOMPARE(box("Texte4_0")->text(), QString("12"));
    theCase().setState(BoxFamily::Coche1, slot::kOptionsColours, 1);
    QVERIFY(control<QCheckBox>("Coche1_6")->isChecked());
    QVERIFY(control<QGroupBox>("Cadre8")->isVisible());
    theCase().select(BoxFamily::Option5, slot::kXenon);
    QVERIFY(control<QRadioButton>("Option5_2")->isChecked());
    QVERIFY(!control<QRadioButton>("Option5_0")->isChecked());

    // A second window start in the same folder asks nothing.
    m_window.reset();
    ResetStartup();
    m_asker.questions.clear();
    openWindow();
    QCOMPARE(m_asker.questions.size(), std::size_t(0));
}

void FrmDessinTest::controlsHaveTheirCaptionsAndTooltips() {
    openWindow();
    struct Caption {
        const char* name;
        const char* text;
    };
    const Caption buttons[] = {
        {"Commande14", "Run Gyrotrace"},
        {"Commande2", "Pause"},
        {"Commande3", "Other Case"},
        {"Commande1", "Ferme Result"},
        {"Commande11", "kelaxes"},
        {"CmdConfig", "Config. Data"},
        {"CmdImprime", "Impression tout"},
        {"CmdFinMirav", "Quit"},
        {"Option4_0", "Cylindrical field"},
        {"Option4_1", "Uniform field"},
        {"Option4_2", "Dipôle field variable"},
        {"Option4_3", "Dipôle field"},
        {"Option4_4", "Double dipôle field"},
        {"Option5_0", "Electron"},
        {"Option5_1", "Proton"},
        {"Option5_2", "Ion xenon"},
        {"Option1_0", "Runge Rapide"},
        {"Option1_1", "Runge Précis"},
        {"Option2", "Poussee ON"},
        {"Option3", "Poussee OFF"},
        {"Coche4", "poussée variable%soleil"},
        {"Coche1_0", "No print"},
        {"Coche1_1", "Cubic Visualisation"},
        {"Coche1_2", "drift velocity Vd=F^B/qB\nF=qE"},
        {"Coche1_3", "Draw of Fields : automatic scale"},
        {"Coche1_4", "Draw the velocity, magnetic  electric fields "},
        {"Coche1_5", "Replace"},
        {"Coche1_6", "Options/Colors"},
        {"Coche1_7", "Draw the magnetic field lines"},
        {"Coche2", "New window"},
    };
    for (const Caption& c : buttons) {
        QCOMPARE(control<QAbstractButton>(c.name)->text(), QString::fromUtf8(c.text));
    }
    const Caption tooltips[] = {
        {"Commande14", "Click to compute the trajectory"},
        {"Texte3_0", "Specify the location of the electron"},
        {"Texte3_4", "Specify the velocity of the electron (see also its energy in eV in the "
                     "options)"},
        {"Texte3_6", "The circle with such radius will be shown in the X,Y plane. A second "
                     "circle at the initial radius is shown as well, or at R-15mm"},
        {"Texte3_7", "Numbering (automatically saved if replave is not checked)"},
        {"Texte3_9", "put here some comments"},
        {"Texte3_13", "put here a time at which the computation is turned to a PAUSE. You can "
                      "restart after."},
        {"Texte3_15", "put here a time at which the computation is turned to a PAUSE. You can "
                      "restart after."},
        {"Texte1", "Time computation (see in options  the Runge Kutta error to go faster or "
                   "more accurately)"},
        {"Coche1_1", "A famous visualisation feature for 3DD (3 dynamic dimensions) ie 4D "
                     "drawings"},
        {"Coche1_5", "Check this box to replace the current settings in this exemple number"},
    };
    for (const Caption& c : tooltips) {
        QCOMPARE(m_window->findChild<QWidget*>(c.name)->toolTip(), QString::fromUtf8(c.text));
    }
    const Caption frames[] = {
        {"Cadre3", "Magnetic field radial axis eZ (vary in 1/r"},
        {"Cadre4", "Magnetic field dipôle"},
        {"Cadre5", "Magnetic field from a double dipôle (type SPT)"},
        {"Cadre8", "Options and Colors"},
        {"ExamplesFrame", "Examples..."},
        {"ShapeFrame", "Magnetic field B shape"},
        {"AmplifierFrame", "Amplifier of the field vectors drawing"},
        {"ColourFrame", "Varyfrom  0 to 255 (max value)"},
    };
    for (const Caption& c : frames) {
        QCOMPARE(control<QGroupBox>(c.name)->title(), QString::fromUtf8(c.text));
    }
    // Every box of the case has its control; the colour table and parameter boxes show the case.
    for (int i = 0; i <= 15; ++i)
        QVERIFY(m_window->findChild<QWidget*>(QString("Texte3_%1").arg(i)));
    for (int i = 0; i <= 17; ++i) QVERIFY(box(QString("Texte4_%1").arg(i)));
    for (int i = 0; i <= 14; ++i) QVERIFY(box(QString("Texte6_%1").arg(i)));
    QCOMPARE(box("Texte4_15")->text(), QString("125"));
    QCOMPARE(box("Texte6_7")->text(), QString("0.04225"));
    QCOMPARE(box("Texte3_12")->text(), QString("nombre de points plots"));
    QCOMPARE(box("Texte3_13")->text(), QString("Temps limite"));
    QVERIFY(control<QScrollBar>("DefilementH1"));
    QVERIFY(control<QPlainTextEdit>("txtRES"));
    QVERIFY(control<QPlainTextEdit>("TxtVer"));
    QCOMPARE(control<QPlainTextEdit>("Warning")->toPlainText(),
             QString("Warning: Message des Routines"));
    QVERIFY(m_window->traceur()->isVisible());
    // Column labels over the component boxes.
    QStringList labels;
    for (QLabel* l : m_window->findChildren<QLabel*>()) labels << l->text();
    for (const char* t : {"Vx",
                          "Vy",
                          "Vz",
                          "Ex",
                          "Ey",
                          "Ez",
                          "Bx",
                          "By",
                          "Bz",
                          "Red",
                          "Green",
                          "Blue",
                          "Velocity",
                          "B field",
                          "E field",
                          "Trajectory",
                          "Position x, y,z (m)",
                          "Velocity x, y,z (m/s)",
                          "max",
                          "Cyclotron frequency (Hz)",
                          "Larmor diameter(m)",
                          "Energy electron (eV)",
                          "Error maxi Runge Kutta (m)",
                          "Electric field E (V/m)",
                          "Radius of circle shown (m)",
                          "Maximum time (s)",
                          "R milieu",
                          "InternalMemorisationOption5"}) {
        QVERIFY2(labels.contains(QString::fromUtf8(t)), t);
    }
    // What has no effect yet is shown but cannot be used.
    for (const char* name : {"Commande11", "CmdImprime"}) {
        QVERIFY(!control<QWidget>(name)->isEnabled());
        QVERIFY(!control<QWidget>(name)->toolTip().isEmpty());
    }
}

void FrmDessinTest::menuHasEveryEntryInOrder() {
    openWindow();
    QMenu* fichier = m_window->menuBar()->findChild<QMenu*>("MnuFichier");
    QVERIFY(fichier);
    // Every entry, depth first, in window order.
    QStringList entries;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            if (a->menu()) {
                walk(a->menu());
                continue;
            }
            entries << a->text();
        }
    };
    walk(fichier);
    const QStringList expected = {"Configuration",
                                  "Export trajectory…",
                                  "Export for ParaView…",
                                  "Print…",
                                  "Export PDF…",
                                  "&Contrôle Orbite GEO",
                                  "Spirale (Jour/Nuit)",
                                  "LTO",
                                  "Forte poussée",
                                  "Montée spirale",
                                  "Freinage ",
                                  "Circularisation",
                                  "Alunissage",
                                  "Quitter",
                                  "Options ",
                                  "Création de fichiers Clairs",
                                  "Utilitaire de graphes en 3 dimensions",
                                  "A propos de ...",
                                  "Aide complète",
                                  "Démonstration"};
    QCOMPARE(entries, expected);
    QStringList submenus;
    for (QAction* a : fichier->actions()) {
        if (a->menu()) submenus << a->text();
    }
    QCOMPARE(submenus, (QStringList{"Transfert Terre _ Lune", "Aide"}));

    // The manoeuvres set their type.
    struct Manoeuvre {
        const char* name;
        int type;
    };
    for (const Manoeuvre& m : {Manoeuvre{"MnuLTO", 1}, Manoeuvre{"MnuMonteeSpirale", 5},
                               Manoeuvre{"MnuCircularisation", 13}, Manoeuvre{"MnuAlunissage", 4},
                               Manoeuvre{"MnuFortePoussee", 1}}) {
        m_window->findChild<QAction*>(m.name)->trigger();
        QCOMPARE(m_window->manoeuvreType(), m.type);
    }
    for (const char* name :
         {"MnuOptions", "MnuGraphes3D", "MnuDemonstration", "MnuImprimer", "MnuExportPdf"}) {
        QVERIFY2(m_window->findChild<QAction*>(name)->isEnabled(), name);
    }
    // "Quitter" ends the program.
    m_window->findChild<QAction*>("MnuQuitter_prog")->trigger();
    QCOMPARE(m_quits, 1);
    QCOMPARE(control<QPushButton>("CmdFinMirav")->text(), QString("Quitter Mirav"));
}

void FrmDessinTest::shapeOptionShowsOnlyItsFrame() {
    openWindow();
    // shape, Cadre3, Cadre4, Cadre5, B0 label, map frame
    const bool table[6][5] = {
        {false, false, false, true, false}, {false, false, false, true, false},
        {true, false, false, false, false}, {false, true, false, false, false},
        {false, false, true, false, false}, {false, false, false, false, true}};
    for (int shape = 0; shape < 6; ++shape) {
        click(QString("Option4_%1").arg(shape));
        QCOMPARE(theCase().shape(), shape);
        QCOMPARE(control<QWidget>("Cadre3")->isVisible(), table[shape][0]);
        QCOMPARE(control<QWidget>("Cadre4")->isVisible(), table[shape][1]);
        QCOMPARE(control<QWidget>("Cadre5")->isVisible(), table[shape][2]);
        QCOMPARE(control<QWidget>("LabelB0")->isVisible(), table[shape][3]);
        QCOMPARE(control<QWidget>("CadreCarte")->isVisible(), table[shape][4]);
    }
    // A case loaded with another shape shows that shape's frame.
    theCase().select(BoxFamily::Option4, slot::kDipole);
    QVERIFY(control<QRadioButton>("Option4_3")->isChecked());
    QVERIFY(control<QWidget>("Cadre4")->isVisible());
    QVERIFY(!control<QWidget>("Cadre5")->isVisible());
}

void FrmDessinTest::runsTheDefaultCase() {
    openWindow();
    fastest();
    click("Commande14");
    QVERIFY(m_window->driver().running());
    // While a run computes, Run cannot start another one (by a second click).
    QVERIFY(!enabled("Commande14"));
    QVERIFY(enabled("Commande2"));
    click("Commande14");
    QCOMPARE(m_window->driver().depth(), 1);
    QTRY_VERIFY(m_window->traceur()->pointCount() > 200);
    QTRY_VERIFY(Val(box("Texte1")->text().toStdString()) > 0);
    const double t1 = Val(box("Texte1")->text().toStdString());
    QTRY_VERIFY(Val(box("Texte1")->text().toStdString()) > t1);

    // In the 1/rho field at z = 0 the magnitude is B1 Rm / rho (B1 = P2, Rm = P4): the
    // cyclotron frequency and the Larmor diameter at the start follow from it (electron
    // reference mass 9.1e-31 kg, |q| = 1.6021e-19 C, speed 10 m/s).
    const double rho = 0.0425;
    const double b = 0.02 * 0.04225 / rho;
    const double omega = b * 1.6021e-19 / 9.1e-31;
    const double f = omega / 2 / kPi;
    const double diameter = 2 * 10 / omega;
    QVERIFY(std::abs(Val(box("Texte3_10")->text().toStdString()) / f - 1) < 0.01);
    QVERIFY(std::abs(Val(box("Texte3_11")->text().toStdString()) / diameter - 1) < 0.01);
    // The run drew into the window's scene and keeps the trajectory.
    QVERIFY(m_window->traceur()->model().circles().size() >= 2);
    QVERIFY(m_window->driver().record().size() > 200);
    endAllRuns();

    // The run that ended can be exported as a table, one row per recorded step.
    QString error;
    QVERIFY2(m_window->exportTrajectory("run.csv", &error), qPrintable(error));
    QFile table("run.csv");
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = table.readAll().split('\n');
    QCOMPARE(rows.front(), QByteArray("t,x,y,z,vx,vy,vz,Bnorm,Ek_eV"));
    QCOMPARE(static_cast<std::size_t>(rows.size() - 2), m_window->driver().record().size());
    QCOMPARE(rows[1].split(',').size(), 9);
    QCOMPARE(rows[1].split(',').front(), QByteArray("0")); // the start, as --csv writes it
}

void FrmDessinTest::pauseStopsAndContinueResumes() {
    openWindow();
    fastest();
    click("Commande14");
    QTRY_VERIFY(m_window->traceur()->model().pointsReceived() > 100);
    click("Commande2");
    QCOMPARE(control<QPushButton>("Commande2")->text(), QString("Continue"));
    QVERIFY(m_window->driver().paused());
    waitSlices(1);
    const auto held = m_window->traceur()->model().pointsReceived();
    const double heldTime = m_window->driver().time();
    waitSlices(5);
    QCOMPARE(m_window->traceur()->model().pointsReceived(), held);
    QCOMPARE(m_window->driver().time(), heldTime);
    click("Commande2");
    QCOMPARE(control<QPushButton>("Commande2")->text(), QString("Pause"));
    QTRY_VERIFY(m_window->traceur()->model().pointsReceived() > held + 100);
    QVERIFY(m_window->driver().time() > heldTime);
    // A run ended while paused leaves nothing paused: the next run computes at once.
    click("Commande2");
    endAllRuns();
    QCOMPARE(control<QPushButton>("Commande2")->text(), QString("Pause"));
    const auto before = m_window->traceur()->model().pointsReceived();
    click("Commande14");
    QVERIFY(!m_window->driver().paused());
    QCOMPARE(control<QPushButton>("Commande2")->text(), QString("Pause"));
    QTRY_VERIFY(m_window->traceur()->model().pointsReceived() > before + 100);
    endAllRuns();
}

void FrmDessinTest::otherCaseWhilePausedEndsTheRun() {
    openWindow();
    fastest();
    QVERIFY(!enabled("Commande3")); // nothing to abandon
    click("Commande14");
    QTRY_VERIFY(m_window->traceur()->pointCount() > 10);
    // "Other Case" abandons a computing run.
    click("Commande3");
    QTRY_VERIFY(!m_window->driver().running());
    QVERIFY(!m_window->driver().otherCase());
    QVERIFY(!m_window->driver().paused());
    QCOMPARE(control<QLabel>("RunStatus")->text().left(5), QString("Ready"));

    // A nested run: started only by Run while the run on top is paused.
    click("Commande14");
    QTRY_VERIFY(m_window->driver().time() > 2e-9);
    click("Commande2");
    QVERIFY(enabled("Commande14"));
    const double outerTime = m_window->driver().time();
    const auto outerSteps = m_window->driver().acceptedSteps();
    click("Commande14");
    QCOMPARE(m_window->driver().depth(), 2);
    QVERIFY(!m_window->driver().paused());
    QVERIFY(!enabled("Commande14"));
    // The same case steps alike: past the outer run's count its time differs from the outer one.
    QTRY_VERIFY(m_window->driver().acceptedSteps() > outerSteps + 20);
    // Paused, the window shows the run on top: its own time and steps.
    click("Commande2");
    const double innerTime = m_window->driver().time();
    QVERIFY(innerTime != outerTime);
    QTRY_COMPARE(Val(box("Texte1")->text().toStdString()), Val(FormatGeneral(innerTime)));
    QVERIFY(
        control<QLabel>("RunStatus")
            ->text()
            .contains(QLocale(QLocale::English)
                          .toString(static_cast<qulonglong>(m_window->driver().acceptedSteps()))));
    QVERIFY(control<QLabel>("RunStatus")->text().contains("2 nested runs"));
    // "Other Case" on the inner run: the outer one is shown paused, with Continue.
    click("Commande3");
    QTRY_COMPARE(m_window->driver().depth(), 1);
    QVERIFY(m_window->driver().paused());
    QCOMPARE(m_window->driver().time(), outerTime);
    QCOMPARE(m_window->driver().acceptedSteps(), outerSteps);
    QCOMPARE(Val(box("Texte1")->text().toStdString()), Val(FormatGeneral(outerTime)));
    QVERIFY(control<QLabel>("RunStatus")->text().startsWith("Paused"));
    QVERIFY(enabled("Commande2"));
    QCOMPARE(control<QPushButton>("Commande2")->text(), QString("Continue"));
    click("Commande2");
    QTRY_VERIFY(m_window->driver().time() > outerTime);
    QCOMPARE(m_window->driver().depth(), 1);
    endAllRuns();
}

void FrmDessinTest::pauseTimeHoldsTheRunUntilALaterTime() {
    openWindow();
    fastest();
    // The time box shows the pause time when clicked, its label hides it.
    QTest::mouseClick(box("Texte1"), Qt::LeftButton);
    QVERIFY(box("Texte3_13")->isVisible());
    QTest::mouseClick(control<QLabel>("Etiquette3"), Qt::LeftButton);
    QVERIFY(!box("Texte3_13")->isVisible());
    QTest::mouseClick(box("Texte1"), Qt::LeftButton);

    type("Texte3_13", "2E-9");
    click("Commande14");
    QTRY_VERIFY(m_window->driver().time() >= 2e-9);
    waitSlices(3);
    QCOMPARE(m_window->driver().time(), 2e-9); // the last step lands on the pause time
    QVERIFY(control<QLabel>("RunStatus")->text().startsWith("Waiting"));
    // A later time releases the run, up to that time.
    type("Texte3_13", "5E-9");
    QTRY_VERIFY(m_window->driver().time() >= 5e-9);
    waitSlices(3);
    QCOMPARE(m_window->driver().time(), 5e-9);
    QVERIFY(m_window->driver().running());
    // An empty or zero maximum time is no limit.
    for (const char* none : {"", "0"}) {
        type("Texte3_13", "7E-9");
        QTRY_VERIFY(m_window->driver().time() >= 7e-9);
        const double waiting = m_window->driver().time();
        waitSlices(3);
        QCOMPARE(m_window->driver().time(), waiting);
        type("Texte3_13", none);
        QTRY_VERIFY(m_window->driver().time() > waiting);
    }
    // "Other Case" abandons a run waiting at its maximum time.
    type("Texte3_13", QString::number(m_window->driver().time() * 1.01));
    QTRY_VERIFY(control<QLabel>("RunStatus")->text().startsWith("Waiting"));
    click("Commande3");
    QTRY_VERIFY(!m_window->driver().running());
}

void FrmDessinTest::nullInitialStatesAreRefused() {
    openWindow();
    m_asker.questions.clear();
    for (int i = 0; i < 3; ++i) type(QString("Texte3_%1").arg(i), "0");
    click("Commande14");
    QCOMPARE(m_asker.count("Serious WARNING"), 1);
    QCOMPARE(m_asker.questions.back().prompt,
             std::string("The initial position x,y,z is null. Please correct the values for a non "
                         "null input"));
    QCOMPARE(m_asker.questions.back().defaultAnswer, std::string("OK"));
    QVERIFY(!m_window->driver().running());
    QVERIFY(m_window->traceur()->model().isEmpty());
    QVERIFY(enabled("Commande14"));
    QVERIFY(!enabled("Commande2"));
    QCOMPARE(m_window->driver().shotCounter(), -1.0);

    type("Texte3_0", "0.0425");
    for (int i = 3; i < 6; ++i) type(QString("Texte3_%1").arg(i), "0");
    click("Commande14");
    QCOMPARE(m_asker.count("Serious WARNING"), 2);
    QCOMPARE(m_asker.questions.back().prompt,
             std::string("The initial velocity x,y,z is null. Please correct the values for a non "
                         "null input, or check the B field visualisation only. "));
    QVERIFY(!m_window->driver().running());
    // The scene is set up with its circles, without a trajectory; the counter is back.
    QCOMPARE(m_window->traceur()->model().circles().size(), std::size_t(2));
    QCOMPARE(m_window->traceur()->pointCount(), std::size_t(0));
    QCOMPARE(m_window->driver().shotCounter(), -1.0);
    QVERIFY(enabled("Commande14"));

    // The first run that starts is run 0.
    type("Texte3_4", "10");
    fastest();
    click("Commande14");
    QVERIFY(m_window->driver().running());
    QCOMPARE(m_window->driver().shotCounter(), 0.0);
    endAllRuns();
}

void FrmDessinTest::runsSaveNewExamplesAndTheScrollBarLoadsThem() {
    // A memo of three examples made beforehand, each with its own comment and shape.
    {
        CaseModel model;
        CaseMemo memo(QDir::currentPath().toStdString());
        for (int n = 1; n <= 3; ++n) {
            model.setText(BoxFamily::Texte3, slot::kComment, "Example " + std::to_string(n));
            model.select(BoxFamily::Option4, n == 2 ? 3 : 2);
            model.setText(BoxFamily::Texte3, slot::kSpeciesMemo, n == 2 ? "1" : "0");
            model.setText(BoxFamily::Texte3, slot::kPauseTime, n == 2 ? "3E-6" : "Temps limite");
            double number = n;
            memo.Memo("sauve", number, model);
        }
    }
    openWindow();
    // The window opens on the last example.
    QCOMPARE(box("Texte3_7")->text(), QString("3"));
    QCOMPARE(box("Texte3_8")->text(), QString("3"));
    QCOMPARE(control<QPlainTextEdit>("Texte3_9")->toPlainText(), QString("Example 3"));
    QCOMPARE(control<QScrollBar>("DefilementH1")->maximum(), 3);
    QCOMPARE(control<QScrollBar>("DefilementH1")->value(), 3);

    // Two runs without "Replace" (the second nested in the first): examples 4 then 5.
    fastest();
    control<QPlainTextEdit>("Texte3_9")->setPlainText("First run");
    click("Commande14");
    QCOMPARE(box("Texte3_7")->text(), QString("4"));
    QCOMPARE(box("Texte3_8")->text(), QString("4"));
    click("Commande2");
    control<QPlainTextEdit>("Texte3_9")->setPlainText("Second run\ntwo lines");
    click("Commande14");
    QCOMPARE(m_window->driver().depth(), 2);
    QCOMPARE(box("Texte3_7")->text(), QString("5"));
    QCOMPARE(box("Texte3_8")->text(), QString("5"));
    endAllRuns();

    // The memo file: five records of 107 CR LF lines.
    QFile file(CaseMemo::kFileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    QCOMPARE(lines.size(), 5 * CaseMemo::kRecordLines);
    for (const QByteArray& line : lines) QVERIFY(line.endsWith('\r'));
    auto line = [&](int record, int k) { // k = 1..107 as in the record layout
        return QString::fromUtf8(lines[(record - 1) * CaseMemo::kRecordLines + k - 1].chopped(1));
    };
    for (int r = 1; r <= 5; ++r) QCOMPARE(line(r, 1), QString("New_Record_Data_Gyrotrace"));
    QCOMPARE(line(4, 2 + 7), QString("4"));
    QCOMPARE(line(5, 2 + 7), QString("5"));
    QCOMPARE(line(4, 2 + 9), QString("First run"));
    QVERIFY(line(5, 2 + 9).startsWith("Second run"));
    QCOMPARE(line(5, 2), QString("0.0425"));          // Texte3(0)
    QCOMPARE(line(5, 23 + 2), QString("5 000"));      // Texte4(2)
    QCOMPARE(line(5, 44 + 2), QString("0.015"));      // Texte6(2)
    QCOMPARE(line(5, 65), QString(" .0000001     ")); // Texte7
    QCOMPARE(line(5, 66 + 2), QString("True"));       // Option4(2)
    QCOMPARE(line(5, 66 + 0), QString("False"));
    QCOMPARE(line(5, 87 + 5), QString("0")); // Coche1(5) Replace
    // The earlier examples are untouched.
    QCOMPARE(line(2, 2 + 9), QString("Example 2"));

    // The scroll bar loads an example: its texts, shape, pause time and species.
    QVERIFY(!box("Texte3_13")->isVisible());
    control<QScrollBar>("DefilementH1")->setValue(2);
    QCOMPARE(control<QPlainTextEdit>("Texte3_9")->toPlainText(), QString("Example 2"));
    QCOMPARE(box("Texte3_7")->text(), QString("2"));
    QCOMPARE(box("Texte3_8")->text(), QString("5"));
    QVERIFY(control<QRadioButton>("Option4_3")->isChecked());
    QVERIFY(control<QWidget>("Cadre4")->isVisible());
    QVERIFY(control<QRadioButton>("Option5_1")->isChecked());
    QVERIFY(box("Texte3_13")->isVisible());
    control<QScrollBar>("DefilementH1")->setValue(5);
    QCOMPARE(control<QPlainTextEdit>("Texte3_9")->toPlainText(), QString("Second run\ntwo lines"));
    QCOMPARE(theCase().Texte3(slot::kComment), std::string("Second run\r\ntwo lines"));
}

void FrmDessinTest::replaceSavesOverTheCurrentExample() {
    openWindow();
    fastest();
    click("Commande14"); // example 1
    endAllRuns();
    click("Commande14"); // example 2
    endAllRuns();
    control<QScrollBar>("DefilementH1")->setValue(1);
    QCOMPARE(box("Texte3_7")->text(), QString("1"));
    click("Coche1_5");
    control<QPlainTextEdit>("Texte3_9")->setPlainText("Replaced");
    click("Commande14");
    endAllRuns();
    QCOMPARE(box("Texte3_7")->text(), QString("1"));
    QCOMPARE(box("Texte3_8")->text(), QString("2"));
    CaseModel check;
    CaseMemo memo(QDir::currentPath().toStdString());
    double number = 1;
    memo.Memo("charge", number, check);
    QCOMPARE(check.Texte3(slot::kComment), std::string("Replaced"));
    QCOMPARE(memo.count(), 2.0);
}

void FrmDessinTest::typedFieldChangesTheCurvature() {
    openWindow();
    // An electron in a uniform field along z, no electric field: a circle of radius
    // r = m v / (|q| B) in the xy plane, period 2 pi m / (|q| B) = 2.4 ns at 0.015 T.
    click("Option4_1");
    type("Texte4_2", "0");
    type("Texte3_4", "100000");
    type("Texte6_2", "0.015");
    type("Texte7", "1E-11");
    QTest::mouseClick(box("Texte1"), Qt::LeftButton);
    type("Texte3_13", "5E-8"); // about twenty turns, then the run waits
    fastest();
    const double m = kElectronMass;
    const double q = 1.6021e-19;
    // Mean radius of curvature of the last turn, over the radius the field gives at the speed of
    // those points.
    auto radiusRatio = [&](double b) {
        const auto& s = m_window->driver().record();
        double radius = 0, speed = 0;
        const std::size_t n = 40;
        for (std::size_t i = s.size() - n; i + 2 < s.size(); ++i) {
            radius += circumradius(s[i], s[i + 1], s[i + 2]);
            speed += std::hypot(s[i].vx, s[i].vy, s[i].vz);
        }
        return radius / (m * speed / (q * b));
    };
    click("Commande14");
    QTRY_VERIFY(m_window->driver().time() >= 5e-8);
    QVERIFY(m_window->driver().record().size() > 200);
    const double ratio1 = radiusRatio(0.015);
    QVERIFY2(std::abs(ratio1 - 1) < 0.01, qPrintable(QString::number(ratio1)));

    // Twice the field, typed key by key while the run goes on: nothing half typed (the cleared
    // box, "0", "0.", "0.0": no field at all) reaches the case, and the run keeps its curvature
    // until Enter.
    type("Texte3_13", "1E-7");
    QLineEdit* bz = box("Texte6_2");
    bz->setFocus();
    bz->selectAll();
    for (char key : std::string("\b0.03")) {
        if (key == '\b') {
            QTest::keyClick(bz, Qt::Key_Backspace);
        } else {
            QTest::keyClick(bz, key);
        }
        QCoreApplication::processEvents();
        QCOMPARE(theCase().Texte6Value(slot::kBx + 2), 0.015);
    }
    // Another window taking the focus (a question box) is not the end of the typing.
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(bz, &deactivated);
    QCOMPARE(theCase().Texte6Value(slot::kBx + 2), 0.015);
    QTRY_VERIFY(m_window->driver().time() >= 1e-7);
    QCOMPARE(theCase().Texte6Value(slot::kBx + 2), 0.015);
    const double ratioTyping = radiusRatio(0.015);
    QVERIFY2(std::abs(ratioTyping - 1) < 0.01, qPrintable(QString::number(ratioTyping)));
    // Enter: half the radius from the next steps.
    QTest::keyClick(bz, Qt::Key_Return);
    QCOMPARE(theCase().Texte6Value(slot::kBx + 2), 0.03);
    type("Texte3_13", "1.5E-7");
    QTRY_VERIFY(m_window->driver().time() >= 1.5e-7);
    const double ratio2 = radiusRatio(0.03);
    QVERIFY2(std::abs(ratio2 - 1) < 0.01, qPrintable(QString::number(ratio2)));
    endAllRuns();
}

void FrmDessinTest::notANumberIsMarkedNotAsked() {
    openWindow();
    m_asker.questions.clear();
    QLineEdit* bz = box("Texte6_2");
    const QString tooltip = bz->toolTip();
    for (const char* text : {"0.0x", "", "1,5", "e3"}) {
        type("Texte6_2", text);
        QCOMPARE(theCase().Texte6(slot::kBx + 2), std::string("0.015"));
        QVERIFY(bz->property("notANumber").toBool());
        QVERIFY(bz->toolTip().contains("not a number"));
        QVERIFY(bz->toolTip().contains("0.015"));
        QVERIFY(bz->styleSheet().contains("border"));
        QCOMPARE(bz->text(), QString(text)); // what the user typed stays to be corrected
    }
    QVERIFY(m_asker.questions.empty());
    // Once a number again, the mark goes and the case takes the value.
    type("Texte6_2", "0.02");
    QVERIFY(!bz->property("notANumber").toBool());
    QCOMPARE(bz->toolTip(), tooltip);
    QVERIFY(bz->styleSheet().isEmpty());
    QCOMPARE(theCase().Texte6Value(slot::kBx + 2), 0.02);
    // A mark also goes when the case shows another value in the box (an example loaded).
    type("Texte6_2", "abc");
    theCase().setText(BoxFamily::Texte6, slot::kBx + 2, "0.05");
    QCOMPARE(bz->text(), QString("0.05"));
    QVERIFY(!bz->property("notANumber").toBool());
    // A velocity at or above the speed of light is refused the same way, as is an energy that
    // would give one (a 10 MeV electron runs at 6.3 c without relativity).
    const struct {
        const char* box;
        const char* text;
    } tooFast[] = {{"Texte3_3", "4e8"}, {"Texte3_4", "3e8"}, {"Texte3_14", "1e7"}};
    for (const auto& row : tooFast) {
        QLineEdit* edit = box(row.box);
        const std::string kept = theCase().Texte3(edit->property("caseIndex").toInt());
        type(row.box, row.text);
        QVERIFY2(edit->property("notANumber").toBool(), row.box);
        QVERIFY(edit->toolTip().contains("speed of light"));
        QVERIFY(edit->styleSheet().contains("border"));
        QCOMPARE(theCase().Texte3(edit->property("caseIndex").toInt()), kept);
    }
    type("Texte3_3", "2e8"); // 0.67 c: taken, and warned of beside the error limit
    QCOMPARE(theCase().Texte3Value(slot::kVx), 2e8);
}

void FrmDessinTest::readoutsFollowCommittedValues() {
    openWindow();
    const double q = 1.6021e-19;
    // Uniform field, no electric field: the read-outs of the electron follow each committed
    // value, with no mouse over them.
    click("Option4_1");
    type("Texte4_2", "0");
    type("Texte3_3", "0");
    type("Texte3_4", "1000");
    type("Texte3_5", "0");
    type("Texte6_2", "0.001");
    auto readout = [&](const char* name) { return Val(box(name)->text().toStdString()); };
    auto near = [](double a, double b) { return std::abs(a / b - 1) < 0.01; };
    QVERIFY(near(readout("Texte3_14"), kElectronMass * 1000 * 1000 / 2 / q));
    QVERIFY(near(readout("Texte3_10"), q * 0.001 / (2 * kPi * kElectronMass)));
    QVERIFY(near(readout("Texte3_11"), 2 * kElectronMass * 1000 / (q * 0.001)));
    type("Texte3_4", "3000");
    QVERIFY(near(readout("Texte3_14"), kElectronMass * 3000 * 3000 / 2 / q));
    QVERIFY(near(readout("Texte3_11"), 2 * kElectronMass * 3000 / (q * 0.001)));
    type("Texte6_2", "0.004");
    QVERIFY(near(readout("Texte3_10"), q * 0.004 / (2 * kPi * kElectronMass)));
    // Leaving the box for another control commits as Enter does.
    QLineEdit* vy = box("Texte3_4");
    vy->setFocus();
    vy->selectAll();
    QTest::keyClicks(vy, "2000");
    QCOMPARE(theCase().Texte3Value(slot::kVx + 1), 3000.0);
    QTest::keyClick(vy, Qt::Key_Tab);
    QVERIFY(!vy->hasFocus());
    QCOMPARE(theCase().Texte3Value(slot::kVx + 1), 2000.0);
    QVERIFY(near(readout("Texte3_14"), kElectronMass * 2000 * 2000 / 2 / q));
    // A typed energy rescales the velocity, and the diameter follows it.
    type("Texte3_14", "1");
    const double v1 = std::sqrt(2 * 1.0 * q / kElectronMass);
    QVERIFY(near(readout("Texte3_4"), v1));
    QVERIFY(near(readout("Texte3_11"), 2 * kElectronMass * v1 / (q * 0.004)));
    type("Texte3_4", "2000");
    // Another species: its own energy at the same speed.
    click("Option5_1");
    QVERIFY(near(readout("Texte3_14"), kProtonMass * 2000 * 2000 / 2 / q));
}

void FrmDessinTest::energyEditRescalesTheVelocity() {
    openWindow();
    // The mouse over the derived boxes refreshes them: the electron's energy at 10 m/s.
    QTest::mouseMove(box("Texte3_10"));
    QTest::mouseMove(box("Texte3_10"), QPoint(5, 5));
    const double e10 = 10.0 * 10.0 * kElectronMass / 2 / 1.6021e-19;
    QTRY_VERIFY(std::abs(Val(box("Texte3_14")->text().toStdString()) / e10 - 1) < 0.01);

    // Typing an energy rescales the velocity along its direction: E = m v^2 / 2.
    type("Texte3_14", "1");
    const double v = std::sqrt(2 * 1.0 * 1.6021e-19 / kElectronMass);
    QVERIFY(std::abs(Val(box("Texte3_4")->text().toStdString()) / v - 1) < 0.001);
    QCOMPARE(Val(box("Texte3_3")->text().toStdString()), 0.0);
    QCOMPARE(Val(box("Texte3_5")->text().toStdString()), 0.0);

    // Loading an example puts back the velocity it holds, digit for digit (its energy box is
    // not taken for a typed energy).
    type("Texte3_4", "12.345678");
    fastest();
    click("Commande14"); // example 1
    endAllRuns();
    type("Texte3_4", "7");
    click("Commande14"); // example 2
    endAllRuns();
    control<QScrollBar>("DefilementH1")->setValue(1);
    QCOMPARE(box("Texte3_4")->text(), QString("12.345678"));
}

void FrmDessinTest::relativisticMethodReadouts() {
    openWindow();
    const double q = 1.6021e-19, c = 299792458.0, b = 0.01;
    click("Option4_1");
    type("Texte4_2", "0");
    type("Texte6_2", "0.01");
    type("Texte3_3", "0");
    type("Texte3_4", "1000");
    type("Texte3_5", "0");
    // A 1 MeV electron under the relativistic method: (γ - 1) m c² = 1 MeV at v < c, gyrating
    // at |q|B/(2πγm) on a diameter 2γmv/(|q|B).
    click("MethodRelativistic");
    type("Texte3_14", "1e6");
    const double gamma = 1 + 1e6 * q / (kElectronMass * c * c);
    const double v = c * std::sqrt(1 - 1 / (gamma * gamma));
    auto readout = [&](const char* name) { return Val(box(name)->text().toStdString()); };
    auto near = [](double a, double b) { return std::abs(a / b - 1) < 0.01; };
    QVERIFY(std::abs(readout("Texte3_4") / v - 1) < 1e-8);
    const double frequency = q * b / (2 * kPi * kElectronMass);
    const double diameter = 2 * kElectronMass * v / (q * b);
    QVERIFY(near(readout("Texte3_10"), frequency / gamma));
    QVERIFY(near(readout("Texte3_11"), diameter * gamma));
    QVERIFY(near(readout("Texte3_14"), 1e6));
    // No error limit to propose: the hint tells the phase, as for Boris.
    QVERIFY(control<QLabel>("AccuracyHintText")->text().startsWith("Relativistic at N = 32"));
    // The same speed under Cash-Karp is read the Newtonian way, and back again.
    click("MethodCashKarp");
    QVERIFY(near(readout("Texte3_10"), frequency));
    QVERIFY(near(readout("Texte3_11"), diameter));
    QVERIFY(near(readout("Texte3_14"), kElectronMass * v * v / 2 / q));
    click("MethodRelativistic");
    QVERIFY(near(readout("Texte3_10"), frequency / gamma));
    QVERIFY(near(readout("Texte3_11"), diameter * gamma));
}

void FrmDessinTest::driftReadOut() {
    openWindow();
    click("Option4_1");
    type("Texte4_0", "1000");
    type("Texte4_2", "0");
    type("Texte6_2", "0.015");
    // E x B / B^2 = (1000, 0, 0) x (0, 0, 0.015) / 0.015^2 = (0, -66 666.7, 0) m/s.
    click("Coche1_2");
    QVERIFY(control<QCheckBox>("Coche1_2")->isChecked());
    QCOMPARE(Val(box("Texte3_3")->text().toStdString()), 0.0);
    QVERIFY(std::abs(Val(box("Texte3_4")->text().toStdString()) + 1000 / 0.015) < 1e-6);
    QCOMPARE(Val(box("Texte3_5")->text().toStdString()), 0.0);
    // Unticked: the drift speed |E|/|B| along x.
    click("Coche1_2");
    QVERIFY(std::abs(Val(box("Texte3_3")->text().toStdString()) - 1000 / 0.015) < 1e-6);
    QCOMPARE(Val(box("Texte3_4")->text().toStdString()), 0.0);
    // Other check boxes leave the velocity alone.
    type("Texte3_4", "10");
    click("Coche1_1");
    QCOMPARE(box("Texte3_4")->text(), QString("10"));
    QCOMPARE(runRecord().cubicView, 1.0);
    click("Coche1_6");
    QVERIFY(control<QWidget>("Cadre8")->isVisible());
    click("Coche1_6");
    QVERIFY(!control<QWidget>("Cadre8")->isVisible());
}

void FrmDessinTest::smallHandlers() {
    openWindow();
    // Species click: its index is kept in Texte3(15).
    click("Option5_2");
    QCOMPARE(box("Texte3_15")->text(), QString("2"));
    QCOMPARE(runRecord().Mass, kProtonMass * kXenonMassNumber);
    click("Option5_0");
    QCOMPARE(box("Texte3_15")->text(), QString("0"));

    // Config. Data shows the working files; "Ferme Result" closes the box.
    click("CmdConfig");
    QVERIFY(control<QPlainTextEdit>("txtRES")->isVisible());
    QVERIFY(control<QPlainTextEdit>("txtRES")->toPlainText().contains(QDir::currentPath()));
    click("Commande1");
    QVERIFY(!control<QPlainTextEdit>("txtRES")->isVisible());
    QVERIFY(!control<QPushButton>("Commande1")->isVisible());
    QCOMPARE(control<QPushButton>("Commande1")->text(), QString("Fermer Résultats"));
    m_window->findChild<QAction*>("MnuConfiguration")->trigger();
    QVERIFY(control<QPlainTextEdit>("txtRES")->toPlainText().contains("Laboratoire"));

    // "No print" is copied by the run and its box then hidden.
    click("Coche1_0");
    fastest();
    click("Commande14");
    QCOMPARE(runRecord().noPrint, 1.0);
    QVERIFY(!control<QCheckBox>("Coche1_0")->isVisible());
    endAllRuns();

    // The orbit-check, about and help windows open on demand.
    m_window->findChild<QAction*>("MnuControleOrbite")->trigger();
    bool orbit = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        orbit = orbit || (w->inherits("gyro::FrmDessin8") && w->isVisible());
    }
    QVERIFY(orbit);
    m_window->findChild<QAction*>("MnuAPropos")->trigger();
    QVERIFY(m_window->findChild<QDialog*>("frmAbout"));
    m_window->findChild<QAction*>("MnuAideComplete")->trigger();
    QVERIFY(m_window->findChild<QWidget*>("frmHelp")->isVisible());

    // "Quit" ends the program.
    click("CmdFinMirav");
    QCOMPARE(m_quits, 1);
}

void FrmDessinTest::warningBoxRecoloursOnNewMessages() {
    openWindow();
    const int before = m_window->warningChangeCount();
    AlerteCalcul("_first message");
    QTRY_COMPARE(m_window->warningChangeCount(), before + 1);
    QVERIFY(m_window->warningBox()->toPlainText().contains("_first message"));
    const QString first = m_window->warningBox()->styleSheet();
    AlerteCalcul("_second message");
    QTRY_COMPARE(m_window->warningChangeCount(), before + 2);
    QVERIFY(m_window->warningBox()->styleSheet() != first);
    QVERIFY(m_window->warningBox()->toPlainText().startsWith("At_Time="));

    // A long log: the box keeps the newest 2000 lines, newest on top.
    for (int i = 0; i < 2500; ++i) ErrorReport::instance().appendLog("line " + std::to_string(i));
    QTRY_VERIFY(m_window->warningBox()->toPlainText().startsWith("line 2499\n"));
    const QStringList shown = m_window->warningBox()->toPlainText().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(shown.size(), 2000);
    QCOMPARE(shown.last(), QString("line 500"));
    // That flood slows the refreshes down; the next quiet refresh brings the pace back.
    const auto* box = qobject_cast<const WarningBox*>(m_window->warningBox());
    QVERIFY(box);
    QCOMPARE(box->refreshIntervalMs(), WarningBox::kFloodIntervalMs);
    AlerteCalcul("_after the flood");
    QTRY_VERIFY(box->toPlainText().startsWith("At_Time="));
    QCOMPARE(box->refreshIntervalMs(), WarningBox::kIntervalMs);
}

void FrmDessinTest::speedSliderMapsToTheDriver() {
    openWindow();
    // Two significant digits along a logarithmic scale, the last position without limit.
    QCOMPARE(SpeedControl::speedAt(0), 20.0);
    QCOMPARE(SpeedControl::speedAt(SpeedControl::kPerDecade), 200.0);
    QCOMPARE(SpeedControl::speedAt(4 * SpeedControl::kPerDecade), 200000.0);
    QCOMPARE(SpeedControl::speedAt(SpeedControl::kFastest), 0.0);
    for (int p = 1; p < SpeedControl::kFastest; ++p) {
        QVERIFY(SpeedControl::speedAt(p) > SpeedControl::speedAt(p - 1));
    }
    QCOMPARE(SpeedControl::speedText(0), QString("as fast as possible"));
    QVERIFY(m_window->driver().speed() > 0); // the default shows the trajectory growing
    control<QSlider>("SpeedSlider")->setValue(8);
    QCOMPARE(m_window->driver().speed(), 200.0);
    QCOMPARE(control<QLabel>("SpeedLabel")->text(), QString("200 steps/s"));

    // A slow run computes as many steps as the speed asks for the time that passed, on the
    // driver's clock, moved here by 15.625 ms (3.125 steps) at a time.
    auto now = std::chrono::steady_clock::now();
    m_window->driver().setClock([&now] { return now; });
    click("Commande14");
    for (std::uint64_t i = 1; i <= 40; ++i) {
        now += std::chrono::microseconds(15625);
        QTRY_COMPARE(m_window->driver().acceptedSteps(), i * 25 / 8);
    }
    m_window->driver().setClock([] { return std::chrono::steady_clock::now(); });
    endAllRuns();
}

void FrmDessinTest::menuOpensTheOptionsGraphAndDemonstrationWindows() {
    KelaxesLibrary::instance().setOrientationHint({});
    openWindow();
    // The load installs the printer hint: the axes library's question shows it.
    QTimer::singleShot(50, [] {
        QTest::mouseClick(FrmDialog::instance().findChild<QPushButton*>("Commande1"),
                          Qt::LeftButton);
    });
    QCOMPARE(QString::fromStdString(KelaxesLibrary::instance().askOrientation("Paysage")),
             QString("Reinitialiser"));

    m_window->findChild<QAction*>("MnuOptions")->trigger();
    QVERIFY(optionsWindow().isVisible());
    QVERIFY(!optionsWindow().isModal()); // from the menu the main window stays usable
    optionsWindow().hide();

    m_window->findChild<QAction*>("MnuGraphes3D")->trigger();
    QVERIFY(graphWindow().isVisible());
    graphWindow().hide();

    m_window->findChild<QAction*>("MnuDemonstration")->trigger();
    auto* demo = m_window->findChild<FrmDemonstration*>();
    QVERIFY(demo && demo->isVisible());
    demo->close();
}

void FrmDessinTest::sceneIsPrintedAndExportedAsPdf() {
    openWindow();
    fastest();
    click("Commande14");
    QTRY_VERIFY(m_window->traceur()->pointCount() > 100);
    endAllRuns();
    const std::size_t points = m_window->traceur()->pointCount();

    // The file dialogs answer with a path of the test; without a printer, printing offers a
    // PDF file as well.
    QString path;
    setSaveFileChooser([&path](QWidget*, const QString&, const QString&) { return path; });
    struct Row {
        const char* action;
        bool written;
    };
    for (const Row& row : {Row{"MnuExportPdf", true}, Row{"MnuImprimer", true},
                           Row{"MnuExportPdf", false}, Row{"MnuImprimer", false}}) {
        if (QString(row.action) == "MnuImprimer" && printerAvailable()) continue;
        path = row.written ? m_start->filePath(QString(row.action) + ".pdf")
                           : m_start->filePath("missing/scene.pdf");
        ModalCloser closer;
        m_window->findChild<QAction*>(row.action)->trigger();
        QFile pdf(path);
        QCOMPARE(pdf.exists(), row.written);
        if (row.written) {
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            QVERIFY(pdf.read(5) == "%PDF-");
            QVERIFY2(closer.className.isEmpty(), qPrintable(closer.text));
        } else {
            // A failure is told in a message box naming the file; the scene stays.
            QCOMPARE(closer.className, QString("QMessageBox"));
            QVERIFY2(closer.text.contains("scene.pdf"), qPrintable(closer.text));
        }
        QCOMPARE(m_window->traceur()->pointCount(), points);
    }
    setSaveFileChooser({});
}

void FrmDessinTest::newWindowRedrawsTheRunInTheGraphWindow() {
    openWindow();
    fastest();
    click("Commande14");
    QTRY_VERIFY(m_window->driver().record().size() > 100);
    endAllRuns();
    FrmGraphes& graphs = graphWindow();
    auto* automatic = graphs.findChild<QCheckBox*>("CocheAutomatique");
    QVERIFY(automatic);

    // Views not automatic: the options window (even left open from the menu) asks for the
    // angles first, modal; closed here, the run is then redrawn point by point.
    m_window->findChild<QAction*>("MnuOptions")->trigger();
    automatic->setChecked(false);
    {
        ModalCloser closer;
        click("Coche2");
        QCOMPARE(closer.className, QString("gyro::FrmOptions"));
    }
    QVERIFY(graphs.isVisible());
    QTRY_VERIFY(!graphs.redrawing());

    // Automatic views: no question, the next view gets the trajectory in the trace colour.
    automatic->setChecked(true);
    const int view = graphs.frontView();
    ModalCloser closer;
    click("Coche2");
    QTRY_VERIFY(!graphs.redrawing());
    QVERIFY(closer.className.isEmpty());
    QVERIFY(graphs.frontView() != view);
    const QImage picture = graphs.picture(graphs.frontView())->grab().toImage();
    const int first = slot::kColourTable;
    const QColor trace(int(theCase().Texte4Value(first)), int(theCase().Texte4Value(first + 1)),
                       int(theCase().Texte4Value(first + 2)));
    // The lines are thin and smoothed: count the pixels of the trace's hue.
    int traced = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            const int hue = std::abs(c.hsvHue() - trace.hsvHue());
            traced += c.hsvSaturation() > 80 && std::min(hue, 360 - hue) < 20 ? 1 : 0;
        }
    }
    QVERIFY2(traced > 50, qPrintable(QString::number(traced)));
    graphs.hide();
    optionsWindow().hide();
}

void FrmDessinTest::statusLineCountsSilencedWarnings() {
    openWindow();
    SilencingAsker silencing;
    ErrorReport::instance().setAsker(&silencing);
    auto* status = control<QLabel>("RunStatus");
    double flag = 0;
    const int shown = m_window->warningChangeCount();
    ErrorReport::instance().report("Pb de Pas", flag); // asked: "Don't ask again" ticked
    QTRY_VERIFY(m_window->warningChangeCount() > shown);
    QVERIFY(!status->text().contains("without asking"));
    ErrorReport::instance().report("Pb de Pas", flag); // logged only
    ErrorReport::instance().report("Pb de Pas", flag);
    QTRY_VERIFY2(status->text().contains("2 repeated warnings logged without asking"),
                 qPrintable(status->text()));
    ErrorReport::instance().setAsker(&m_asker);
}

// The counts of the status line change at every refresh of a run: the line is repainted, the
// window is not laid out again (which cost a fast run a few per cent of its rate).
void FrmDessinTest::statusCountsDoNotLayOutTheWindow() {
    struct LayoutRequests : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            count += event->type() == QEvent::LayoutRequest ? 1 : 0;
            return false;
        }
    } requests;
    // A gyration in a uniform field, which logs no warning (a new one restyles the log's box).
    theCase().select(BoxFamily::Option4, slot::kUniform);
    theCase().setText(BoxFamily::Texte4, slot::kEx + 2, "0");
    theCase().setText(BoxFamily::Texte3, slot::kVx + 1, "100000");
    openWindow();
    fastest();
    click("Commande14");
    QTRY_VERIFY(m_window->traceur()->model().pointsReceived() > 100);
    m_window->installEventFilter(&requests);
    auto* status = control<QLabel>("RunStatus");
    for (int refresh = 0; refresh < 3; ++refresh) {
        const QString counts = status->text();
        QTRY_VERIFY(status->text() != counts);
    }
    QCOMPARE(requests.count, 0);
    m_window->removeEventFilter(&requests);
    endAllRuns();
}

void FrmDessinTest::energyCaptionFollowsTheSpecies() {
    openWindow();
    auto* caption = control<QLabel>("EnergyLabel");
    QCOMPARE(caption->text(), QString("Energy electron (eV)"));
    click("Option5_1");
    QCOMPARE(caption->text(), QString("Energy proton (eV)"));
    // A case loaded with another species (an example) shows its caption too.
    theCase().select(BoxFamily::Option5, slot::kXenon);
    QCOMPARE(caption->text(), QString("Energy xenon ion (eV)"));
}

// The sixth shape: a refused file is told and changes nothing, a good one shows its grid, the
// run leaves the map through its top (E along z) and says so in the warning log, the example
// keeps the map's path relative to the memo's folder, and the run exports for ParaView.
void FrmDessinTest::fieldMapIsChosenRunAndExportedForParaView() {
    openWindow();
    fastest();
    click("Option4_5");
    // Without a map yet there is no field to show, and no computing fault to ask about.
    QVERIFY(ErrorReport::instance().lines().empty());
    auto write = [](const char* name, const QByteArray& bytes) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    QByteArray good = "x,y,z,Bx,By,Bz\n";
    for (int k = 0; k < 5; ++k)
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 5; ++i)
                good += QByteArray::number(0.0405 + 0.001 * i) + "," +
                        QByteArray::number(-0.002 + 0.001 * j) + "," +
                        QByteArray::number(-0.002 + 0.001 * k) + ",0,0,0.015\n";
    write("channel.csv", good);
    write("bad.csv", QByteArray(good).replace("0.0425,0,0,0,0,0.015", "0.0425,0,0,0,NaN,0.015"));
    FieldMapFrame* frame = m_window->findChild<FieldMapFrame*>("CadreCarte");
    QVERIFY(frame);
    QVERIFY(frame->loadMap("bad.csv").contains("By is not finite"));
    QVERIFY(control<QLabel>("MapProblem")->isVisible());
    QVERIFY(!theCase().fieldMap());
    QCOMPARE(control<QLabel>("MapSummary")->text(), QString("No map loaded: choose a file."));
    QVERIFY(frame->loadMap(QDir::current().filePath("channel.csv")).isEmpty());
    QCOMPARE(control<QLabel>("MapSummary")->text(),
             QString("5 × 5 × 5 nodes, x 0.0405 .. 0.0445 m, y -0.002 .. 0.002 m, z -0.002 .. "
                     "0.002 m, |B| 0.015 .. 0.015 T"));
    QVERIFY(!control<QLabel>("MapProblem")->isVisible());

    click("Commande14");
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->driver().running(), 20000);
    bool told = false;
    for (const std::string& line : ErrorReport::instance().lines())
        told = told || line.find("particle left the field map at t = ") != std::string::npos;
    QVERIFY(told);
    QFile memo("ZEFRON.TMP");
    QVERIFY(memo.open(QIODevice::ReadOnly));
    QVERIFY(memo.readAll().contains("\r\nchannel.csv\r\n"));

    QString error;
    QVERIFY2(m_window->exportForParaView("run.vtp", &error), qPrintable(error));
    QFile vtp("run.vtp"), vti("run-field.vti");
    QVERIFY(vtp.open(QIODevice::ReadOnly) && vti.open(QIODevice::ReadOnly));
    const QByteArray points =
        "NumberOfPoints=\"" + QByteArray::number(qulonglong(m_window->driver().record().size()));
    QVERIFY(vtp.readAll().contains(points));
    QVERIFY(vti.readAll().contains("<DataArray type=\"Float64\" Name=\"B\""));
}

QTEST_MAIN(FrmDessinTest)
#include "frmdessin_test.moc"
