// The energy invariant read-out.
#include "ui/accuracy/energyreadout.h"

#include "simulation/energyinvariant.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace gyro {

EnergyReadout::EnergyReadout(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel("W change", this);
    m_box = new QLineEdit(this);
    m_box->setObjectName("EnergyInvariantBox");
    m_box->setReadOnly(true);
    const QString tip = "Change of W = Ek - q E·(r - r0) since the start of the run, divided by "
                        "the largest kinetic energy the particle has reached so far. The "
                        "magnetic field does no work and E is uniform, so W is constant along "
                        "the true trajectory: its change is the integration error. Orange from "
                        "1e-3, red from 1e-2.";
    label->setToolTip(tip);
    m_box->setToolTip(tip);
    layout->addWidget(label);
    layout->addWidget(m_box, 1);
}

void EnergyReadout::showChange(double relativeChange) {
    m_box->setText(QString::number(relativeChange, 'g', 2));
    switch (driftLevel(relativeChange)) {
    case DriftLevel::Fine:
        m_box->setStyleSheet({});
        break;
    case DriftLevel::Notice:
        m_box->setStyleSheet("color: #b35900;");
        break;
    case DriftLevel::Alarm:
        m_box->setStyleSheet("color: #c00000; font-weight: bold;");
        break;
    }
}

void EnergyReadout::clear() {
    m_box->clear();
    m_box->setStyleSheet({});
}

} // namespace gyro
