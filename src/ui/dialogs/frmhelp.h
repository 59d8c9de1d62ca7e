// The help window "Aide Mirav".
#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace gyro {

/// A short help text (`Texte1`) and a picture (`Image1`); moving the mouse over the picture hides
/// the window. It deletes itself when closed.
class FrmHelp : public QWidget {
    Q_OBJECT
public:
    explicit FrmHelp(QWidget* parent = nullptr);

    /// The help text: fourteen lines joined by CR LF.
    static QString helpText();
    /// A small helix drawn with the painter (the trajectory of a gyrating particle), size x size
    /// pixels.
    static QPixmap helixPixmap(int size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* m_texte1 = nullptr;
    QLabel* m_image1 = nullptr;
};

} // namespace gyro
