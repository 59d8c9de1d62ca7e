// The pictures of the graph window laid on one desk: the front one shown, each movable with
// Shift, enlargeable from its edges, and the magnifier rectangle dragged over it.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <vector>

class QFrame;

namespace gyro {

class PictureBox;

/// Holds pages (pictures and other widgets); one is in front. A page at its home position
/// fills the desk and follows its size; one the user moved or enlarged keeps its place until
/// `sendHome`. The mouse gestures of the pictures:
/// - near an edge (5 % of the picture) the pointer takes the sizing shape; a press there and a
///   drag enlarge the picture, the drawing keeping its units (the surface grows with it);
/// - a press without Shift starts the magnifier rectangle (four lines) at the press point, the
///   drag shows the zone in world units, the release hands the zone over;
/// - with Shift the picture follows the pointer inside the desk.
class PictureDesk : public QWidget {
    Q_OBJECT
public:
    explicit PictureDesk(QWidget* parent = nullptr);

    /// Adds a page; pictures (PictureBox) get the gestures.
    int addPage(QWidget* page);
    int count() const { return int(m_pages.size()); }
    QWidget* page(int index) const;
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);

    /// Puts every page back home, its surface to the size it had before any enlargement.
    void sendHome();
    /// Number of the picture under a gesture + 1, its number + 100 while it is marked ready to
    /// be enlarged, 0 when none.
    int activePicture() const { return m_active; }
    /// "grandir" while the picture `index` is being enlarged, else empty.
    QString tag(int index) const;

signals:
    /// A press started the magnifier rectangle in a picture.
    void magnifierStarted(int index);
    /// The magnifier rectangle now spans `zone` (world units of the picture).
    void zoneDragged(int index, QRectF zone);
    /// The magnifier gesture ended: corners in world units of the picture.
    void zoneReleased(int index, QPointF pressWorld, QPointF releaseWorld);
    /// The picture being enlarged has this size [pixels].
    void pictureSized(int index, QSize size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Page {
        QWidget* widget = nullptr;
        PictureBox* picture = nullptr;
        bool home = true;
        QString tag;
        std::vector<QFrame*> lines; // Ligne1: the four sides of the magnifier rectangle
        QSizeF homeSurface;         // surface size before the first enlargement
    };
    int indexOf(QObject* widget) const;
    void mouseMoved(int index, QMouseEvent* e);
    void pressed(int index, QMouseEvent* e);
    void released(int index, QMouseEvent* e);
    void showLines(Page& page, bool on);
    void placeLines(Page& page, QPointF a, QPointF b);
    QPointF toWorld(const Page& page, QPointF widgetPoint) const;

    std::vector<Page> m_pages;
    int m_current = -1;
    int m_active = 0;
    QPointF m_press;        // press point [widget pixels]
    QPointF m_pressGlobal;  // press point [screen pixels], for moving
    QPoint m_pressPosition; // picture position at the press
    QSize m_savedSize;      // picture size at the press
    QSizeF m_savedSurface;  // surface size at the press
    QRectF m_savedScale;    // surface user scale at the press
};

} // namespace gyro
