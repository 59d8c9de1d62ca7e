// The drift physics group.
#include "ui/mainwindow/driftgroup.h"

#include "simulation/guidingcentre.h"
#include "ui/mainwindow/widgetkit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <cmath>

namespace gyro {

namespace {

QString number(double x) {
    return std::isfinite(x) ? QString::number(x, 'g', 4) : QString(QChar(0x2014));
}

} // namespace

DriftGroup::DriftGroup(QWidget* parent) : QGroupBox("Drift physics", parent) {
    setObjectName("DriftGroup");
    auto* grid = new QGridLayout(this);
    const char* names[] = {"DriftMu",  "DriftPitch", "DriftGcX",  "DriftGcY",
                           "DriftGcZ", "DriftExBX",  "DriftExBY", "DriftExBZ"};
    for (int i = 0; i < BoxCount; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(names[i]);
        box->setReadOnly(true);
        m_boxes[static_cast<std::size_t>(i)] = box;
    }
    const struct {
        const char* caption;
        const char* tip;
        int first, count;
    } rows[] = {
        {"Magnetic moment (J/T)", "mu = m v_perp² / (2 |B|), an adiabatic invariant", Mu, 1},
        {"Pitch angle (°)", "Angle between the velocity and B: 90° at a mirror point", Pitch, 1},
        {"Guiding centre (m)", "r + m (v × B) / (q B²)", GcX, 3},
        {"E × B drift (m/s)", "E × B / B²", DriftX, 3},
    };
    int row = 0;
    for (const auto& r : rows) {
        auto* label = new QLabel(r.caption, this);
        label->setToolTip(r.tip);
        grid->addWidget(label, row, 0);
        for (int k = 0; k < r.count; ++k) {
            QLineEdit* box = m_boxes[static_cast<std::size_t>(r.first + k)];
            box->setToolTip(r.tip);
            grid->addWidget(box, row, 1 + k);
        }
        ++row;
    }
}

void DriftGroup::showReadout(const DriftReadout& drift) {
    const double values[BoxCount] = {drift.mu,
                                     drift.pitchDeg,
                                     drift.guidingCentre(1),
                                     drift.guidingCentre(2),
                                     drift.guidingCentre(3),
                                     drift.exbDrift(1),
                                     drift.exbDrift(2),
                                     drift.exbDrift(3)};
    for (int i = 0; i < BoxCount; ++i)
        showText(m_boxes[static_cast<std::size_t>(i)], number(values[i]));
}

void DriftGroup::clear() {
    for (QLineEdit* box : m_boxes) box->clear();
}

} // namespace gyro
