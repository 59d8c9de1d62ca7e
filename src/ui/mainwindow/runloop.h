// The window's run loop: computes the runs in slices from a timer and shows their state.
#pragma once

#include "simulation/runcontrols.h"

#include <QObject>

#include <cstdint>

class QLabel;
class QTimer;

namespace gyro {

class RunDriver;
class RunPanel;
class Traceur3D;

/// Drives the run driver from the event loop: a slice of computation at each turn of the loop
/// (polled gently while the run on top waits), and the time box, the run buttons and the status
/// line refreshed about 30 times a second, never per step. When a nested run ends, the run
/// below it is shown paused, waiting for Continue.
class RunLoop : public QObject {
    Q_OBJECT
public:
    RunLoop(RunDriver& driver, RunPanel& panel, QLabel& status, const Traceur3D& scene,
            QObject* parent = nullptr);

    /// The state of the runs as the window shows it.
    RunView view() const;
    /// A new run was pushed: compute it from now.
    void started();
    /// Shows the time and counts of the run on top, the buttons its state allows, the status.
    void refresh();
    /// Stops computing (the program ends).
    void stop();
    /// Called by the run driver when a run ended.
    void runEnded();
    /// Slices computed or polled so far: tests wait for a number of them, not for a time.
    std::uint64_t slices() const { return m_slices; }

signals:
    /// The time box and the buttons were just refreshed (about 30 times a second during a run):
    /// read-outs that follow the run refresh with them.
    void refreshed();

private:
    void sliceTick();

    RunDriver& m_driver;
    RunPanel& m_panel;
    QLabel& m_status;
    const Traceur3D& m_scene;
    QTimer* m_sliceTimer = nullptr;
    QTimer* m_displayTimer = nullptr;
    bool m_waiting = false; // the last slice found the run on top waiting
    std::uint64_t m_slices = 0;
};

} // namespace gyro
