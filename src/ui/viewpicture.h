// One picture of the 3D graph window: a view of the recorded pictures, replayed on every paint.
#pragma once

#include <QWidget>

namespace gyro {

class RecordedViews;

/// Shows view `view` of a set of recorded pictures, scaled to fit, on a white background.
class ViewPicture : public QWidget {
    Q_OBJECT
public:
    ViewPicture(RecordedViews& views, int view, QWidget* parent = nullptr);
    int view() const { return m_view; }
    QSize sizeHint() const override { return {560, 560}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RecordedViews& m_views;
    int m_view;
};

/// Prints a view on a printer the user chooses; with no printer installed, offers a PDF file
/// instead. Returns false when nothing was printed or written.
bool printView(RecordedViews& views, int view, QWidget* parent);

} // namespace gyro
