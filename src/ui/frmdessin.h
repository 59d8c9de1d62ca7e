// The main window: caption "Gyrotrace", the case editor and the live scene.
#pragma once

#include <QMainWindow>

class QPlainTextEdit;
class QTimer;

namespace gyro {

/// The program's main window. Shows the warning log of the error report in its Warning box.
class FrmDessin : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmDessin(QWidget* parent = nullptr);
    ~FrmDessin() override;

    /// The warning log box ("Warning: Message des Routines").
    QPlainTextEdit* warningBox() const { return m_warning; }

private:
    void refreshWarning();

    QPlainTextEdit* m_warning = nullptr;
    QTimer* m_warningTimer = nullptr;
};

} // namespace gyro
