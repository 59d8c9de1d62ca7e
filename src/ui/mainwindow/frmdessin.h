// The main window: caption "Gyrotrace", the case editor, the run controls and the live scene.
#pragma once

#include "simulation/casemodel.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QLabel;
class QPlainTextEdit;

namespace gyro {

class AccuracyPanels;
class CaseBoxes;
class CaseMemo;
class CasePanel;
class CommandRow;
class FrmAbout;
class FrmDessin8;
class FrmHelp;
class InputBoxAsker;
class ResultsPanel;
class RunDriver;
class RunLoop;
class RunPanel;
class Traceur3D;

/// The program's main window. It is a view of the program-wide case (`theCase()`): every box
/// edit writes the case, every change of the case shows in its box. Runs are computed by the run
/// driver in time slices from a timer, so the window stays responsive; the trajectory grows in
/// the live scene (`Traceur3D`). Controls carry the names of the case's boxes with their index
/// ("Texte3_0", "Option4_2", "Coche1_7"), the buttons their own ("Commande14", "DefilementH1").
/// The panels build and lay out the controls; the window holds the handlers and the timers.
class FrmDessin : public QMainWindow {
    Q_OBJECT
public:
    /// Builds the window and installs its input box as the error report's asker when none is
    /// installed yet. Nothing is read from disk until Form_Load().
    explicit FrmDessin(QWidget* parent = nullptr);
    ~FrmDessin() override;

    /// The load of the window: the start-up in the current folder (which asks for the working
    /// site on a first start), the window shown, then the example at the scroll bar's position
    /// loaded from the memo (the last example when the bar has not been moved).
    void Form_Load();

    /// The warning log box ("Warning: Message des Routines").
    QPlainTextEdit* warningBox() const;
    /// The live 3D scene.
    Traceur3D* traceur() const { return m_traceur; }
    /// The run driver of this window.
    RunDriver& driver() const { return *m_driver; }
    /// The loop that computes the runs in slices and refreshes the window.
    const RunLoop& runLoop() const { return *m_loop; }
    /// The example memo "ZEFRON.TMP" of the current folder (opened by Form_Load).
    CaseMemo* memo() const { return m_memo.get(); }

    /// The orbital manoeuvre chosen in the menu (LTO and "Forte poussée" 1, "Montée spirale" 5,
    /// "Circularisation" 13, "Alunissage" 4; 0 until one is chosen).
    int manoeuvreType() const { return m_manoeuvreType; }
    /// The integration choice of Option1: 0 "Runge Rapide", 1 "Runge Précis" (recorded only).
    int rungeChoice() const;
    /// Number of changes of the Warning box since the window was built.
    int warningChangeCount() const;

    /// Writes the trajectory of the current run (the last one when idle) as a table to `path`:
    /// one row per recorded step, "t,x,y,z,vx,vy,vz,Bnorm,Ek_eV". Returns false and tells why in
    /// `error` when there is nothing to write or the file cannot be written.
    bool exportTrajectory(const QString& path, QString* error = nullptr);
    /// Writes the current run to `path` (.vtp) and the field around it beside it (the same name
    /// ending "-field.vti"). False with a message when there is no run or a file cannot be
    /// written.
    bool exportForParaView(const QString& path, QString* error = nullptr);

    /// Replaces what ending the program does (tests record it; the default quits the
    /// application).
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildInputs();
    void connectHandlers();

    // --- Handlers.
    void Commande14_Click();
    void Commande2_Click();
    void Commande3_Click();
    void Option4_Click(int index);
    void Option5_Click(int index);
    void Coche1_Click(int index);
    void Texte3_MouseMove(int index);
    void boxCommitted(BoxFamily family, int index);
    void DefilementH1_Change();
    void CmdConfig_Click();
    void CmdFinMirav_Click();
    void MnuConfiguration_Click();
    void MnuExport_Click();
    void MnuExportVtk_Click();
    void MnuImprimer_Click();
    void MnuExportPdf_Click();
    void MnuControleOrbite_Click();
    void MnuAPropos_Click();
    void MnuAideComplete_Click();

    void endProgram();

    CaseModel& m_model;
    std::unique_ptr<InputBoxAsker> m_asker;
    std::unique_ptr<RunDriver> m_driver;
    std::unique_ptr<CaseMemo> m_memo;
    std::function<void()> m_quit;

    CaseBoxes* m_boxes = nullptr;
    RunPanel* m_run = nullptr;
    CasePanel* m_case = nullptr;
    CommandRow* m_commands = nullptr;
    ResultsPanel* m_results = nullptr;
    Traceur3D* m_traceur = nullptr;
    QLabel* m_status = nullptr;

    QPointer<FrmAbout> m_about;
    QPointer<FrmHelp> m_help;
    QPointer<FrmDessin8> m_orbitWindow;

    RunLoop* m_loop = nullptr;
    AccuracyPanels* m_accuracy = nullptr;
    int m_manoeuvreType = 0;
    bool m_loaded = false;
};

} // namespace gyro
