// Feeding the accuracy widgets from the run driver and the case.
#include "ui/accuracy/accuracypanels.h"

#include "simulation/accuracycolumns.h"
#include "simulation/accuracyhint.h"
#include "simulation/boxcommit.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/lightspeed.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "ui/accuracy/accuracyhintpanel.h"
#include "ui/accuracy/energyreadout.h"
#include "ui/accuracy/energytimeplot.h"
#include "ui/mainwindow/driftgroup.h"
#include "ui/mainwindow/integrationmethodpanel.h"

#include <QWidget>

#include <algorithm>
#include <cctype>

namespace gyro {

AccuracyPanels::AccuracyPanels(CaseModel& model, const RunDriver& driver, QWidget* parent)
    : QObject(parent), m_model(model), m_driver(driver) {
    m_readout = new EnergyReadout(parent);
    m_hint = new AccuracyHintPanel(parent);
    m_drift = new DriftGroup(parent);
    m_plot = new EnergyTimePlot(parent);
    m_method = new IntegrationMethodPanel(parent);
    connect(m_hint, &AccuracyHintPanel::useSuggested, this, [this](const QString& text) {
        m_model.setText(BoxFamily::Texte7, 0, text.toStdString());
    });
    connect(m_method, &IntegrationMethodPanel::methodChanged, this, &AccuracyPanels::updateHint);
    m_listener = m_model.addListener([this](BoxFamily family, int index) {
        // During a run only a new error limit asks again; the typed start state no longer
        // describes the particle.
        if (family == BoxFamily::Texte7 || (!m_driver.running() && affectsHint(family, index)))
            updateHint();
    });
    updateHint();
}

AccuracyPanels::~AccuracyPanels() {
    m_model.removeListener(m_listener);
}

void AccuracyPanels::runStarted() {
    // Keep the runs below the new one (a nested start); forget a run that has ended.
    const auto below = static_cast<std::size_t>(std::max(0, m_driver.depth() - 1));
    if (m_runs.size() > below) m_runs.resize(below);
    Followed run;
    run.mu0 = driftReadoutOfState(m_driver.state()).mu;
    m_runs.push_back(run);
    m_plot->clear();
    m_readout->setUncountedWork(FieldModel(m_model).mapElectric());
    updateHint();
    refresh();
}

void AccuracyPanels::refresh() {
    // A nested run that ended hands the display back to the run below it.
    const std::size_t depth = std::max<std::size_t>(1, static_cast<std::size_t>(m_driver.depth()));
    bool handedBack = false;
    while (m_runs.size() > depth) {
        m_runs.pop_back();
        handedBack = true;
    }
    if (m_runs.empty()) return;
    Followed& run = m_runs.back();
    const double t = m_driver.time();
    // Paused, waiting or ended: nothing new, unless the run below has just come back on top
    // (it waits paused at the time it was last shown, but the read-outs still show the run
    // that ended above it).
    if (t == run.lastTime && !handedBack) return;
    // The plot followed the run that ended; it now follows the run below from here on.
    if (handedBack) m_plot->clear();
    if (!m_driver.speedWarning().empty() && !run.speedShown) {
        run.speedShown = true; // the speed passed a tenth of c: the hint line tells it
        updateHint();
    }
    const DriftReadout drift = driftReadoutOfState(m_driver.state());
    const double w = m_driver.invariant().relativeChange();
    m_readout->showChange(w);
    m_drift->showReadout(drift);
    m_plot->addSample(t, w, run.mu0 > 0 ? drift.mu / run.mu0 - 1 : 0);
    run.lastTime = t;
}

void AccuracyPanels::updateHint() {
    // The run judged: up to the maximum time when one is set, else a thousand gyrations.
    RunSpan span;
    span.seconds = std::max(0.0, m_model.Texte3Value(slot::kPauseTime));
    AccuracyHint hint;
    std::vector<std::string> speeds;
    if (m_driver.running()) {
        const StateArray& Y = m_driver.state();
        hint = accuracyHintAt(m_model.Texte7Value(), position(Y), velocity(Y), span);
        if (!m_driver.speedWarning().empty()) speeds.push_back(m_driver.speedWarning());
    } else {
        hint = accuracyHintForCase(m_model, span);
    }
    if (speeds.empty()) speeds = relativisticWarningsAtStart(m_model);
    // The speed of light comes first: no error limit mends a motion computed without
    // relativity.
    for (auto it = speeds.rbegin(); it != speeds.rend(); ++it) {
        std::string sentence = *it;
        if (!sentence.empty()) sentence[0] = static_cast<char>(std::toupper(sentence[0]));
        hint.text = sentence + "." + (hint.text.empty() ? "" : " ") + hint.text;
        hint.shown = true;
    }
    m_hint->showHint(hint);
}

} // namespace gyro
