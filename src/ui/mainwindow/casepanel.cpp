// The case panels of the main window.
#include "ui/mainwindow/casepanel.h"

#include "ui/mainwindow/caseboxes.h"
#include "ui/mainwindow/drawingpanel.h"
#include "ui/mainwindow/fieldmapframe.h"
#include "ui/mainwindow/widgetkit.h"

#include "simulation/caseslots.h"
#include "simulation/gyration.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace gyro {

namespace {
// Row of the Runge options in the Integration group: below the error limit and two free rows.
constexpr int kOptionRow = 3;
} // namespace

CasePanel::CasePanel(CaseModel& model, CaseBoxes& boxes, QWidget* parent)
    : QWidget(parent), m_model(model), m_boxes(boxes) {
    setObjectName("CasePanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(buildParticleGroup());
    layout->addWidget(buildFieldGroup());
    layout->addWidget(buildIntegrationGroup());
    layout->addWidget(buildExamplesGroup());
    m_drawing = new DrawingPanel(model, boxes, this);
    layout->addWidget(m_drawing);
    layout->addWidget(buildOrbitalGroup());
    connect(&m_boxes, &CaseBoxes::caseChanged, this, [this](BoxFamily family, int index) {
        if (family == BoxFamily::Option4) updateShapeFrames();
        if (family == BoxFamily::Texte3 && index == slot::kFieldMapPath) m_mapFrame->refresh();
        if (family == BoxFamily::Option5) updateEnergyCaption();
    });
    updateShapeFrames();
    updateEnergyCaption();
}

QWidget* CasePanel::buildParticleGroup() {
    auto* box = new QGroupBox("Particle and initial state", this);
    box->setObjectName("ParticleFrame");
    auto* layout = new QVBoxLayout(box);

    auto* species = new QHBoxLayout;
    auto* group = new QButtonGroup(box);
    const char* names[] = {"Electron", "Proton", "Ion xenon"};
    for (int i = 0; i < CaseModel::kSpecies; ++i) {
        QRadioButton* option = m_boxes.makeOption(box, BoxFamily::Option5, i, names[i]);
        group->addButton(option, i);
        species->addWidget(option);
    }
    species->addStretch(1);
    layout->addLayout(species);

    layout->addWidget(new QLabel("Position x, y,z (m)", box));
    layout->addWidget(m_boxes.vectorRow(box, BoxFamily::Texte3, slot::kX, {"x", "y", "z"}));
    layout->addWidget(new QLabel("Velocity x, y,z (m/s)", box));
    layout->addWidget(m_boxes.vectorRow(box, BoxFamily::Texte3, slot::kVx, {"Vx", "Vy", "Vz"}));
    for (int i = 0; i < 3; ++i) {
        m_boxes.box(BoxFamily::Texte3, slot::kX + i)
            ->setToolTip("Specify the location of the electron");
        m_boxes.box(BoxFamily::Texte3, slot::kVx + i)
            ->setToolTip("Specify the velocity of the electron (see also its energy in eV in the "
                         "options)");
    }

    auto* grid = new QGridLayout;
    m_energyLabel = new QLabel(box);
    m_energyLabel->setObjectName("EnergyLabel");
    grid->addWidget(m_energyLabel, 0, 0);
    grid->addWidget(m_boxes.makeBox(box, BoxFamily::Texte3, slot::kEnergy), 0, 1);
    grid->addWidget(new QLabel("Cyclotron frequency (Hz)", box), 1, 0);
    grid->addWidget(m_boxes.makeBox(box, BoxFamily::Texte3, slot::kCyclotronFrequency), 1, 1);
    grid->addWidget(new QLabel("Larmor diameter(m)", box), 2, 0);
    grid->addWidget(m_boxes.makeBox(box, BoxFamily::Texte3, slot::kLarmorDiameter), 2, 1);
    for (int i : {slot::kCyclotronFrequency, slot::kLarmorDiameter}) {
        // Computed values: shown, not typed.
        m_boxes.box(BoxFamily::Texte3, i)->setReadOnly(true);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addWidget(
        m_boxes.makeCheck(box, slot::kDriftReadout, "drift velocity Vd=F^B/qB\nF=qE"));
    return box;
}

QWidget* CasePanel::buildFieldGroup() {
    auto* box = new QGroupBox("Fields", this);
    box->setObjectName("FieldFrame");
    auto* layout = new QVBoxLayout(box);

    layout->addWidget(new QLabel("Electric field E (V/m)", box));
    layout->addWidget(m_boxes.vectorRow(box, BoxFamily::Texte4, slot::kEx, {"Ex", "Ey", "Ez"}));
    m_labelB0 = new QLabel("Magnetic field B (Tesla) at x=.05, y=z=0", box);
    m_labelB0->setObjectName("LabelB0");
    layout->addWidget(m_labelB0);
    layout->addWidget(m_boxes.vectorRow(box, BoxFamily::Texte6, slot::kBx, {"Bx", "By", "Bz"}));

    auto* shapeFrame = new QGroupBox("Magnetic field B shape", box);
    shapeFrame->setObjectName("ShapeFrame");
    auto* shapes = new QGridLayout(shapeFrame);
    auto* group = new QButtonGroup(shapeFrame);
    const char* names[] = {"Cylindrical field", "Uniform field",       "Dipôle field variable",
                           "Dipôle field",      "Double dipôle field", "Field map"};
    for (int i = slot::kCylindrical; i <= slot::kFieldMap; ++i) {
        QRadioButton* option = m_boxes.makeOption(shapeFrame, BoxFamily::Option4, i, names[i]);
        group->addButton(option, i);
        shapes->addWidget(option, i / 2, i % 2);
    }
    layout->addWidget(shapeFrame);
    buildShapeFrames(box);
    layout->addWidget(m_cadre3);
    layout->addWidget(m_cadre4);
    layout->addWidget(m_cadre5);
    m_mapFrame = new FieldMapFrame(m_model, box);
    layout->addWidget(m_mapFrame);
    return box;
}

void CasePanel::buildShapeFrames(QWidget* box) {
    // Parameter P<k> of the shapes is box Texte6(kParam0 + k).
    auto param = [this](QWidget* parent, int k) {
        return m_boxes.makeBox(parent, BoxFamily::Texte6, slot::kParam0 + k);
    };
    // Radial field in 1/rho with a quadratic law along z and curved field lines.
    m_cadre3 = new QGroupBox("Magnetic field radial axis eZ (vary in 1/r", box);
    m_cadre3->setObjectName("Cadre3");
    auto* g3 = new QGridLayout(m_cadre3);
    const char* p3[] = {"z scale 1 (m)", "z scale 2 (m)", "B at z=0, R milieu (T)", "B law 2 (T)",
                        "R milieu"};
    for (int k = 0; k < 5; ++k) {
        g3->addWidget(new QLabel(p3[k], m_cadre3), k, 0);
        g3->addWidget(param(m_cadre3, k), k, 1);
    }
    g3->setColumnStretch(1, 1);

    // One inclined point dipole at the origin.
    m_cadre4 = new QGroupBox("Magnetic field dipôle", box);
    m_cadre4->setObjectName("Cadre4");
    auto* g4 = new QGridLayout(m_cadre4);
    g4->addWidget(new QLabel("Moment magn. A.m²   (selon eZ)", m_cadre4), 0, 0);
    g4->addWidget(param(m_cadre4, 5), 0, 1);
    g4->addWidget(new QLabel("Inclinaison % ez (deg)", m_cadre4), 1, 0);
    g4->addWidget(param(m_cadre4, 11), 1, 1);
    g4->setColumnStretch(1, 1);

    // A centre dipole and a peripheral one on the ring of radius P8.
    m_cadre5 = new QGroupBox("Magnetic field from a double dipôle (type SPT)", box);
    m_cadre5->setObjectName("Cadre5");
    auto* g5 = new QGridLayout(m_cadre5);
    g5->addWidget(columnLabel("Centre", m_cadre5), 0, 1);
    g5->addWidget(columnLabel("Peripheral", m_cadre5), 0, 2);
    g5->addWidget(new QLabel("Moment magn. A.m² (selon Z)", m_cadre5), 1, 0);
    g5->addWidget(param(m_cadre5, 6), 1, 1);
    g5->addWidget(param(m_cadre5, 7), 1, 2);
    g5->addWidget(new QLabel("Inclin deg", m_cadre5), 2, 0);
    g5->addWidget(param(m_cadre5, 9), 2, 1);
    g5->addWidget(param(m_cadre5, 10), 2, 2);
    g5->addWidget(new QLabel("dist. between dipôles (m)", m_cadre5), 3, 0);
    g5->addWidget(param(m_cadre5, 8), 3, 1);
    g5->setColumnStretch(1, 1);
    g5->setColumnStretch(2, 1);
}

QWidget* CasePanel::buildIntegrationGroup() {
    auto* box = new QGroupBox("Integration", this);
    box->setObjectName("IntegrationFrame");
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel("Error maxi Runge Kutta (m)", box), 0, 0);
    grid->addWidget(m_boxes.makeBox(box, BoxFamily::Texte7, 0), 0, 1, 1, 2);
    const char* names[] = {"Runge Rapide", "Runge Précis"};
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(names[i], box);
        option->setObjectName(QString("Option1_%1").arg(i));
        m_option1[static_cast<std::size_t>(i)] = option;
        group->addButton(option, i);
        grid->addWidget(option, kOptionRow, 1 + i);
    }
    m_option1[1]->setChecked(true);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    m_integrationGrid = grid;
    return box;
}

void CasePanel::addIntegrationRows(QWidget* hint, QWidget* method) {
    // The rows between the error limit and the Runge options are left free for these; an empty
    // grid row takes no room.
    m_integrationGrid->addWidget(hint, kOptionRow - 2, 0, 1, 3);
    m_integrationGrid->addWidget(method, kOptionRow - 1, 0, 1, 3);
}

QWidget* CasePanel::buildExamplesGroup() {
    auto* box = new QGroupBox("Examples...", this);
    box->setObjectName("ExamplesFrame");
    auto* grid = new QGridLayout(box);

    m_defilementH1 = new QScrollBar(Qt::Horizontal, box);
    m_defilementH1->setObjectName("DefilementH1");
    m_defilementH1->setRange(0, 0);
    m_defilementH1->setPageStep(1);
    m_defilementH1->setToolTip("Browse the examples saved in ZEFRON.TMP");
    connect(m_defilementH1, &QScrollBar::valueChanged, this, [this] {
        if (!m_selecting) emit exampleChosen();
    });
    grid->addWidget(m_defilementH1, 0, 0, 1, 5);

    grid->addWidget(new QLabel("Example", box), 1, 0);
    grid->addWidget(m_boxes.makeBox(box, BoxFamily::Texte3, slot::kExampleNumber,
                                    "Numbering (automatically saved if replave is not checked)"),
                    1, 1);
    grid->addWidget(new QLabel("max", box), 1, 2);
    QLineEdit* max = m_boxes.makeBox(box, BoxFamily::Texte3, slot::kExampleMax);
    max->setReadOnly(true); // the memo's count, never typed
    grid->addWidget(max, 1, 3);
    QCheckBox* replace = m_boxes.makeCheck(box, slot::kReplace, "Replace");
    replace->setToolTip("Check this box to replace the current settings in this exemple number");
    grid->addWidget(replace, 1, 4);

    QPlainTextEdit* comment = m_boxes.makeComment(box);
    comment->setToolTip("put here some comments");
    comment->setTabChangesFocus(true);
    comment->setFixedHeight(comment->fontMetrics().lineSpacing() * 3 + 12);
    grid->addWidget(comment, 2, 0, 1, 5);

    grid->addWidget(smallLabel("InternalMemorisationOption5", box), 3, 0, 1, 3);
    grid->addWidget(m_boxes.makeBox(box, BoxFamily::Texte3, slot::kSpeciesMemo, kPauseTimeTooltip),
                    3, 3, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return box;
}

QWidget* CasePanel::buildOrbitalGroup() {
    auto* box = new QGroupBox("Thrust (orbital computations)", this);
    box->setObjectName("ThrustFrame");
    auto* layout = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    auto* on = new QRadioButton("Poussee ON", box);
    on->setObjectName("Option2");
    auto* off = new QRadioButton("Poussee OFF", box);
    off->setObjectName("Option3");
    group->addButton(on);
    group->addButton(off);
    off->setChecked(true);
    auto* variable = new QCheckBox("poussée variable%soleil", box);
    variable->setObjectName("Coche4");
    layout->addWidget(on);
    layout->addWidget(off);
    layout->addWidget(variable);
    layout->addStretch(1);
    return box;
}

void CasePanel::updateShapeFrames() {
    m_cadre3->setVisible(m_model.Option4(slot::kRadial));
    m_cadre4->setVisible(m_model.Option4(slot::kDipole));
    m_cadre5->setVisible(m_model.Option4(slot::kDoubleDipole));
    m_mapFrame->setVisible(m_model.Option4(slot::kFieldMap));
    m_labelB0->setVisible(m_model.Option4(slot::kCylindrical) || m_model.Option4(slot::kUniform));
}

int CasePanel::rungeChoice() const {
    return m_option1[0]->isChecked() ? 0 : 1;
}

void CasePanel::showExampleSelector(double maximum, double value) {
    m_selecting = true;
    const int max = static_cast<int>(maximum);
    m_defilementH1->setRange(max >= 1 ? 1 : 0, std::max(0, max));
    m_defilementH1->setValue(static_cast<int>(value));
    m_selecting = false;
}

void CasePanel::updateEnergyCaption() {
    // The energy box holds the kinetic energy of the selected species.
    m_energyLabel->setText(toQt(energyCaption(m_model.species())));
}

} // namespace gyro
