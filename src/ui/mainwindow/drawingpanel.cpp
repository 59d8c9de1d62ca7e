// The drawing options of the case.
#include "ui/mainwindow/drawingpanel.h"

#include "ui/mainwindow/caseboxes.h"
#include "ui/mainwindow/widgetkit.h"

#include "simulation/caseslots.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {
// The colour table: four colours of three components (red, green, blue) from Texte4(kColourTable).
struct ColourRow {
    const char* label;
    int first; // box of the red component
};
const ColourRow kColourRows[] = {{"Velocity", slot::kColourTable + 9},
                                 {"B field", slot::kColourTable + 6},
                                 {"E field", slot::kColourTable + 3},
                                 {"Trajectory", slot::kColourTable}};
constexpr int kColourBoxes = 12;
} // namespace

DrawingPanel::DrawingPanel(CaseModel& model, CaseBoxes& boxes, QWidget* parent)
    : QGroupBox("Drawing", parent), m_model(model), m_boxes(boxes) {
    setObjectName("DrawingFrame");
    auto* layout = new QVBoxLayout(this);

    struct Check {
        int index;
        const char* text;
        const char* tooltip;
    };
    const Check checks[] = {
        {slot::kCubicView, "Cubic Visualisation",
         "A famous visualisation feature for 3DD (3 dynamic dimensions) ie 4D drawings"},
        {slot::kDrawVectors, "Draw the velocity, magnetic  electric fields ", nullptr},
        {slot::kAutoScale, "Draw of Fields : automatic scale", nullptr},
        {slot::kFieldLines, "Draw the magnetic field lines", nullptr},
        {slot::kNoPrint, "No print", nullptr},
        {slot::kOptionsColours, "Options/Colors", nullptr},
    };
    auto* grid = new QGridLayout;
    int n = 0;
    for (const Check& c : checks) {
        QCheckBox* check = m_boxes.makeCheck(this, c.index, c.text);
        if (c.tooltip) check->setToolTip(c.tooltip);
        grid->addWidget(check, n / 2, n % 2);
        ++n;
    }
    layout->addLayout(grid);

    auto* form = new QGridLayout;
    form->addWidget(new QLabel("Radius of circle shown (m)", this), 0, 0);
    form->addWidget(
        m_boxes.makeBox(this, BoxFamily::Texte3, slot::kCircleRadius,
                        "The circle with such radius will be shown in the X,Y plane. A second "
                        "circle at the initial radius is shown as well, or at R-15mm"),
        0, 1);
    form->addWidget(new QLabel("Plot points", this), 1, 0);
    form->addWidget(m_boxes.makeBox(this, BoxFamily::Texte3, slot::kPlotPointCount), 1, 1);
    form->setColumnStretch(1, 1);
    layout->addLayout(form);

    auto* newWindow = new QCheckBox("New window", this);
    newWindow->setObjectName("Coche2");
    newWindow->setToolTip("Redraw the trajectory of the current run in the 3D graph window");
    connect(newWindow, &QCheckBox::clicked, this, &DrawingPanel::newWindowClicked);
    layout->addWidget(newWindow);

    // The options frame: vector amplifiers and the colour table.
    m_cadre8 = new QGroupBox("Options and Colors", this);
    m_cadre8->setObjectName("Cadre8");
    auto* options = new QVBoxLayout(m_cadre8);
    auto* amplifier = new QGroupBox("Amplifier of the field vectors drawing", m_cadre8);
    amplifier->setObjectName("AmplifierFrame");
    auto* ampLayout = new QVBoxLayout(amplifier);
    ampLayout->addWidget(
        m_boxes.vectorRow(amplifier, BoxFamily::Texte4, slot::kScaleE, {"E", "B", "Velocity"}));
    options->addWidget(amplifier);

    auto* colours = new QGroupBox("Varyfrom  0 to 255 (max value)", m_cadre8);
    colours->setObjectName("ColourFrame");
    auto* cg = new QGridLayout(colours);
    const char* columns[] = {"Red", "Green", "Blue"};
    for (int c = 0; c < 3; ++c) cg->addWidget(columnLabel(columns[c], colours), 0, 1 + c);
    for (int r = 0; r < 4; ++r) {
        const ColourRow& row = kColourRows[r];
        cg->addWidget(new QLabel(row.label, colours), r + 1, 0);
        for (int c = 0; c < 3; ++c) {
            cg->addWidget(m_boxes.makeBox(colours, BoxFamily::Texte4, row.first + c), r + 1, 1 + c);
        }
        auto* swatch = new QLabel(colours);
        swatch->setObjectName(QString("Swatch_%1").arg(row.first));
        swatch->setFixedSize(18, 18);
        m_swatches[static_cast<std::size_t>(r)] = swatch;
        cg->addWidget(swatch, r + 1, 4);
    }
    for (int c = 1; c <= 3; ++c) cg->setColumnStretch(c, 1);
    options->addWidget(colours);
    layout->addWidget(m_cadre8);
    m_cadre8->setVisible(m_model.Coche1(slot::kOptionsColours) != 0);
    updateSwatches();

    connect(&m_boxes, &CaseBoxes::caseChanged, this, &DrawingPanel::caseChanged);
}

void DrawingPanel::hideNoPrint() {
    m_boxes.check(slot::kNoPrint)->hide();
    m_noPrintHidden = true;
}

void DrawingPanel::caseChanged(BoxFamily family, int index) {
    if (family == BoxFamily::Coche1 && index == slot::kOptionsColours) {
        m_cadre8->setVisible(m_model.Coche1(slot::kOptionsColours) != 0);
    }
    if (family == BoxFamily::Coche1 && index == slot::kNoPrint &&
        m_model.Coche1(slot::kNoPrint) == 0 && m_noPrintHidden) {
        m_boxes.check(slot::kNoPrint)->show();
        m_noPrintHidden = false;
    }
    if (family == BoxFamily::Texte4 && index >= slot::kColourTable &&
        index < slot::kColourTable + kColourBoxes) {
        updateSwatches();
    }
}

void DrawingPanel::updateSwatches() {
    auto channel = [this](int i) {
        return std::clamp(static_cast<int>(std::abs(std::trunc(m_model.Texte4Value(i)))), 0, 255);
    };
    for (int r = 0; r < 4; ++r) {
        const int f = kColourRows[r].first;
        const QColor c(channel(f), channel(f + 1), channel(f + 2));
        m_swatches[static_cast<std::size_t>(r)]->setStyleSheet(
            QString("background: %1; border: 1px solid palette(dark);").arg(c.name()));
    }
}

} // namespace gyro
