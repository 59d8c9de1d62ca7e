// The panel under the scene: the Warning box and the results box with its "Ferme Result" button.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace gyro {

class WarningBox;

/// The Warning box on the left; on the right, shown on demand, the results box (txtRES) and the
/// button that closes it (Commande1).
class ResultsPanel : public QWidget {
    Q_OBJECT
public:
    explicit ResultsPanel(QWidget* parent = nullptr);

    WarningBox* warning() const { return m_warning; }
    /// Shows a text (CR LF or LF lines) in the results box.
    void showResults(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Commande1_Click();

    WarningBox* m_warning = nullptr;
    QWidget* m_resultsPane = nullptr;
    QPlainTextEdit* m_txtRES = nullptr;
    QPushButton* m_commande1 = nullptr;
};

} // namespace gyro
