// The picture of the four automatic views of the 3D graph window, replayed on every paint.
#pragma once

#include <QWidget>

namespace gyro {

class RecordedViews;

/// Shows views 0..3 side by side (0 and 1 above, 2 and 3 below), scaled to fit, on white.
class AutomaticViewsPicture : public QWidget {
    Q_OBJECT
public:
    explicit AutomaticViewsPicture(RecordedViews& views, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {560, 560}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RecordedViews& m_views;
};

/// Prints the four automatic views on a printer the user chooses; with no printer installed,
/// offers a PDF file instead. Returns false when nothing was printed or written.
bool printAutomaticViews(RecordedViews& views, QWidget* parent);

} // namespace gyro
