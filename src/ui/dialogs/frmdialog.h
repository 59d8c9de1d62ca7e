// The printer hint "Pb. Configuration Imprimante" and DemandeOrientation, which shows it and waits.
#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace gyro {

/// Tells the user which page orientation suits the graph: `Texte3`, `Texte4`, `Texte5` read
/// "Dans la prochaine boite de dialogue cliquer sur" "Configurer" "et choisir", `Texte1` the
/// orientation. `Commande1` (a picture button) acknowledges; `Commande2` "Annuler" dismisses.
class FrmDialog : public QWidget {
    Q_OBJECT
public:
    explicit FrmDialog(QWidget* parent = nullptr);

    /// The one hint window of the program (created on first use, kept afterwards).
    static FrmDialog& instance();

    /// Shows the hint for "Portrait" or "Paysage" and waits, letting window events run, until
    /// the user answers or `waitMs` (3 s) have passed on a monotonic clock. Returns
    /// "Reinitialiser" when `Commande1` was pressed in time, else an empty string (timed out or
    /// "Annuler"); the window is hidden either way.
    std::string ask(const std::string& orientation, int waitMs = 3000);

    /// The monotonic clock of the wait, in milliseconds (a QElapsedTimer by default; tests hand
    /// in a clock they move themselves). Empty puts the default back.
    void setClock(std::function<qint64()> elapsedMs);

    /// The picture of `Commande1`: a small printer with a turned page.
    static QPixmap printerPixmap(int size);

private:
    QLabel* m_texte1;
    QPushButton* m_commande1;
    QPushButton* m_commande2;
    bool m_acknowledged = false;
    bool m_waiting = false;
    std::function<qint64()> m_clock;
};

/// Shows the printer hint (see FrmDialog::ask) and returns its answer.
std::string DemandeOrientation(const std::string& orientation);

/// Makes the axes library ask through the printer hint when printing.
void installPrinterHint();

} // namespace gyro
