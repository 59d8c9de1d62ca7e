// The about box "A propos de MIRAV ".
#pragma once

#include <QDialog>

class QPushButton;

namespace gyro {

/// The about box: what the program does and who made it, and a button `cmdAbout` that closes it.
/// It deletes itself when closed. Closed from its close box (not by its button), it also closes
/// an open help window.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget* parent = nullptr);

    /// Places the window in the middle of the screen it is on.
    void centreOnScreen();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* m_cmdAbout = nullptr;
    bool m_closedByButton = false;
};

} // namespace gyro
