// The main window: lays out its panels, holds the handlers, and drives runs from a timer.
#include "ui/mainwindow/frmdessin.h"

#include "ui/accuracy/accuracydock.h"
#include "ui/accuracy/accuracyhintpanel.h"
#include "ui/accuracy/accuracypanels.h"
#include "ui/accuracy/energyreadout.h"
#include "ui/dialogs/frmabout.h"
#include "ui/dialogs/frmdemonstration.h"
#include "ui/dialogs/frmdialog.h"
#include "ui/dialogs/frmhelp.h"
#include "ui/dialogs/inputboxasker.h"
#include "ui/graphwindow/frmgraphes.h"
#include "ui/mainwindow/caseboxes.h"
#include "ui/mainwindow/casepanel.h"
#include "ui/mainwindow/commandrow.h"
#include "ui/mainwindow/drawingpanel.h"
#include "ui/mainwindow/driftgroup.h"
#include "ui/mainwindow/integrationmethodpanel.h"
#include "ui/mainwindow/mainmenu.h"
#include "ui/mainwindow/resultspanel.h"
#include "ui/mainwindow/runloop.h"
#include "ui/mainwindow/runpanel.h"
#include "ui/mainwindow/speedcontrol.h"
#include "ui/mainwindow/warningbox.h"
#include "ui/mainwindow/widgetkit.h"
#include "ui/options/frmoptions.h"
#include "ui/orbit/frmdessin8.h"
#include "ui/scene/sceneprinting.h"
#include "ui/scene/traceur3d.h"

#include "numerics/errorreport.h"
#include "simulation/boxcommit.h"
#include "simulation/caseexamples.h"
#include "simulation/casememo.h"
#include "simulation/caseslots.h"
#include "simulation/driftreadout.h"
#include "simulation/runcontrols.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "simulation/startup.h"
#include "simulation/trajectorycsv.h"
#include "simulation/vtkexport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace gyro {

namespace {
// Index of the read-outs' refresh: frequency, diameter and energy are computed.
constexpr int kReadoutRefresh = slot::kCyclotronFrequency;

// The status line's text changes at every refresh of a run (its counts). A label laid out in the
// status bar would have the whole window laid out again at each change (its size hint follows
// its text); in a holder without a layout, which gives it all its own room, a new text only
// repaints the label. The holder is one line of the label's font high.
class StatusHolder : public QWidget {
public:
    StatusHolder(QLabel* label, QWidget* parent)
        : QWidget(parent), m_label(label), m_hint(label->sizeHint()) {
        label->setParent(this);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return m_hint; }
    QSize minimumSizeHint() const override { return {0, m_hint.height()}; }

protected:
    void resizeEvent(QResizeEvent*) override { m_label->setGeometry(rect()); }

private:
    QLabel* m_label;
    QSize m_hint; // of the label's first text
};
} // namespace

FrmDessin::FrmDessin(QWidget* parent) : QMainWindow(parent), m_model(theCase()) {
    setObjectName("FrmDessin");
    setWindowTitle("Gyrotrace");
    setWindowIcon(QIcon(FrmHelp::helixPixmap(64)));
    // Group titles in bold: the panel reads as sections.
    setStyleSheet("QGroupBox { font-weight: bold; }");

    // Questions of the error report and the start-up appear as real input boxes, unless a
    // caller (a test) has installed its own asker first.
    if (!ErrorReport::instance().asker()) {
        m_asker = std::make_unique<InputBoxAsker>(this);
        ErrorReport::instance().setAsker(m_asker.get());
    }

    m_traceur = new Traceur3D(this);
    m_traceur->setObjectName("Traceur3D");
    m_traceur->setMinimumSize(320, 240);
    m_driver = std::make_unique<RunDriver>(m_model, m_traceur->model());

    QMenu* sceneMenu = m_traceur->createMenu(this);
    auto* menu = new MainMenu(menuBar(), sceneMenu, this);
    connect(menu, &MainMenu::configurationChosen, this, &FrmDessin::MnuConfiguration_Click);
    connect(menu, &MainMenu::exportChosen, this, &FrmDessin::MnuExport_Click);
    connect(menu, &MainMenu::exportVtkChosen, this, &FrmDessin::MnuExportVtk_Click);
    connect(menu, &MainMenu::printChosen, this, &FrmDessin::MnuImprimer_Click);
    connect(menu, &MainMenu::exportPdfChosen, this, &FrmDessin::MnuExportPdf_Click);
    connect(menu, &MainMenu::optionsChosen, this, [this] { showOptionsWindow(this, false); });
    connect(menu, &MainMenu::graphsChosen, this, [] { showGraphWindow(); });
    connect(menu, &MainMenu::demonstrationChosen, this, [this] { showDemonstrationGraph(this); });
    connect(menu, &MainMenu::orbitControlChosen, this, &FrmDessin::MnuControleOrbite_Click);
    connect(menu, &MainMenu::quitChosen, this, &FrmDessin::CmdFinMirav_Click);
    connect(menu, &MainMenu::aboutChosen, this, &FrmDessin::MnuAPropos_Click);
    connect(menu, &MainMenu::helpChosen, this, &FrmDessin::MnuAideComplete_Click);
    connect(menu, &MainMenu::manoeuvreChosen, this, [this](int type) { m_manoeuvreType = type; });

    m_boxes = new CaseBoxes(m_model, this);
    m_accuracy = new AccuracyPanels(m_model, *m_driver, this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName("MainSplitter");
    splitter->addWidget(buildInputs());
    auto* right = new QSplitter(Qt::Vertical, splitter);
    right->setObjectName("SceneSplitter");
    right->addWidget(m_traceur);
    // Under the scene: the warnings and results beside the drift group.
    auto* below = new QSplitter(Qt::Horizontal, right);
    below->setObjectName("DriftSplitter");
    below->setChildrenCollapsible(false);
    m_results = new ResultsPanel(below);
    below->addWidget(m_results);
    below->addWidget(m_accuracy->driftGroup());
    below->setStretchFactor(0, 1);
    below->setSizes({560, 440}); // the log keeps the larger share
    right->addWidget(below);
    // A taller window gives its height to the scene; the row below keeps its own.
    right->setStretchFactor(0, 6);
    right->setSizes({760, 150});
    right->setCollapsible(0, false);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setCollapsible(1, false);
    splitter->setSizes({470, 1000});
    setCentralWidget(splitter);

    m_status = new QLabel("Ready", this);
    m_status->setObjectName("RunStatus");
    statusBar()->addWidget(new StatusHolder(m_status, this), 1);

    m_loop = new RunLoop(*m_driver, *m_run, *m_status, *m_traceur, this);
    m_driver->onRunEnded = [this] { m_loop->runEnded(); };
    connect(m_loop, &RunLoop::refreshed, m_accuracy, &AccuracyPanels::refresh);

    // The accuracy time plot in a bottom dock, hidden until chosen from the "&Vue" menu.
    auto* dock = new AccuracyDock(m_accuracy->timePlot(), this);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    sceneMenu->addSeparator();
    sceneMenu->addAction(dock->toggleViewAction());
    connect(dock, &QDockWidget::visibilityChanged, right, [this, dock, right](bool visible) {
        // Once the window has laid the opened dock out, see what the scene kept.
        if (visible)
            QTimer::singleShot(0, right,
                               [this, dock, right] { keepSceneHeight(*this, *dock, *right); });
    });

    connectHandlers();
    m_boxes->showAll();
    m_driver->setSpeed(m_run->speed()->speed());
    resize(1480, 940);
}

FrmDessin::~FrmDessin() {
    m_driver->onRunEnded = {};
    if (m_asker && ErrorReport::instance().asker() == m_asker.get()) {
        ErrorReport::instance().setAsker(nullptr);
    }
    delete m_orbitWindow.data();
}

QWidget* FrmDessin::buildInputs() {
    auto* panel = new QWidget(this);
    panel->setObjectName("InputsPanel");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);
    m_run = new RunPanel(*m_boxes, panel);
    layout->addWidget(m_run);
    m_case = new CasePanel(m_model, *m_boxes, panel);
    layout->addWidget(m_case);
    m_commands = new CommandRow(panel);
    layout->addWidget(m_commands);
    layout->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("InputsScroll");
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(panel->sizeHint().width() + 24);
    // The accuracy rows wrap their text to the width the case panels set.
    m_run->addToTimeRow(m_accuracy->energyReadout());
    m_case->addIntegrationRows(m_accuracy->hintPanel(), m_accuracy->methodPanel());
    return scroll;
}

void FrmDessin::connectHandlers() {
    // The read-outs (frequency, diameter, energy) of the relativistic method are γ's own.
    connect(m_accuracy->methodPanel(), &IntegrationMethodPanel::methodChanged, this,
            [] { SpeciesRefresh(kReadoutRefresh); });
    connect(m_run, &RunPanel::runClicked, this, &FrmDessin::Commande14_Click);
    connect(m_run, &RunPanel::pauseClicked, this, &FrmDessin::Commande2_Click);
    connect(m_run, &RunPanel::otherCaseClicked, this, &FrmDessin::Commande3_Click);
    connect(m_run->speed(), &SpeedControl::speedChanged, this,
            [this](double stepsPerSecond) { m_driver->setSpeed(stepsPerSecond); });
    connect(m_boxes, &CaseBoxes::clicked, this, [this](BoxFamily family, int index) {
        if (family == BoxFamily::Option4) Option4_Click(index);
        if (family == BoxFamily::Option5) Option5_Click(index);
        if (family == BoxFamily::Coche1) Coche1_Click(index);
    });
    connect(m_boxes, &CaseBoxes::committed, this, &FrmDessin::boxCommitted);
    connect(m_boxes, &CaseBoxes::hovered, this, &FrmDessin::Texte3_MouseMove);
    connect(m_case, &CasePanel::exampleChosen, this, &FrmDessin::DefilementH1_Change);
    // "New window": the trajectory of the current run (the last one when idle) redrawn in the
    // 3D graph window.
    connect(m_case->drawing(), &DrawingPanel::newWindowClicked, this,
            [this] { redrawRunInGraphWindow(m_driver->record()); });
    // The log's listener: the status line also counts the warnings logged without asking.
    connect(m_results->warning(), &WarningBox::logShown, m_loop, &RunLoop::refresh);
    connect(m_traceur, &Traceur3D::cleared, m_loop, &RunLoop::refresh); // the point count
    connect(m_commands, &CommandRow::configClicked, this, &FrmDessin::CmdConfig_Click);
    connect(m_commands, &CommandRow::quitClicked, this, &FrmDessin::CmdFinMirav_Click);
}

QPlainTextEdit* FrmDessin::warningBox() const {
    return m_results->warning();
}

int FrmDessin::warningChangeCount() const {
    return m_results->warning()->changeCount();
}

int FrmDessin::rungeChoice() const {
    return m_case->rungeChoice();
}

bool FrmDessin::exportTrajectory(const QString& path, QString* error) {
    const TrajectoryRecord& record = m_driver->record();
    std::string message;
    if (record.empty()) {
        message = "There is no run to export yet.";
    } else if (writeTrajectoryCsv(record, runRecord().Mass,
                                  std::filesystem::path(path.toStdString()), message)) {
        return true;
    }
    if (error) *error = QString::fromStdString(message);
    return false;
}

void FrmDessin::Form_Load() {
    if (!m_loaded) {
        m_loaded = true;
        Demarrage({}, StartupMode::Interactive);
        installPrinterHint();
        // The time box only ever shows the run's time; "Config. Data" lists the working folder
        // and the files built from it.
        m_memo = std::make_unique<CaseMemo>();
    }
    show();
    m_loop->refresh();
    DefilementH1_Change();
    // The derived values of the case as it opens (cyclotron frequency, Larmor diameter, energy).
    SpeciesRefresh(kReadoutRefresh);
}

void FrmDessin::Commande14_Click() {
    // A nested run starts only on purpose: Run while the run on top is paused.
    if (!runControls(m_loop->view()).runEnabled) return;
    SpeciesRefresh(kReadoutRefresh);
    RunRecord& record = runRecord();
    readDrawingOptions(record, m_model);
    if (m_model.Coche1(slot::kNoPrint) != 0) m_case->drawing()->hideNoPrint();

    if (!m_memo) m_memo = std::make_unique<CaseMemo>();
    const double number = saveRunExample(m_model, *m_memo);
    // The scroll bar reaches the new example (without loading it).
    m_case->showExampleSelector(m_memo->count(), number);

    const int depth = m_driver->depth();
    m_driver->setOtherCase(false);
    m_driver->RunTrajectory();
    if (m_driver->depth() > depth) {
        // The new run computes at once; a run it is nested in stays below it, paused.
        m_driver->setPaused(false);
        m_accuracy->runStarted();
        m_loop->started();
    }
    m_loop->refresh();
}

void FrmDessin::Commande2_Click() {
    if (!m_driver->running()) return;
    const bool pause = !m_driver->paused();
    m_driver->setPaused(pause);
    // Continue withdraws an "Other Case" not carried out yet.
    if (!pause) m_driver->setOtherCase(false);
    m_loop->refresh();
}

void FrmDessin::Commande3_Click() {
    if (!m_driver->running()) return;
    // "Other Case" abandons the run on top, computing, paused or waiting at its maximum time: the
    // driver ends a paused run that sees the request, here at once (no step is computed) unless
    // a step is in progress below a question box, then at the next slice.
    m_driver->setPaused(true);
    m_driver->setOtherCase(true);
    m_driver->advance(std::chrono::nanoseconds::zero(), 1);
    m_loop->refresh();
}

void FrmDessin::Option4_Click(int) {
    SpeciesRefresh(kReadoutRefresh);
}

void FrmDessin::Option5_Click(int index) {
    m_model.setText(BoxFamily::Texte3, slot::kSpeciesMemo, std::to_string(index));
    SpeciesRefresh(kReadoutRefresh);
}

void FrmDessin::Coche1_Click(int index) {
    runRecord().cubicView = m_model.Coche1(slot::kCubicView) != 0 ? 1 : 0;
    if (index == slot::kDriftReadout) {
        DriftReadOut(m_model, m_model.Coche1(slot::kDriftReadout) != 0);
    }
    SpeciesRefresh(kReadoutRefresh);
}

void FrmDessin::Texte3_MouseMove(int index) {
    SpeciesRefresh(index);
}

void FrmDessin::boxCommitted(BoxFamily family, int index) {
    // Texte3_Change: a committed energy rescales the velocity.
    const bool energy = family == BoxFamily::Texte3 && index == slot::kEnergy;
    if (energy) EnergyEdit(index);
    // The read-outs follow every value they depend on.
    if (energy || readoutsDependOn(family, index)) SpeciesRefresh(kReadoutRefresh);
}

void FrmDessin::DefilementH1_Change() {
    if (!m_memo) return; // nothing to load before the window's load
    const CaseMemo::Selector selector =
        loadExample(m_model, *m_memo, m_case->exampleBar()->value());
    if (selector.moved) {
        m_case->showExampleSelector(selector.maximum, selector.value);
        m_accuracy->methodPanel()->showChoice(); // the method the example ran with
        SpeciesRefresh(kReadoutRefresh);         // the read-outs of the example loaded
    }
    if (m_model.Texte3Value(slot::kPauseTime) > 0) m_run->showPauseTime(true);
}

void FrmDessin::CmdConfig_Click() {
    m_results->showResults(toQt(ConfigurationText(ReadConfiguration())));
}

void FrmDessin::MnuConfiguration_Click() {
    Demarrage({}, StartupMode::Interactive);
    m_results->showResults(toQt(ConfigurationText(Site())));
}

void FrmDessin::MnuExport_Click() {
    if (m_driver->record().empty()) {
        QMessageBox::information(this, "Export trajectory", "There is no run to export yet.");
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, "Export trajectory",
                                                      QDir::current().filePath("trajectory.csv"),
                                                      "CSV table (*.csv);;All files (*)");
    if (path.isEmpty()) return;
    QString error;
    if (!exportTrajectory(path, &error)) {
        QMessageBox::warning(this, "Export trajectory", error);
    } else {
        statusBar()->showMessage("Trajectory written to " + path, 5000);
    }
}

bool FrmDessin::exportForParaView(const QString& path, QString* error) {
    std::filesystem::path trajectory(path.toStdString());
    std::filesystem::path field = trajectory;
    field.replace_filename(trajectory.stem().string() + "-field.vti");
    const FileResult written = writeRunForParaView(
        m_driver->record(), theCase(), runRecord().Charge, runRecord().Mass, trajectory, field);
    if (!written.ok && error) *error = QString::fromStdString(written.message);
    return written.ok;
}

void FrmDessin::MnuExportVtk_Click() {
    if (m_driver->record().empty()) {
        QMessageBox::information(this, "Export for ParaView", "There is no run to export yet.");
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, "Export for ParaView",
                                                      QDir::current().filePath("trajectory.vtp"),
                                                      "VTK XML PolyData (*.vtp)");
    if (path.isEmpty()) return;
    QString error;
    if (!exportForParaView(path, &error)) {
        QMessageBox::warning(this, "Export for ParaView", error);
    } else {
        statusBar()->showMessage("Trajectory and field written for ParaView: " + path, 5000);
    }
}

void FrmDessin::MnuImprimer_Click() {
    QString error;
    const PrintOutcome outcome =
        printScene(m_traceur->model(), m_traceur->camera(), m_traceur->size(), this, &error,
                   m_traceur->renderOptions());
    if (outcome == PrintOutcome::Failed) QMessageBox::warning(this, "Print", error);
}

void FrmDessin::MnuExportPdf_Click() {
    QString error;
    if (exportScenePdfAs(m_traceur->model(), m_traceur->camera(), m_traceur->size(), this, &error,
                         m_traceur->renderOptions())) {
        statusBar()->showMessage("Scene written as PDF", 5000);
    } else if (!error.isEmpty()) {
        QMessageBox::warning(this, "Export PDF", error);
    }
}

void FrmDessin::MnuControleOrbite_Click() {
    if (!m_orbitWindow) {
        m_orbitWindow = new FrmDessin8();
        m_orbitWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_orbitWindow->show();
    m_orbitWindow->raise();
    m_orbitWindow->activateWindow();
}

void FrmDessin::MnuAPropos_Click() {
    if (!m_about) m_about = new FrmAbout(this);
    m_about->show();
    m_about->raise();
}

void FrmDessin::MnuAideComplete_Click() {
    if (!m_help) m_help = new FrmHelp(this);
    m_help->show();
    m_help->raise();
}

void FrmDessin::CmdFinMirav_Click() {
    m_commands->quitButton()->setText("Quitter Mirav");
    endProgram();
}

void FrmDessin::endProgram() {
    m_loop->stop();
    if (m_quit) {
        m_quit();
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != this) w->close();
    }
    QCoreApplication::quit();
}

void FrmDessin::closeEvent(QCloseEvent* event) {
    // The main window lives as long as the program: closing it ends the program.
    event->accept();
    endProgram();
}

} // namespace gyro
