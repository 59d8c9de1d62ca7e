// The main window: builds the controls, mirrors the case, and drives runs from a timer.
#include "frmdessin.h"

#include "frmabout.h"
#include "frmdessin8.h"
#include "frmhelp.h"
#include "inputboxasker.h"
#include "speedcontrol.h"
#include "traceur3d.h"

#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "numerics/vecteur3.h"
#include "simulation/casememo.h"
#include "simulation/fields.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "simulation/startup.h"
#include "simulation/trajectorycsv.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cmath>

namespace gyro {

namespace {

// Wall time of one slice of computation: short enough that the window never waits noticeably.
constexpr std::chrono::milliseconds kSliceBudget{8};
// The time box and the status line are refreshed at about 30 Hz, never per step.
constexpr int kDisplayIntervalMs = 33;
// The Warning box shows the newest lines of the log, at most this many.
constexpr std::size_t kWarningLines = 2000;
// Slider position of the speed at start: a few thousand steps per second, so that the default
// case visibly grows for several seconds.
constexpr int kDefaultSpeedPosition = 11;

const char* kScrollTag = "DefilementH1";
const char* kNoChange = "ne pas faire Change";
const char* kPauseTimeTooltip = "put here a time at which the computation is turned to a PAUSE. "
                                "You can restart after.";

QString controlName(BoxFamily family, int index) {
    switch (family) {
    case BoxFamily::Texte3:
        return QString("Texte3_%1").arg(index);
    case BoxFamily::Texte4:
        return QString("Texte4_%1").arg(index);
    case BoxFamily::Texte6:
        return QString("Texte6_%1").arg(index);
    case BoxFamily::Texte7:
        return "Texte7";
    case BoxFamily::Option4:
        return QString("Option4_%1").arg(index);
    case BoxFamily::Option5:
        return QString("Option5_%1").arg(index);
    case BoxFamily::Coche1:
        return QString("Coche1_%1").arg(index);
    }
    return {};
}

QString toQt(const std::string& s) {
    return QString::fromStdString(s);
}

// The comment box shows lines; the case keeps them joined by CR LF.
QString commentForDisplay(const std::string& s) {
    return QString::fromStdString(s).replace("\r\n", "\n");
}
std::string commentForCase(const QString& s) {
    QString t = s;
    t.replace("\r\n", "\n").replace('\n', "\r\n");
    return t.toStdString();
}

QLabel* smallLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    label->setFont(f);
    label->setStyleSheet("color: palette(mid);");
    return label;
}

QLabel* columnLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    label->setFont(f);
    return label;
}

QPlainTextEdit* fixedPitchBox(const QString& name, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->viewport()->setMouseTracking(true);
    return box;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Building the window

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
    m_driver->onRunEnded = [this] { runEnded(); };

    buildMenu();

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName("MainSplitter");
    splitter->addWidget(buildInputs());
    auto* right = new QSplitter(Qt::Vertical, splitter);
    right->setObjectName("SceneSplitter");
    right->addWidget(m_traceur);
    right->addWidget(buildResultsPanel());
    right->setStretchFactor(0, 6);
    right->setStretchFactor(1, 1);
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
    statusBar()->addWidget(m_status, 1);

    m_sliceTimer = new QTimer(this);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, &FrmDessin::sliceTick);
    m_displayTimer = new QTimer(this);
    m_displayTimer->setInterval(kDisplayIntervalMs);
    connect(m_displayTimer, &QTimer::timeout, this, &FrmDessin::refreshDisplay);

    // The log can grow by many lines per second during a run: refresh the box at most at the
    // screen's rate.
    m_warningTimer = new QTimer(this);
    m_warningTimer->setSingleShot(true);
    m_warningTimer->setInterval(100); // a log is read by people: ten refreshes a second
    connect(m_warningTimer, &QTimer::timeout, this, &FrmDessin::refreshWarning);
    ErrorReport::instance().setLogListener([this] {
        if (!m_warningTimer->isActive()) m_warningTimer->start();
    });
    m_warning->setPlainText("Warning: Message des Routines");
    refreshWarning();

    m_listenerId =
        m_model.addListener([this](BoxFamily family, int index) { modelChanged(family, index); });
    showWholeCase();
    m_driver->setSpeed(m_speed->speed());
    resize(1480, 940);
}

FrmDessin::~FrmDessin() {
    m_model.removeListener(m_listenerId);
    m_driver->onRunEnded = {};
    ErrorReport::instance().setLogListener({});
    if (m_asker && ErrorReport::instance().asker() == m_asker.get()) {
        ErrorReport::instance().setAsker(nullptr);
    }
    delete m_orbitWindow.data();
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

void FrmDessin::buildMenu() {
    QMenu* fichier = menuBar()->addMenu("&Fichier");
    fichier->setObjectName("MnuFichier");
    fichier->setToolTipsVisible(true);
    auto add = [this](QMenu* menu, const QString& text, const QString& name) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    auto unavailable = [](QAction* a, const QString& why) {
        a->setEnabled(false);
        a->setToolTip(why);
    };

    connect(add(fichier, "Configuration", "MnuConfiguration"), &QAction::triggered, this,
            &FrmDessin::MnuConfiguration_Click);
    QAction* exportAction = add(fichier, "Export trajectory…", "MnuExport");
    exportAction->setToolTip("Write the current run's steps as a CSV table "
                             "(t, x, y, z, vx, vy, vz, Bnorm, Ek_eV)");
    connect(exportAction, &QAction::triggered, this, [this] {
        if (m_driver->record().empty()) {
            QMessageBox::information(this, "Export trajectory", "There is no run to export yet.");
            return;
        }
        const QString path = QFileDialog::getSaveFileName(
            this, "Export trajectory", QDir::current().filePath("trajectory.csv"),
            "CSV table (*.csv);;All files (*)");
        if (path.isEmpty()) return;
        QString error;
        if (!exportTrajectory(path, &error)) {
            QMessageBox::warning(this, "Export trajectory", error);
        } else {
            statusBar()->showMessage("Trajectory written to " + path, 5000);
        }
    });
    fichier->addSeparator();

    m_actionOrbite = add(fichier, "&Contrôle Orbite GEO", "MnuControleOrbite");
    connect(m_actionOrbite, &QAction::triggered, this, &FrmDessin::MnuControleOrbite_Click);
    unavailable(add(fichier, "Spirale (Jour/Nuit)", "MnuSpirale"),
                "The day/night spiral is not part of this version.");
    // The orbital manoeuvres: each sets the manoeuvre type of the orbital computations.
    QMenu* transfer = fichier->addMenu("Transfert Terre _ Lune");
    transfer->setObjectName("MnuTransfert");
    transfer->setToolTipsVisible(true);
    auto* manoeuvres = new QActionGroup(this);
    manoeuvres->setExclusive(true);
    struct Manoeuvre {
        const char* text;
        const char* name;
        int type;
    };
    const Manoeuvre list[] = {{"LTO", "MnuLTO", 1},
                              {"Forte poussée", "MnuFortePoussee", 1},
                              {"Montée spirale", "MnuMonteeSpirale", 5},
                              {"Freinage ", "MnuFreinage", 0},
                              {"Circularisation", "MnuCircularisation", 13},
                              {"Alunissage", "MnuAlunissage", 4}};
    for (const Manoeuvre& m : list) {
        QAction* a = add(transfer, m.text, m.name);
        if (m.type == 0) {
            unavailable(a, "Braking has no manoeuvre type in this version.");
            continue;
        }
        a->setCheckable(true);
        manoeuvres->addAction(a);
        const int type = m.type;
        connect(a, &QAction::triggered, this, [this, type] { m_manoeuvreType = type; });
    }
    fichier->addSeparator();

    connect(add(fichier, "Quitter", "MnuQuitter_prog"), &QAction::triggered, this,
            &FrmDessin::CmdFinMirav_Click);
    fichier->addSeparator();

    unavailable(add(fichier, "Options ", "MnuOptions"),
                "The options window is not available yet in this version.");
    unavailable(add(fichier, "Création de fichiers Clairs", "MnuFichiersClairs"),
                "Not part of this version.");
    unavailable(add(fichier, "Utilitaire de graphes en 3 dimensions", "MnuGraphes3D"),
                "The 3D graph window is not available yet in this version.");
    fichier->addSeparator();

    QMenu* aide = fichier->addMenu("Aide");
    aide->setObjectName("MnuAide");
    connect(add(aide, "A propos de ...", "MnuAPropos"), &QAction::triggered, this,
            &FrmDessin::MnuAPropos_Click);
    connect(add(aide, "Aide complète", "MnuAideComplete"), &QAction::triggered, this,
            &FrmDessin::MnuAideComplete_Click);
    fichier->addSeparator();
    unavailable(add(fichier, "Démonstration", "MnuDemonstration"),
                "No demonstration in this version.");

    // The scene's own menu: fit, standard views, display options, image export.
    QMenu* view = m_traceur->createMenu(this);
    view->setTitle("&Vue");
    view->setObjectName("MnuVue");
    menuBar()->addMenu(view);
}

QLineEdit* FrmDessin::makeBox(BoxFamily family, int index, const QString& tooltip) {
    auto* box = new QLineEdit(this);
    box->setObjectName(controlName(family, index));
    if (!tooltip.isEmpty()) box->setToolTip(tooltip);
    box->setMinimumWidth(60);
    switch (family) {
    case BoxFamily::Texte3:
        m_texte3[static_cast<std::size_t>(index)] = box;
        // Moving the mouse over these boxes refreshes the particle constants.
        box->setMouseTracking(true);
        box->installEventFilter(this);
        break;
    case BoxFamily::Texte4:
        m_texte4[static_cast<std::size_t>(index)] = box;
        break;
    case BoxFamily::Texte6:
        m_texte6[static_cast<std::size_t>(index)] = box;
        break;
    case BoxFamily::Texte7:
        m_texte7 = box;
        break;
    default:
        break;
    }
    connect(box, &QLineEdit::textChanged, this,
            [this, family, index](const QString& text) { boxEdited(family, index, text); });
    return box;
}

QWidget* FrmDessin::vectorRow(BoxFamily family, int first, const QStringList& columns) {
    auto* row = new QWidget(this);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(1);
    for (int i = 0; i < 3; ++i) {
        if (!columns.isEmpty()) grid->addWidget(columnLabel(columns.value(i), row), 0, i);
        grid->addWidget(makeBox(family, first + i), 1, i);
        grid->setColumnStretch(i, 1);
    }
    return row;
}

QWidget* FrmDessin::buildInputs() {
    auto* panel = new QWidget(this);
    panel->setObjectName("InputsPanel");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(8);
    layout->addWidget(buildRunPanel());
    layout->addWidget(buildParticleGroup());
    layout->addWidget(buildFieldGroup());
    layout->addWidget(buildIntegrationGroup());
    layout->addWidget(buildExamplesGroup());
    layout->addWidget(buildDrawingGroup());
    layout->addWidget(buildOrbitalGroup());
    layout->addWidget(buildCommandRow());
    layout->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("InputsScroll");
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(panel->sizeHint().width() + 24);
    return scroll;
}

QWidget* FrmDessin::buildRunPanel() {
    auto* box = new QGroupBox("Run", this);
    box->setObjectName("RunFrame");
    auto* layout = new QVBoxLayout(box);

    auto* buttons = new QHBoxLayout;
    m_commande14 = new QPushButton("Run Gyrotrace", box);
    m_commande14->setObjectName("Commande14");
    m_commande14->setToolTip("Click to compute the trajectory");
    m_commande14->setShortcut(Qt::Key_F5);
    QFont bold = m_commande14->font();
    bold.setBold(true);
    m_commande14->setFont(bold);
    m_commande14->setMinimumHeight(32);
    m_commande2 = new QPushButton("Pause", box);
    m_commande2->setObjectName("Commande2");
    m_commande2->setFont(bold);
    m_commande2->setMinimumHeight(32);
    m_commande2->hide();
    m_commande3 = new QPushButton("Other Case", box);
    m_commande3->setObjectName("Commande3");
    m_commande3->setMinimumHeight(32);
    buttons->addWidget(m_commande14, 2);
    buttons->addWidget(m_commande2, 2);
    buttons->addWidget(m_commande3, 1);
    layout->addLayout(buttons);
    connect(m_commande14, &QPushButton::clicked, this, &FrmDessin::Commande14_Click);
    connect(m_commande2, &QPushButton::clicked, this, &FrmDessin::Commande2_Click);
    connect(m_commande3, &QPushButton::clicked, this, &FrmDessin::Commande3_Click);

    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(new QLabel("Time (s)", box));
    m_texte1 = new QLineEdit("Time", box);
    m_texte1->setObjectName("Texte1");
    m_texte1->setReadOnly(true);
    m_texte1->setToolTip("Time computation (see in options  the Runge Kutta error to go faster "
                         "or more accurately)");
    m_texte1->setCursor(Qt::PointingHandCursor);
    m_texte1->installEventFilter(this);
    timeRow->addWidget(m_texte1, 1);
    layout->addLayout(timeRow);

    m_pauseTimeRow = new QWidget(box);
    auto* pauseRow = new QHBoxLayout(m_pauseTimeRow);
    pauseRow->setContentsMargins(0, 0, 0, 0);
    m_etiquette3 = new QLabel("Maximum time (s)", m_pauseTimeRow);
    m_etiquette3->setObjectName("Etiquette3");
    m_etiquette3->setCursor(Qt::PointingHandCursor);
    m_etiquette3->setToolTip("Click to hide the pause time");
    m_etiquette3->installEventFilter(this);
    pauseRow->addWidget(m_etiquette3);
    pauseRow->addWidget(makeBox(BoxFamily::Texte3, 13, kPauseTimeTooltip), 1);
    layout->addWidget(m_pauseTimeRow);
    m_pauseTimeRow->hide();
    layout->addWidget(smallLabel("Click the time to set a pause time.", box));

    m_speed = new SpeedControl(box);
    m_speed->setObjectName("SpeedControl");
    m_speed->setPosition(kDefaultSpeedPosition);
    connect(m_speed, &SpeedControl::speedChanged, this,
            [this](double stepsPerSecond) { m_driver->setSpeed(stepsPerSecond); });
    layout->addWidget(m_speed);
    return box;
}

QWidget* FrmDessin::buildParticleGroup() {
    auto* box = new QGroupBox("Particle and initial state", this);
    box->setObjectName("ParticleFrame");
    auto* layout = new QVBoxLayout(box);

    auto* species = new QHBoxLayout;
    auto* group = new QButtonGroup(box);
    const char* names[] = {"Electron", "Proton", "Ion xenon"};
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(names[i], box);
        option->setObjectName(controlName(BoxFamily::Option5, i));
        m_option5[static_cast<std::size_t>(i)] = option;
        group->addButton(option, i);
        species->addWidget(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { Option5_Click(i); });
    }
    species->addStretch(1);
    layout->addLayout(species);

    layout->addWidget(new QLabel("Position x, y,z (m)", box));
    QWidget* position = vectorRow(BoxFamily::Texte3, 0, {"x", "y", "z"});
    for (int i = 0; i < 3; ++i) {
        m_texte3[static_cast<std::size_t>(i)]->setToolTip("Specify the location of the electron");
    }
    layout->addWidget(position);
    layout->addWidget(new QLabel("Velocity x, y,z (m/s)", box));
    QWidget* velocity = vectorRow(BoxFamily::Texte3, 3, {"Vx", "Vy", "Vz"});
    for (int i = 3; i < 6; ++i) {
        m_texte3[static_cast<std::size_t>(i)]->setToolTip(
            "Specify the velocity of the electron (see also its energy in eV in the options)");
    }
    layout->addWidget(velocity);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Energy electron (eV)", box), 0, 0);
    QLineEdit* energy = makeBox(BoxFamily::Texte3, 14);
    connect(energy, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_model.setText(BoxFamily::Texte3, 14, text.toStdString());
        Texte3_Change(14);
    });
    grid->addWidget(energy, 0, 1);
    grid->addWidget(new QLabel("Cyclotron frequency (Hz)", box), 1, 0);
    grid->addWidget(makeBox(BoxFamily::Texte3, 10), 1, 1);
    grid->addWidget(new QLabel("Larmor diameter(m)", box), 2, 0);
    grid->addWidget(makeBox(BoxFamily::Texte3, 11), 2, 1);
    for (int i : {10, 11}) {
        // Computed values: shown, not typed.
        m_texte3[static_cast<std::size_t>(i)]->setReadOnly(true);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* drift = new QCheckBox("drift velocity Vd=F^B/qB\nF=qE", box);
    drift->setObjectName(controlName(BoxFamily::Coche1, 2));
    m_coche1[2] = drift;
    connect(drift, &QCheckBox::clicked, this, [this](bool) { Coche1_Click(2); });
    layout->addWidget(drift);
    return box;
}

QWidget* FrmDessin::buildFieldGroup() {
    auto* box = new QGroupBox("Fields", this);
    box->setObjectName("FieldFrame");
    auto* layout = new QVBoxLayout(box);

    layout->addWidget(new QLabel("Electric field E (V/m)", box));
    layout->addWidget(vectorRow(BoxFamily::Texte4, 0, {"Ex", "Ey", "Ez"}));
    m_labelB0 = new QLabel("Magnetic field B (Tesla) at x=.05, y=z=0", box);
    m_labelB0->setObjectName("LabelB0");
    layout->addWidget(m_labelB0);
    layout->addWidget(vectorRow(BoxFamily::Texte6, 0, {"Bx", "By", "Bz"}));

    auto* shapeFrame = new QGroupBox("Magnetic field B shape", box);
    shapeFrame->setObjectName("ShapeFrame");
    auto* shapes = new QGridLayout(shapeFrame);
    auto* group = new QButtonGroup(shapeFrame);
    const char* names[] = {"Cylindrical field", "Uniform field", "Dipôle field variable",
                           "Dipôle field", "Double dipôle field"};
    for (int i = 0; i < 5; ++i) {
        auto* option = new QRadioButton(names[i], shapeFrame);
        option->setObjectName(controlName(BoxFamily::Option4, i));
        m_option4[static_cast<std::size_t>(i)] = option;
        group->addButton(option, i);
        shapes->addWidget(option, i / 2, i % 2);
        connect(option, &QRadioButton::clicked, this, [this, i] { Option4_Click(i); });
    }
    layout->addWidget(shapeFrame);

    // Shape 2: radial field in 1/rho with a quadratic law along z and curved field lines.
    m_cadre3 = new QGroupBox("Magnetic field radial axis eZ (vary in 1/r", box);
    m_cadre3->setObjectName("Cadre3");
    auto* g3 = new QGridLayout(m_cadre3);
    const char* p3[] = {"z scale 1 (m)", "z scale 2 (m)", "B at z=0, R milieu (T)", "B law 2 (T)",
                        "R milieu"};
    for (int k = 0; k < 5; ++k) {
        g3->addWidget(new QLabel(p3[k], m_cadre3), k, 0);
        g3->addWidget(makeBox(BoxFamily::Texte6, 3 + k), k, 1);
    }
    g3->setColumnStretch(1, 1);
    layout->addWidget(m_cadre3);

    // Shape 3: one inclined point dipole at the origin.
    m_cadre4 = new QGroupBox("Magnetic field dipôle", box);
    m_cadre4->setObjectName("Cadre4");
    auto* g4 = new QGridLayout(m_cadre4);
    g4->addWidget(new QLabel("Moment magn. A.m²   (selon eZ)", m_cadre4), 0, 0);
    g4->addWidget(makeBox(BoxFamily::Texte6, 8), 0, 1);
    g4->addWidget(new QLabel("Inclinaison % ez (deg)", m_cadre4), 1, 0);
    g4->addWidget(makeBox(BoxFamily::Texte6, 14), 1, 1);
    g4->setColumnStretch(1, 1);
    layout->addWidget(m_cadre4);

    // Shape 4: a centre dipole and a peripheral one on the ring of radius P8.
    m_cadre5 = new QGroupBox("Magnetic field from a double dipôle (type SPT)", box);
    m_cadre5->setObjectName("Cadre5");
    auto* g5 = new QGridLayout(m_cadre5);
    g5->addWidget(columnLabel("Centre", m_cadre5), 0, 1);
    g5->addWidget(columnLabel("Peripheral", m_cadre5), 0, 2);
    g5->addWidget(new QLabel("Moment magn. A.m² (selon Z)", m_cadre5), 1, 0);
    g5->addWidget(makeBox(BoxFamily::Texte6, 9), 1, 1);
    g5->addWidget(makeBox(BoxFamily::Texte6, 10), 1, 2);
    g5->addWidget(new QLabel("Inclin deg", m_cadre5), 2, 0);
    g5->addWidget(makeBox(BoxFamily::Texte6, 12), 2, 1);
    g5->addWidget(makeBox(BoxFamily::Texte6, 13), 2, 2);
    g5->addWidget(new QLabel("dist. between dipôles (m)", m_cadre5), 3, 0);
    g5->addWidget(makeBox(BoxFamily::Texte6, 11), 3, 1);
    g5->setColumnStretch(1, 1);
    g5->setColumnStretch(2, 1);
    layout->addWidget(m_cadre5);
    return box;
}

QWidget* FrmDessin::buildIntegrationGroup() {
    auto* box = new QGroupBox("Integration", this);
    box->setObjectName("IntegrationFrame");
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel("Error maxi Runge Kutta (m)", box), 0, 0);
    grid->addWidget(makeBox(BoxFamily::Texte7, 0), 0, 1, 1, 2);
    const char* names[] = {"Runge Rapide", "Runge Précis"};
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(names[i], box);
        option->setObjectName(QString("Option1_%1").arg(i));
        m_option1[static_cast<std::size_t>(i)] = option;
        group->addButton(option, i);
        grid->addWidget(option, 1, 1 + i);
    }
    m_option1[1]->setChecked(true);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    return box;
}

QWidget* FrmDessin::buildExamplesGroup() {
    auto* box = new QGroupBox("Examples...", this);
    box->setObjectName("ExamplesFrame");
    auto* grid = new QGridLayout(box);

    m_defilementH1 = new QScrollBar(Qt::Horizontal, box);
    m_defilementH1->setObjectName("DefilementH1");
    m_defilementH1->setRange(0, 0);
    m_defilementH1->setPageStep(1);
    m_defilementH1->setToolTip("Browse the examples saved in ZEFRON.TMP");
    connect(m_defilementH1, &QScrollBar::valueChanged, this, [this] { DefilementH1_Change(); });
    grid->addWidget(m_defilementH1, 0, 0, 1, 5);

    grid->addWidget(new QLabel("Example", box), 1, 0);
    QLineEdit* number =
        makeBox(BoxFamily::Texte3, 7, "Numbering (automatically saved if replave is not checked)");
    grid->addWidget(number, 1, 1);
    grid->addWidget(new QLabel("max", box), 1, 2);
    QLineEdit* max = makeBox(BoxFamily::Texte3, 8);
    max->setReadOnly(true); // the memo's count, never typed
    grid->addWidget(max, 1, 3);
    auto* replace = new QCheckBox("Replace", box);
    replace->setObjectName(controlName(BoxFamily::Coche1, 5));
    replace->setToolTip("Check this box to replace the current settings in this exemple number");
    m_coche1[5] = replace;
    connect(replace, &QCheckBox::clicked, this, [this](bool) { Coche1_Click(5); });
    grid->addWidget(replace, 1, 4);

    m_comment = new QPlainTextEdit(box);
    m_comment->setObjectName("Texte3_9");
    m_comment->setToolTip("put here some comments");
    m_comment->setTabChangesFocus(true);
    m_comment->setFixedHeight(m_comment->fontMetrics().lineSpacing() * 3 + 12);
    m_comment->viewport()->setMouseTracking(true);
    m_comment->viewport()->installEventFilter(this);
    connect(m_comment, &QPlainTextEdit::textChanged, this, [this] {
        if (m_syncing) return;
        m_model.setText(BoxFamily::Texte3, 9, commentForCase(m_comment->toPlainText()));
    });
    grid->addWidget(m_comment, 2, 0, 1, 5);

    grid->addWidget(smallLabel("InternalMemorisationOption5", box), 3, 0, 1, 3);
    QLineEdit* memoOption = makeBox(BoxFamily::Texte3, 15, kPauseTimeTooltip);
    grid->addWidget(memoOption, 3, 3, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return box;
}

QWidget* FrmDessin::buildDrawingGroup() {
    auto* box = new QGroupBox("Drawing", this);
    box->setObjectName("DrawingFrame");
    auto* layout = new QVBoxLayout(box);

    struct Check {
        int index;
        const char* text;
        const char* tooltip;
    };
    const Check checks[] = {
        {1, "Cubic Visualisation",
         "A famous visualisation feature for 3DD (3 dynamic dimensions) ie 4D drawings"},
        {4, "Draw the velocity, magnetic  electric fields ", nullptr},
        {3, "Draw of Fields : automatic scale", nullptr},
        {7, "Draw the magnetic field lines", nullptr},
        {0, "No print", nullptr},
        {6, "Options/Colors", nullptr},
    };
    auto* grid = new QGridLayout;
    int n = 0;
    for (const Check& c : checks) {
        auto* check = new QCheckBox(c.text, box);
        check->setObjectName(controlName(BoxFamily::Coche1, c.index));
        if (c.tooltip) check->setToolTip(c.tooltip);
        m_coche1[static_cast<std::size_t>(c.index)] = check;
        const int index = c.index;
        connect(check, &QCheckBox::clicked, this, [this, index](bool) { Coche1_Click(index); });
        grid->addWidget(check, n / 2, n % 2);
        ++n;
    }
    layout->addLayout(grid);

    auto* form = new QGridLayout;
    form->addWidget(new QLabel("Radius of circle shown (m)", box), 0, 0);
    form->addWidget(
        makeBox(BoxFamily::Texte3, 6,
                "The circle with such radius will be shown in the X,Y plane. A second circle at "
                "the initial radius is shown as well, or at R-15mm"),
        0, 1);
    form->addWidget(new QLabel("Plot points", box), 1, 0);
    form->addWidget(makeBox(BoxFamily::Texte3, 12), 1, 1);
    form->setColumnStretch(1, 1);
    layout->addLayout(form);

    m_coche2 = new QCheckBox("New window", box);
    m_coche2->setObjectName("Coche2");
    m_coche2->setEnabled(false);
    m_coche2->setToolTip("Redrawing in a new window is not available yet in this version.");
    layout->addWidget(m_coche2);

    // The options frame: vector amplifiers and the colour table.
    m_cadre8 = new QGroupBox("Options and Colors", box);
    m_cadre8->setObjectName("Cadre8");
    auto* options = new QVBoxLayout(m_cadre8);
    auto* amplifier = new QGroupBox("Amplifier of the field vectors drawing", m_cadre8);
    amplifier->setObjectName("AmplifierFrame");
    auto* ampLayout = new QVBoxLayout(amplifier);
    ampLayout->addWidget(vectorRow(BoxFamily::Texte4, 3, {"E", "B", "Velocity"}));
    options->addWidget(amplifier);

    auto* colours = new QGroupBox("Varyfrom  0 to 255 (max value)", m_cadre8);
    colours->setObjectName("ColourFrame");
    auto* cg = new QGridLayout(colours);
    const char* columns[] = {"Red", "Green", "Blue"};
    for (int c = 0; c < 3; ++c) cg->addWidget(columnLabel(columns[c], colours), 0, 1 + c);
    struct Row {
        const char* label;
        int first;
    };
    const Row rows[] = {{"Velocity", 15}, {"B field", 12}, {"E field", 9}, {"Trajectory", 6}};
    for (int r = 0; r < 4; ++r) {
        cg->addWidget(new QLabel(rows[r].label, colours), r + 1, 0);
        for (int c = 0; c < 3; ++c) {
            cg->addWidget(makeBox(BoxFamily::Texte4, rows[r].first + c), r + 1, 1 + c);
        }
        auto* swatch = new QLabel(colours);
        swatch->setObjectName(QString("Swatch_%1").arg(rows[r].first));
        swatch->setFixedSize(18, 18);
        m_swatches[static_cast<std::size_t>(r)] = swatch;
        cg->addWidget(swatch, r + 1, 4);
    }
    for (int c = 1; c <= 3; ++c) cg->setColumnStretch(c, 1);
    options->addWidget(colours);
    layout->addWidget(m_cadre8);
    m_cadre8->hide();
    return box;
}

QWidget* FrmDessin::buildOrbitalGroup() {
    auto* box = new QGroupBox("Thrust (orbital computations)", this);
    box->setObjectName("ThrustFrame");
    auto* layout = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    m_option2 = new QRadioButton("Poussee ON", box);
    m_option2->setObjectName("Option2");
    m_option3 = new QRadioButton("Poussee OFF", box);
    m_option3->setObjectName("Option3");
    group->addButton(m_option2);
    group->addButton(m_option3);
    m_option3->setChecked(true);
    m_coche4 = new QCheckBox("poussée variable%soleil", box);
    m_coche4->setObjectName("Coche4");
    layout->addWidget(m_option2);
    layout->addWidget(m_option3);
    layout->addWidget(m_coche4);
    layout->addStretch(1);
    return box;
}

QWidget* FrmDessin::buildCommandRow() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    m_cmdConfig = new QPushButton("Config. Data", panel);
    m_cmdConfig->setObjectName("CmdConfig");
    m_cmdConfig->setToolTip("Show the working folder and the working files");
    connect(m_cmdConfig, &QPushButton::clicked, this, &FrmDessin::CmdConfig_Click);
    m_commande11 = new QPushButton("kelaxes", panel);
    m_commande11->setObjectName("Commande11");
    m_commande11->setEnabled(false);
    m_commande11->setToolTip("The axes library test is not available yet in this version.");
    m_cmdImprime = new QPushButton("Impression tout", panel);
    m_cmdImprime->setObjectName("CmdImprime");
    m_cmdImprime->setEnabled(false);
    m_cmdImprime->setToolTip("Printing everything is not available in this version; save the "
                             "scene as an image from the Vue menu.");
    m_cmdFinMirav = new QPushButton("Quit", panel);
    m_cmdFinMirav->setObjectName("CmdFinMirav");
    connect(m_cmdFinMirav, &QPushButton::clicked, this, &FrmDessin::CmdFinMirav_Click);
    row->addWidget(m_cmdConfig);
    row->addWidget(m_commande11);
    row->addWidget(m_cmdImprime);
    row->addStretch(1);
    row->addWidget(m_cmdFinMirav);
    layout->addLayout(row);

    m_txtVer = fixedPitchBox("TxtVer", panel);
    const QString version = QCoreApplication::applicationVersion();
    m_txtVer->setPlainText(QString("Gyrotrace %1  (Qt %2)")
                               .arg(version.isEmpty() ? QString("-") : version, qVersion()));
    m_txtVer->setFixedHeight(m_txtVer->fontMetrics().lineSpacing() + 12);
    m_txtVer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_txtVer->viewport()->installEventFilter(this);
    layout->addWidget(m_txtVer);
    return panel;
}

QWidget* FrmDessin::buildResultsPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("ResultsPanel");
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    m_warning = fixedPitchBox("Warning", panel);
    m_warning->setToolTip("Messages of the computations (newest on top)");
    m_warning->viewport()->installEventFilter(this);
    layout->addWidget(m_warning, 3);

    m_resultsPane = new QWidget(panel);
    auto* results = new QVBoxLayout(m_resultsPane);
    results->setContentsMargins(0, 0, 0, 0);
    m_txtRES = fixedPitchBox("txtRES", m_resultsPane);
    m_txtRES->viewport()->installEventFilter(this);
    results->addWidget(m_txtRES, 1);
    m_commande1 = new QPushButton("Ferme Result", m_resultsPane);
    m_commande1->setObjectName("Commande1");
    connect(m_commande1, &QPushButton::clicked, this, &FrmDessin::Commande1_Click);
    results->addWidget(m_commande1, 0, Qt::AlignRight);
    layout->addWidget(m_resultsPane, 2);
    m_resultsPane->hide();
    return panel;
}

// ---------------------------------------------------------------------------------------------
// Mirroring the case

void FrmDessin::boxEdited(BoxFamily family, int index, const QString& text) {
    if (m_syncing) return;
    m_model.setText(family, index, text.toStdString());
}

void FrmDessin::showCaseValue(BoxFamily family, int index) {
    const auto at = static_cast<std::size_t>(index);
    m_syncing = true;
    switch (family) {
    case BoxFamily::Texte3:
        if (index == 9 && m_comment) {
            const QString shown = commentForDisplay(m_model.Texte3(9));
            if (m_comment->toPlainText() != shown) m_comment->setPlainText(shown);
        } else if (at < m_texte3.size() && m_texte3[at]) {
            const QString text = toQt(m_model.Texte3(index));
            if (m_texte3[at]->text() != text) m_texte3[at]->setText(text);
        }
        break;
    case BoxFamily::Texte4:
        if (at < m_texte4.size() && m_texte4[at]) {
            const QString text = toQt(m_model.Texte4(index));
            if (m_texte4[at]->text() != text) m_texte4[at]->setText(text);
        }
        break;
    case BoxFamily::Texte6:
        if (at < m_texte6.size() && m_texte6[at]) {
            const QString text = toQt(m_model.Texte6(index));
            if (m_texte6[at]->text() != text) m_texte6[at]->setText(text);
        }
        break;
    case BoxFamily::Texte7:
        if (m_texte7 && m_texte7->text() != toQt(m_model.Texte7())) {
            m_texte7->setText(toQt(m_model.Texte7()));
        }
        break;
    case BoxFamily::Option4:
    case BoxFamily::Option5: {
        QRadioButton* option = nullptr;
        if (family == BoxFamily::Option4 && at < m_option4.size()) option = m_option4[at];
        if (family == BoxFamily::Option5 && at < m_option5.size()) option = m_option5[at];
        const bool on = m_model.state(family, index) != 0;
        if (option && option->isChecked() != on) {
            // An exclusive group refuses to clear its checked button: a case may select none.
            QButtonGroup* group = option->group();
            if (group) group->setExclusive(false);
            option->setChecked(on);
            if (group) group->setExclusive(true);
        }
        break;
    }
    case BoxFamily::Coche1:
        if (at < m_coche1.size() && m_coche1[at]) {
            m_coche1[at]->setChecked(m_model.Coche1(index) != 0);
        }
        break;
    }
    m_syncing = false;
}

void FrmDessin::modelChanged(BoxFamily family, int index) {
    showCaseValue(family, index);
    if (family == BoxFamily::Option4) updateShapeFrames();
    if (family == BoxFamily::Coche1 && index == 6) m_cadre8->setVisible(m_model.Coche1(6) != 0);
    if (family == BoxFamily::Coche1 && index == 0 && m_model.Coche1(0) == 0 && m_noPrintHidden) {
        m_coche1[0]->show();
        m_noPrintHidden = false;
    }
    if (family == BoxFamily::Texte4 && index >= 6 && index <= 17) updateColourSwatches();
}

void FrmDessin::showWholeCase() {
    for (int i = 0; i < CaseModel::kSlots; ++i) {
        showCaseValue(BoxFamily::Texte3, i);
        showCaseValue(BoxFamily::Texte4, i);
        showCaseValue(BoxFamily::Texte6, i);
        if (i < 5) showCaseValue(BoxFamily::Option4, i);
        if (i < 3) showCaseValue(BoxFamily::Option5, i);
        if (i < 8) showCaseValue(BoxFamily::Coche1, i);
    }
    showCaseValue(BoxFamily::Texte7, 0);
    updateShapeFrames();
    m_cadre8->setVisible(m_model.Coche1(6) != 0);
    updateColourSwatches();
}

void FrmDessin::updateShapeFrames() {
    m_cadre3->setVisible(m_model.Option4(2));
    m_cadre4->setVisible(m_model.Option4(3));
    m_cadre5->setVisible(m_model.Option4(4));
    m_labelB0->setVisible(m_model.Option4(0) || m_model.Option4(1));
}

void FrmDessin::updateColourSwatches() {
    const int firsts[] = {15, 12, 9, 6};
    for (int r = 0; r < 4; ++r) {
        auto channel = [this](int i) {
            return std::clamp(static_cast<int>(std::abs(std::trunc(m_model.Texte4Value(i)))), 0,
                              255);
        };
        const int f = firsts[r];
        const QColor c(channel(f), channel(f + 1), channel(f + 2));
        m_swatches[static_cast<std::size_t>(r)]->setStyleSheet(
            QString("background: %1; border: 1px solid palette(dark);").arg(c.name()));
    }
}

// ---------------------------------------------------------------------------------------------
// Load and handlers

void FrmDessin::Form_Load() {
    if (!m_loaded) {
        m_loaded = true;
        Demarrage({}, StartupMode::Interactive);
        m_texte1->setText(toQt(Site.currentFolder));
        m_memo = std::make_unique<CaseMemo>();
    }
    show();
    DefilementH1_Change();
    // The derived values of the case as it opens (cyclotron frequency, Larmor diameter, energy).
    SpeciesRefresh(10);
}

void FrmDessin::Commande14_Click() {
    SpeciesRefresh(10);
    RunRecord& record = runRecord();
    record.noPrint = m_model.Coche1(0) != 0 ? 1 : 0;
    record.cubicView = m_model.Coche1(1) != 0 ? 1 : 0;
    if (m_model.Coche1(0) != 0) {
        m_coche1[0]->hide();
        m_noPrintHidden = true;
    }
    m_commande14->setText("Run Gyrotrace");
    m_commande14->hide();
    m_commande2->show();

    if (!m_memo) m_memo = std::make_unique<CaseMemo>();
    if (m_model.Coche1(5) == 0) {
        // A new example number, above every example the memo holds.
        const double next = std::max(m_model.Texte3Value(8), m_memo->count()) + 1;
        m_model.setText(BoxFamily::Texte3, 8, FormatGeneral(next));
        m_model.setText(BoxFamily::Texte3, 7, FormatGeneral(next));
    }
    double number = m_model.Texte3Value(7);
    m_memo->Memo("sauve", number, m_model);
    if (!m_memo->lastError().empty()) AlerteCalcul("_Memofaute " + m_memo->lastError());
    // The scroll bar reaches the new example (without loading it).
    applySelector(m_memo->count(), number);

    if (m_commande2->text() == "Continue") Commande2_Click();
    // An abandon asked while no run was in progress must not end this run at its first pause.
    if (!m_driver->running()) m_driver->setOtherCase(false);

    m_driver->RunTrajectory();
    if (m_driver->running()) {
        m_sliceTimer->setInterval(0);
        m_sliceTimer->start();
        m_displayTimer->start();
        refreshDisplay();
    } else {
        showRunButtons();
    }
}

void FrmDessin::Commande2_Click() {
    if (!m_driver->paused()) {
        m_commande2->setText("Continue");
        m_driver->setPaused(true);
    } else {
        m_commande2->setText("Pause");
        m_driver->setPaused(false);
    }
    refreshDisplay();
}

void FrmDessin::Commande3_Click() {
    if (!m_driver->otherCase()) {
        m_driver->setOtherCase(true);
        m_commande14->show();
        m_commande2->hide();
    } else {
        m_driver->setOtherCase(false);
        m_commande2->show();
    }
}

void FrmDessin::Commande1_Click() {
    m_commande1->setText("Fermer Résultats");
    m_resultsPane->hide();
}

void FrmDessin::Option5_Click(int index) {
    m_model.select(BoxFamily::Option5, index);
    m_model.setText(BoxFamily::Texte3, 15, std::to_string(index));
    SpeciesRefresh(10);
}

void FrmDessin::Option4_Click(int index) {
    m_model.select(BoxFamily::Option4, index);
    updateShapeFrames();
}

void FrmDessin::Coche1_Click(int index) {
    const auto at = static_cast<std::size_t>(index);
    m_model.setState(BoxFamily::Coche1, index, m_coche1[at]->isChecked() ? 1 : 0);
    SpeciesRefresh(10);
    runRecord().cubicView = m_model.Coche1(1) != 0 ? 1 : 0;
    m_cadre8->setVisible(m_model.Coche1(6) != 0);
    if (index != 2) return;

    // The drift read-out: the guiding-centre velocity at the typed position.
    const Vecteur3 R(m_model.Texte3Value(0), m_model.Texte3Value(1), m_model.Texte3Value(2));
    Vecteur3 E, B;
    Champ(R, E, B);
    if (m_model.Coche1(2) != 0) {
        // E x B drift: Vd = (E x B) / |B|^2.
        Vecteur3 ExB;
        ProdVect(E, B, ExB);
        double b2 = ProdScal(B, B);
        if (b2 == 0) b2 = 1;
        for (int i = 0; i < 3; ++i) {
            m_model.setText(BoxFamily::Texte3, 3 + i, FormatGeneral(ExB(i + 1) / b2));
        }
    } else {
        // Drift speed |E|/|B| along x, through the cyclotron frequency of a positive charge.
        const double e = normseule(E);
        const double b = normseule(B);
        const double omega = 1.6e-19 * b / 9.1e-31;
        if (omega == 0 || !std::isfinite(omega) || !std::isfinite(e)) {
            AlerteCalcul("_Coche1_Clickfaute division par zero");
            return;
        }
        const double vd = 1.6e-19 * e / omega / 9.1e-31;
        m_model.setText(BoxFamily::Texte3, 3, FormatGeneral(vd));
        m_model.setText(BoxFamily::Texte3, 4, "0");
        m_model.setText(BoxFamily::Texte3, 5, "0");
    }
}

void FrmDessin::Texte3_MouseMove(int index) {
    SpeciesRefresh(index);
}

void FrmDessin::Texte3_Change(int index) {
    EnergyEdit(index);
}

void FrmDessin::DefilementH1_Change() {
    if (m_model.tag(kScrollTag) == kNoChange) return;
    if (!m_memo) return; // nothing to load before the window's load
    double number = m_defilementH1->value();
    const CaseMemo::Selector selector = m_memo->Memo("charge", number, m_model);
    if (selector.moved) applySelector(selector.maximum, selector.value);
    if (m_model.Texte3Value(13) > 0) showPauseTime(true);
    const double species = m_model.Texte3Value(15);
    if (species >= 0 && species < CaseModel::kSpecies && !m_model.Texte3(15).empty()) {
        m_model.select(BoxFamily::Option5, static_cast<int>(species));
    }
}

void FrmDessin::applySelector(double maximum, double value) {
    std::string& tag = m_model.tag(kScrollTag);
    tag = kNoChange;
    const int max = static_cast<int>(maximum);
    m_defilementH1->setRange(max >= 1 ? 1 : 0, std::max(0, max));
    m_defilementH1->setValue(static_cast<int>(value));
    m_model.tag(kScrollTag).clear();
}

void FrmDessin::Texte1_Click() {
    showPauseTime(true);
}

void FrmDessin::Etiquette3_Click() {
    showPauseTime(false);
}

void FrmDessin::showPauseTime(bool visible) {
    m_pauseTimeRow->setVisible(visible);
}

void FrmDessin::showRunButtons() {
    m_commande14->show();
    m_commande2->hide();
}

void FrmDessin::showResults(const QString& text) {
    m_txtRES->setPlainText(QString(text).replace("\r\n", "\n"));
    m_commande1->setText("Ferme Result");
    m_resultsPane->show();
    m_txtRES->raise();
}

void FrmDessin::CmdConfig_Click() {
    showResults(toQt(ConfigurationText(ReadConfiguration())));
}

void FrmDessin::MnuConfiguration_Click() {
    Demarrage({}, StartupMode::Interactive);
    showResults(toQt(ConfigurationText(Site)));
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
    m_cmdFinMirav->setText("Quitter Mirav");
    endProgram();
}

void FrmDessin::endProgram() {
    m_sliceTimer->stop();
    m_displayTimer->stop();
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

// ---------------------------------------------------------------------------------------------
// Runs

void FrmDessin::sliceTick() {
    const RunDriver::Slice slice = m_driver->advance(kSliceBudget);
    m_waiting = slice.waiting;
    if (!slice.active) {
        m_sliceTimer->stop();
        return;
    }
    // A waiting run (paused, or past its pause time) is polled gently; a speed-limited run
    // often enough to stay smooth; a free run as often as the event loop allows.
    int interval = 0;
    if (slice.waiting) {
        interval = 20;
    } else if (m_driver->speed() > 0) {
        interval = 4;
    }
    if (m_sliceTimer->interval() != interval) m_sliceTimer->setInterval(interval);
}

void FrmDessin::refreshDisplay() {
    m_texte1->setText(toQt(FormatGeneral(m_driver->time())));
    QString state;
    if (!m_driver->running()) {
        state = "Ready";
    } else if (m_driver->paused()) {
        state = "Paused";
    } else if (m_waiting) {
        state = "Waiting at the maximum time (type a later time to go on)";
    } else {
        state = "Running";
    }
    if (m_driver->running() || m_driver->acceptedSteps() > 0) {
        state += QString("   ·   %1 steps   ·   %2 points in the scene")
                     .arg(QLocale(QLocale::English)
                              .toString(static_cast<qulonglong>(m_driver->acceptedSteps())))
                     .arg(QLocale(QLocale::English)
                              .toString(static_cast<qulonglong>(m_traceur->pointCount())));
        if (m_driver->depth() > 1) state += QString("   ·   %1 nested runs").arg(m_driver->depth());
    }
    m_status->setText(state);
}

void FrmDessin::runEnded() {
    if (m_driver->running()) return;
    m_displayTimer->stop();
    showRunButtons();
    refreshDisplay();
}

// ---------------------------------------------------------------------------------------------
// Warning log

void FrmDessin::refreshWarning() {
    // Only the lines added since the last refresh are put on top, and the box keeps the newest
    // kWarningLines: a run that logs at every step costs the window a few lines per refresh,
    // not a rewrite of the whole log. Counts are taken over the whole log (the report drops its
    // oldest lines on a long run).
    const ErrorReport& report = ErrorReport::instance();
    const std::vector<std::string>& lines = report.lines();
    const std::size_t total = report.totalLines();
    if (total == m_warningShown) return;
    if (total < m_warningShown || m_warningShown == 0) {
        // The log was cleared, or this is its first line: start the box afresh.
        m_warningShown = 0;
        m_warning->clear();
    }
    const std::size_t first = std::max(
        {m_warningShown, total > kWarningLines ? total - kWarningLines : 0, report.droppedLines()});
    QString added;
    for (std::size_t i = total; i-- > first;) {
        added += QString::fromStdString(lines[i - report.droppedLines()]);
        added += '\n';
    }
    QTextCursor cursor(m_warning->document());
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(added);
    const int excess = m_warning->document()->blockCount() - 1 - static_cast<int>(kWarningLines);
    if (excess > 0) {
        // Drop the oldest lines at the bottom (the last block is the empty one after the final
        // line break).
        QTextBlock keep = m_warning->document()->findBlockByNumber(static_cast<int>(kWarningLines));
        QTextCursor tail(m_warning->document());
        tail.setPosition(keep.position());
        tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        tail.removeSelectedText();
    }
    m_warning->moveCursor(QTextCursor::Start);
    m_warningShown = total;
    Warning_Change();
}

void FrmDessin::Warning_Change() {
    // Each new message changes the box's colours, so that a new line catches the eye: purple on
    // light cyan, then red on light orange.
    ++m_warningChanges;
    const bool odd = (m_warningChanges % 2) != 0;
    const QColor text = odd ? QColor(255, 0, 0) : QColor(128, 0, 128);
    const QColor back = odd ? QColor(255, 192, 128) : QColor(192, 255, 255);
    m_warning->setStyleSheet(
        QString("QPlainTextEdit { color: %1; background: %2; }").arg(text.name(), back.name()));
}

// ---------------------------------------------------------------------------------------------
// Events

bool FrmDessin::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        for (int i = 0; i < CaseModel::kSlots; ++i) {
            if (m_texte3[static_cast<std::size_t>(i)] == watched) {
                Texte3_MouseMove(i);
                return false;
            }
        }
        if (m_comment && watched == m_comment->viewport()) {
            Texte3_MouseMove(9);
        } else if (watched == m_txtRES->viewport()) {
            m_txtRES->raise();
        } else if (watched == m_txtVer->viewport()) {
            m_txtVer->raise();
        } else if (watched == m_warning->viewport()) {
            m_warning->raise();
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (watched == m_texte1) {
            Texte1_Click();
        } else if (watched == m_etiquette3) {
            Etiquette3_Click();
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

int FrmDessin::rungeChoice() const {
    return m_option1[0]->isChecked() ? 0 : 1;
}

} // namespace gyro
