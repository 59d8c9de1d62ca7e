// The orbit-check window "Runge Kutta d'ordre 8": runs the integrator on a Kepler orbit.
#pragma once

#include <QWidget>

#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace gyro {

/// Checks the general Runge-Kutta step against the Kepler orbit ("Runge 8"), converts today's
/// date to a Julian Day ("Astronomie plan") and ends the program (Commande1). Shows the orbit
/// check's logs live: Texte2 the trace log (initial conditions, the latest comparison line, the
/// integrator's tableau trace), TxtVer the step-control log. While it exists it is the window
/// that the integrator's trace brings up.
class FrmDessin8 : public QWidget {
    Q_OBJECT
public:
    explicit FrmDessin8(QWidget* parent = nullptr);
    ~FrmDessin8() override;

private:
    void runOrbitCheck();
    void convertToday();
    /// Brings the box up to date with the log's text, appending when the log only grew.
    static void showLog(QPlainTextEdit* box, const std::string& text, std::string& shown);

    QPushButton* m_commande16 = nullptr;
    QPushButton* m_commande2 = nullptr;
    QPushButton* m_commande1 = nullptr;
    QLineEdit* m_texte1 = nullptr;
    QPlainTextEdit* m_txtVer = nullptr;
    QPlainTextEdit* m_texte2 = nullptr;
    std::string m_shownTrace;
    std::string m_shownStepControl;
};

} // namespace gyro
