// The read-only group of drift physics read-outs for the state shown.
#pragma once

#include <QGroupBox>

#include <array>

class QLineEdit;

namespace gyro {

struct DriftReadout;

/// "Drift physics": magnetic moment, pitch angle, guiding centre and E × B drift of a state.
class DriftGroup : public QGroupBox {
    Q_OBJECT
public:
    /// The boxes, in order: mu, pitch, guiding centre x, y, z, E × B drift x, y, z.
    enum Box { Mu, Pitch, GcX, GcY, GcZ, DriftX, DriftY, DriftZ, BoxCount };

    explicit DriftGroup(QWidget* parent = nullptr);

    /// Shows the read-outs; a quantity that is not defined (no field) shows as a dash.
    void showReadout(const DriftReadout& drift);
    /// Empties every box.
    void clear();

    QLineEdit* box(Box which) const { return m_boxes[which]; }

private:
    std::array<QLineEdit*, BoxCount> m_boxes{};
};

} // namespace gyro
