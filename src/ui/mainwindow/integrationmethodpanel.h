// The choice of the integration method: Cash-Karp with its error limit, Boris with a number of
// steps per gyration, or the relativistic Boris-type pusher with the same steps.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace gyro {

/// Two options and the "Steps per gyration" box; they write the program-wide integration choice,
/// which a run reads at every step. The box commits on Enter or when it loses the focus; a value
/// that is refused puts the current one back and says why.
class IntegrationMethodPanel : public QWidget {
    Q_OBJECT
public:
    explicit IntegrationMethodPanel(QWidget* parent = nullptr);

    /// Shows the choice as it stands (after the command line or a test changed it).
    void showChoice();

    QRadioButton* cashKarpOption() const { return m_cashKarp; }
    QRadioButton* borisOption() const { return m_boris; }
    QRadioButton* relativisticOption() const { return m_relativistic; }
    QLineEdit* stepsBox() const { return m_steps; }
    QLabel* message() const { return m_message; }

signals:
    /// The user chose another method.
    void methodChanged();

private:
    void commitSteps();

    QRadioButton* m_cashKarp = nullptr;
    QRadioButton* m_boris = nullptr;
    QRadioButton* m_relativistic = nullptr;
    QLineEdit* m_steps = nullptr;
    QLabel* m_message = nullptr;
};

} // namespace gyro
