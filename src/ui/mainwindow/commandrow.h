// The command row under the case panels: configuration, kelaxes, printing, Quit and the version.
#pragma once

#include <QWidget>

class QPushButton;

namespace gyro {

/// "Config. Data" (CmdConfig), "kelaxes" (Commande11) and "Impression tout" (CmdImprime), not
/// available yet, "Quit" (CmdFinMirav), and the version line (TxtVer) below them.
class CommandRow : public QWidget {
    Q_OBJECT
public:
    explicit CommandRow(QWidget* parent = nullptr);

    QPushButton* quitButton() const { return m_cmdFinMirav; }

signals:
    void configClicked();
    void quitClicked();

private:
    QPushButton* m_cmdFinMirav = nullptr;
};

} // namespace gyro
