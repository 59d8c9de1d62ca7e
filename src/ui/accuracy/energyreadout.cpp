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
    m_box = new QLineEdit(this);
    m_box->setObjectName("EnergyInvariantBox");
    m_box->setReadOnly(true);
    m_label = new QLabel("W change", this);
    setUncountedWork(false);
    layout->addWidget(m_label);
    layout->addWidget(m_box, 1);
}

void EnergyReadout::showChange(double relativeChange) {
    // Refreshed 30 times a second: a box given the text or the style it has would still be
    // laid out, polished and painted again (and the window laid out with it).
    const QString text = QString::number(relativeChange, 'g', 2);
    if (m_box->text() != text) m_box->setText(text);
    QString style;
    switch (m_uncounted ? DriftLevel::Fine : driftLevel(relativeChange)) {
    case DriftLevel::Fine:
        break;
    case DriftLevel::Notice:
        style = "color: #b35900;";
        break;
    case DriftLevel::Alarm:
        style = "color: #c00000; font-weight: bold;";
        break;
    }
    if (m_box->styleSheet() != style) m_box->setStyleSheet(style);
}

void EnergyReadout::setUncountedWork(bool uncounted) {
    m_uncounted = uncounted;
    const QString tip =
        QString("Change of W = Ek - q E·(r - r0) since the start of the run, divided by the "
                "largest kinetic energy the particle has reached so far. ") +
        (uncounted ? "W counts only the uniform E, not the field map's own: its change here is "
                     "that E's work, not the integration error."
                   : "The magnetic field does no work and E is uniform, so W is constant along "
                     "the true trajectory: its change is the integration error. Orange from "
                     "1e-3, red from 1e-2.");
    m_label->setToolTip(tip);
    m_box->setToolTip(tip);
}

void EnergyReadout::clear() {
    m_box->clear();
    m_box->setStyleSheet({});
}

} // namespace gyro
