// The run panel of the main window: Run, Pause/Continue, Other Case, the time and the speed.
#pragma once

#include <QGroupBox>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace gyro {

class CaseBoxes;
struct RunControls;
class SpeedControl;

/// The "Run" group: the buttons "Run Gyrotrace" (Commande14), "Pause"/"Continue" (Commande2)
/// and "Other Case" (Commande3), the run's time (Texte1; a click on it shows the maximum time
/// box Texte3(kPauseTime), a click on that box's label hides it again) and the speed control.
class RunPanel : public QGroupBox {
    Q_OBJECT
public:
    RunPanel(CaseBoxes& boxes, QWidget* parent = nullptr);

    QPushButton* runButton() const { return m_commande14; }
    QPushButton* pauseButton() const { return m_commande2; }
    QPushButton* otherCaseButton() const { return m_commande3; }
    QLineEdit* timeBox() const { return m_texte1; }
    SpeedControl* speed() const { return m_speed; }

    /// Adds a read-out beside the time box, sharing the row's width with it.
    void addToTimeRow(QWidget* widget);

    /// Enables the buttons the state of the runs allows; the pause button reads "Pause" or
    /// "Continue". The three buttons keep their places, so that no click lands on another one.
    void showControls(const RunControls& controls);
    /// Shows or hides the maximum time row.
    void showPauseTime(bool visible);

signals:
    void runClicked();
    void pauseClicked();
    void otherCaseClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* m_commande14 = nullptr; // Run Gyrotrace
    QPushButton* m_commande2 = nullptr;  // Pause / Continue
    QPushButton* m_commande3 = nullptr;  // Other Case
    QLineEdit* m_texte1 = nullptr;       // the run's time
    QLabel* m_etiquette3 = nullptr;      // "Maximum time (s)"
    QWidget* m_pauseTimeRow = nullptr;
    QHBoxLayout* m_timeRow = nullptr;
    SpeedControl* m_speed = nullptr;
};

} // namespace gyro
