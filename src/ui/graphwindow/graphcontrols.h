// The graph window's own controls: clearing, sending the picture, quitting, the composite view,
// the zoom and the magnifier read-outs.
#pragma once

#include <QRectF>
#include <QSize>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace gyro {

/// Buttons and boxes beside the pictures. Each one only tells the window what the user did.
class GraphControls : public QWidget {
    Q_OBJECT
public:
    explicit GraphControls(QWidget* parent = nullptr);

    /// "Imprime Loupe": the magnifier asks whether to print.
    bool printMagnifier() const;
    /// "Trace Une vue composite" is ticked.
    bool composite() const;
    /// Shows the zoom value in the box and on the scroll bar (without applying it again).
    void showZoom(double z);
    /// Shows the size of a picture being enlarged [pixels].
    void showImageSize(QSize size);
    /// Shows a magnifier zone in world units (left, top, right, bottom).
    void showZone(double x1, double y1, double x2, double y2);

signals:
    /// "Effacer l'écran", with "toutes les vues" ticked or not.
    void clearRequested(bool allViews);
    /// "Envoyer Img".
    void sendImage();
    /// "Quitter".
    void quitRequested();
    /// "Trace Une vue composite" was ticked.
    void compositeRequested();
    /// A zoom value typed (committed when the box loses the focus) or set by the scroll bar.
    void zoomChosen(double z);
    /// A zoom box that does not hold a positive number.
    void zoomRefused(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void zoomCommitted();

    QPushButton* m_clear = nullptr;   // Commande3
    QCheckBox* m_allViews = nullptr;  // Coche3
    QCheckBox* m_composite = nullptr; // Coche1
    QLineEdit* m_zoom = nullptr;      // Texte3
    QScrollBar* m_zoomBar = nullptr;  // DéfilementV1
    QLineEdit* m_image[2] = {};       // TxtImage
    QLineEdit* m_zone[4] = {};        // TxtLoupe
    QRadioButton* m_printLoupe = nullptr;
    QString m_shownZoom;
};

} // namespace gyro
