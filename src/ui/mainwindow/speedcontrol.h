// The run speed control: a slider from slow motion to "as fast as possible".
#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace gyro {

/// A logarithmic slider of the run speed in accepted integration steps per second of wall time.
/// Its last position means "as fast as possible" (speed 0, the run driver's convention).
class SpeedControl : public QWidget {
    Q_OBJECT
public:
    /// Slider positions 0 .. kFastest - 1 give kSlowest x 10^(position / kPerDecade) steps/s,
    /// rounded to two significant digits; kFastest is "as fast as possible".
    static constexpr int kFastest = 33;
    static constexpr int kPerDecade = 8;
    static constexpr double kSlowest = 20;

    explicit SpeedControl(QWidget* parent = nullptr);

    /// Steps per second of a slider position (0 for the last position: no limit).
    static double speedAt(int position);
    /// The text shown for a speed [steps/s] ("as fast as possible" for 0).
    static QString speedText(double stepsPerSecond);

    /// The current speed [steps/s], 0 = as fast as possible.
    double speed() const;
    int position() const;
    void setPosition(int position);

signals:
    /// The user or the program moved the slider.
    void speedChanged(double stepsPerSecond);

private:
    void update(int position);

    QSlider* m_slider = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace gyro
