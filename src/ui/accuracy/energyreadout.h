// The live read-out of the energy invariant's relative change, coloured as it grows.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace gyro {

/// "W change" and a read-only box with (W - W0) / (largest kinetic energy reached) of the run:
/// plain below 1e-3, orange from 1e-3, red from 1e-2 (and for a value that is not a number).
/// On a field map with an E of its own, W leaves out that E's work: the change is then shown
/// plain, since it is not the integration error.
class EnergyReadout : public QWidget {
    Q_OBJECT
public:
    explicit EnergyReadout(QWidget* parent = nullptr);

    /// Shows a relative change (dimensionless).
    void showChange(double relativeChange);
    /// No run yet: an empty box.
    void clear();
    /// Whether the run's field does work W does not count (a field map's own E).
    void setUncountedWork(bool uncounted);

    /// The box, for tests and for the window's layout.
    QLineEdit* box() const { return m_box; }

private:
    QLabel* m_label = nullptr;
    QLineEdit* m_box = nullptr;
    bool m_uncounted = false;
};

} // namespace gyro
