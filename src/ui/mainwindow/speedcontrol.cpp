// The run speed control.
#include "ui/mainwindow/speedcontrol.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSlider>

#include <cmath>

namespace gyro {

SpeedControl::SpeedControl(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* slow = new QLabel("slow", this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName("SpeedSlider");
    m_slider->setRange(0, kFastest);
    m_slider->setPageStep(kPerDecade / 2);
    m_slider->setToolTip("Speed of the run: slow motion to watch a gyration form, or as fast as "
                         "possible for a long trajectory at once. It can be changed during a run.");
    auto* fast = new QLabel("fast", this);
    m_label = new QLabel(this);
    m_label->setObjectName("SpeedLabel");
    m_label->setMinimumWidth(m_label->fontMetrics().horizontalAdvance("as fast as possible  "));
    layout->addWidget(slow);
    layout->addWidget(m_slider, 1);
    layout->addWidget(fast);
    layout->addWidget(m_label);
    connect(m_slider, &QSlider::valueChanged, this, [this](int position) {
        update(position);
        emit speedChanged(speedAt(position));
    });
    update(m_slider->value());
}

double SpeedControl::speedAt(int position) {
    if (position >= kFastest) return 0;
    if (position < 0) position = 0;
    const double raw = kSlowest * std::pow(10.0, static_cast<double>(position) / kPerDecade);
    // Two significant digits: 20, 27, 36 ... 150 000.
    const double unit = std::pow(10.0, std::floor(std::log10(raw)) - 1);
    return std::round(raw / unit) * unit;
}

QString SpeedControl::speedText(double stepsPerSecond) {
    if (stepsPerSecond <= 0) return "as fast as possible";
    QLocale locale(QLocale::English);
    QString number = locale.toString(static_cast<qlonglong>(std::llround(stepsPerSecond)));
    number.replace(',', QChar(0x2009)); // thin space between thousands
    return number + " steps/s";
}

double SpeedControl::speed() const {
    return speedAt(m_slider->value());
}

int SpeedControl::position() const {
    return m_slider->value();
}

void SpeedControl::setPosition(int position) {
    m_slider->setValue(position);
}

void SpeedControl::update(int position) {
    m_label->setText(speedText(speedAt(position)));
}

} // namespace gyro
