// The window's run loop.
#include "ui/mainwindow/runloop.h"

#include "ui/mainwindow/runpanel.h"
#include "ui/mainwindow/widgetkit.h"
#include "ui/scene/traceur3d.h"

#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "simulation/rundriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <chrono>

namespace gyro {

namespace {
// Wall time of one slice of computation: short enough that the window never waits noticeably.
// The event loop may have a frame, the read-outs and the log to show after a slice (up to about
// 15 ms together): 6 ms leave room for them within 25 ms. Frames come from their own timer, not
// after every slice, so a shorter slice costs a run little more than a turn of the event loop.
constexpr std::chrono::milliseconds kSliceBudget{6};
// The time box and the status line are refreshed at about 30 Hz, never per step.
constexpr int kDisplayIntervalMs = 33;
} // namespace

RunLoop::RunLoop(RunDriver& driver, RunPanel& panel, QLabel& status, const Traceur3D& scene,
                 QObject* parent)
    : QObject(parent), m_driver(driver), m_panel(panel), m_status(status), m_scene(scene) {
    m_sliceTimer = new QTimer(this);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, &RunLoop::sliceTick);
    m_displayTimer = new QTimer(this);
    m_displayTimer->setInterval(kDisplayIntervalMs);
    connect(m_displayTimer, &QTimer::timeout, this, &RunLoop::refresh);
}

RunView RunLoop::view() const {
    RunView view;
    view.depth = m_driver.depth();
    view.paused = m_driver.paused();
    view.waiting = m_waiting;
    view.steps = m_driver.acceptedSteps();
    view.points = m_scene.pointCount();
    view.abandoning = m_driver.otherCase();
    return view;
}

void RunLoop::started() {
    m_waiting = false;
    m_sliceTimer->setInterval(0);
    m_sliceTimer->start();
    m_displayTimer->start();
    refresh();
}

void RunLoop::refresh() {
    // The time and the counts are those of the run on top.
    showText(m_panel.timeBox(), toQt(FormatGeneral(m_driver.time())));
    const RunControls controls = runControls(view());
    m_panel.showControls(controls);
    // Warnings the user chose not to be asked about again are still counted, so they are not
    // missed.
    const std::string silenced = ErrorReport::instance().silencedStatus();
    m_status.setText(
        toQt(silenced.empty() ? controls.status : controls.status + "  —  " + silenced));
    emit refreshed();
}

void RunLoop::stop() {
    m_sliceTimer->stop();
    m_displayTimer->stop();
}

void RunLoop::runEnded() {
    // A run below the one that ended waits, paused by the driver, for Continue.
    if (!m_driver.running()) m_displayTimer->stop();
    refresh();
}

void RunLoop::sliceTick() {
    ++m_slices;
    const RunDriver::Slice slice = m_driver.advance(kSliceBudget);
    m_waiting = slice.waiting;
    if (!slice.active) {
        m_sliceTimer->stop();
        return;
    }
    // A waiting run (paused, or past its maximum time) is polled gently; a speed-limited run
    // often enough to stay smooth; a free run as often as the event loop allows.
    int interval = 0;
    if (slice.waiting) {
        interval = 20;
    } else if (m_driver.speed() > 0) {
        interval = 4;
    }
    if (m_sliceTimer->interval() != interval) m_sliceTimer->setInterval(interval);
}

} // namespace gyro
