// The accuracy parts of the main window kept up to date from the run: energy invariant read-out,
// accuracy hint, drift physics group, time plot and the integration method choice.
#pragma once

#include <QObject>

#include <vector>

class QWidget;

namespace gyro {

class AccuracyHintPanel;
class CaseModel;
class DriftGroup;
class EnergyReadout;
class EnergyTimePlot;
class IntegrationMethodPanel;
class RunDriver;

/// Creates the accuracy widgets (children of `parent`, for the window to place) and feeds them:
/// the window calls runStarted() after a run started and refresh() with its time box. The hint
/// follows the error limit, and while no run goes on, the typed case.
class AccuracyPanels : public QObject {
    Q_OBJECT
public:
    AccuracyPanels(CaseModel& model, const RunDriver& driver, QWidget* parent);
    ~AccuracyPanels() override;

    EnergyReadout* energyReadout() const { return m_readout; }
    AccuracyHintPanel* hintPanel() const { return m_hint; }
    DriftGroup* driftGroup() const { return m_drift; }
    EnergyTimePlot* timePlot() const { return m_plot; }
    IntegrationMethodPanel* methodPanel() const { return m_method; }

    /// A run has just started (RunTrajectory returned true): follow it from its initial state.
    void runStarted();
    /// Shows the read-outs of the run's current state and adds a point to the time plot.
    void refresh();
    /// Recomputes the hint: at the run's current state while it runs, else for the typed case.
    void updateHint();

private:
    struct Followed {
        double mu0 = 0;          // magnetic moment at the start [J/T]
        double lastTime = -1;    // time of the last refresh [s]
        bool speedShown = false; // its speed warning is in the hint line
    };

    CaseModel& m_model;
    const RunDriver& m_driver;
    int m_listener = 0;
    std::vector<Followed> m_runs; // one per nested run; the last one stays after it ended
    EnergyReadout* m_readout = nullptr;
    AccuracyHintPanel* m_hint = nullptr;
    DriftGroup* m_drift = nullptr;
    EnergyTimePlot* m_plot = nullptr;
    IntegrationMethodPanel* m_method = nullptr;
};

} // namespace gyro
