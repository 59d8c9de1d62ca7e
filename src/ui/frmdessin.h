// The main window: caption "Gyrotrace", the case editor, the run controls and the live scene.
#pragma once

#include "simulation/casemodel.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSplitter;
class QTimer;

namespace gyro {

class CaseMemo;
class FrmAbout;
class FrmDessin8;
class FrmHelp;
class InputBoxAsker;
class RunDriver;
class SpeedControl;
class Traceur3D;

/// The program's main window. It is a view of the program-wide case (`theCase()`): every box
/// edit writes the case, every change of the case shows in its box. Runs are computed by the run
/// driver in time slices from a timer, so the window stays responsive; the trajectory grows in
/// the live scene (`Traceur3D`). Controls carry the names of the case's boxes with their index
/// ("Texte3_0", "Option4_2", "Coche1_7"), the buttons their own ("Commande14", "DefilementH1").
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
    QPlainTextEdit* warningBox() const { return m_warning; }
    /// The live 3D scene.
    Traceur3D* traceur() const { return m_traceur; }
    /// The run driver of this window.
    RunDriver& driver() const { return *m_driver; }
    /// The example memo "ZEFRON.TMP" of the current folder (opened by Form_Load).
    CaseMemo* memo() const { return m_memo.get(); }

    /// The orbital manoeuvre chosen in the menu (LTO and "Forte poussée" 1, "Montée spirale" 5,
    /// "Circularisation" 13, "Alunissage" 4; 0 until one is chosen).
    int manoeuvreType() const { return m_manoeuvreType; }
    /// The integration choice of Option1: 0 "Runge Rapide", 1 "Runge Précis" (recorded only).
    int rungeChoice() const;
    /// Number of changes of the Warning box since the window was built.
    int warningChangeCount() const { return m_warningChanges; }

    /// Writes the trajectory of the current run (the last one when idle) as a table to `path`:
    /// one row per recorded step, "t,x,y,z,vx,vy,vz,Bnorm,Ek_eV". Returns false and tells why in
    /// `error` when there is nothing to write or the file cannot be written.
    bool exportTrajectory(const QString& path, QString* error = nullptr);

    /// Replaces what ending the program does (tests record it; the default quits the
    /// application).
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // --- Building the window.
    void buildMenu();
    QWidget* buildInputs();
    QWidget* buildRunPanel();
    QWidget* buildParticleGroup();
    QWidget* buildFieldGroup();
    QWidget* buildIntegrationGroup();
    QWidget* buildExamplesGroup();
    QWidget* buildDrawingGroup();
    QWidget* buildOrbitalGroup();
    QWidget* buildCommandRow();
    QWidget* buildResultsPanel();
    QLineEdit* makeBox(BoxFamily family, int index, const QString& tooltip = {});
    QWidget* vectorRow(BoxFamily family, int first, const QStringList& columns);

    // --- Mirroring the case.
    void modelChanged(BoxFamily family, int index);
    void showCaseValue(BoxFamily family, int index);
    void showWholeCase();
    void boxEdited(BoxFamily family, int index, const QString& text);

    // --- Handlers.
    void Commande14_Click();
    void Commande2_Click();
    void Commande3_Click();
    void Commande1_Click();
    void Option5_Click(int index);
    void Option4_Click(int index);
    void Coche1_Click(int index);
    void Texte3_MouseMove(int index);
    void Texte3_Change(int index);
    void DefilementH1_Change();
    void Texte1_Click();
    void Etiquette3_Click();
    void CmdConfig_Click();
    void CmdFinMirav_Click();
    void MnuConfiguration_Click();
    void MnuControleOrbite_Click();
    void MnuAPropos_Click();
    void MnuAideComplete_Click();
    void Warning_Change();

    // --- Window state.
    void updateShapeFrames();
    void showPauseTime(bool visible);
    void showRunButtons();
    void showResults(const QString& text);
    void applySelector(double maximum, double value);
    void sliceTick();
    void refreshDisplay();
    void runEnded();
    void refreshWarning();
    void updateColourSwatches();
    void endProgram();

    CaseModel& m_model;
    int m_listenerId = 0;
    bool m_syncing = false; // the window is writing a box from the case: no echo back
    std::unique_ptr<InputBoxAsker> m_asker;
    std::unique_ptr<RunDriver> m_driver;
    std::unique_ptr<CaseMemo> m_memo;
    std::function<void()> m_quit;

    // Controls named like the case's boxes.
    std::array<QLineEdit*, CaseModel::kSlots> m_texte3{};
    QPlainTextEdit* m_comment = nullptr; // Texte3(9), several lines
    std::array<QLineEdit*, CaseModel::kSlots> m_texte4{};
    std::array<QLineEdit*, CaseModel::kSlots> m_texte6{};
    QLineEdit* m_texte7 = nullptr;
    std::array<QRadioButton*, 5> m_option4{};
    std::array<QRadioButton*, 3> m_option5{};
    std::array<QRadioButton*, 2> m_option1{};
    QRadioButton* m_option2 = nullptr;
    QRadioButton* m_option3 = nullptr;
    QCheckBox* m_coche4 = nullptr;
    std::array<QCheckBox*, 8> m_coche1{};
    QCheckBox* m_coche2 = nullptr;

    QPushButton* m_commande14 = nullptr; // Run Gyrotrace
    QPushButton* m_commande2 = nullptr;  // Pause / Continue
    QPushButton* m_commande3 = nullptr;  // Other Case
    QPushButton* m_commande1 = nullptr;  // Ferme Result
    QPushButton* m_commande11 = nullptr; // kelaxes
    QPushButton* m_cmdConfig = nullptr;
    QPushButton* m_cmdImprime = nullptr;
    QPushButton* m_cmdFinMirav = nullptr;
    QScrollBar* m_defilementH1 = nullptr;
    QLineEdit* m_texte1 = nullptr;  // the run's time
    QLabel* m_etiquette3 = nullptr; // "Maximum time (s)"
    QWidget* m_pauseTimeRow = nullptr;
    QLabel* m_labelB0 = nullptr;
    QGroupBox* m_cadre3 = nullptr;
    QGroupBox* m_cadre4 = nullptr;
    QGroupBox* m_cadre5 = nullptr;
    QGroupBox* m_cadre8 = nullptr;
    std::array<QLabel*, 4> m_swatches{};
    QPlainTextEdit* m_warning = nullptr;
    QPlainTextEdit* m_txtRES = nullptr;
    QPlainTextEdit* m_txtVer = nullptr;
    QWidget* m_resultsPane = nullptr;
    SpeedControl* m_speed = nullptr;
    Traceur3D* m_traceur = nullptr;
    QLabel* m_status = nullptr;

    QAction* m_actionOrbite = nullptr;
    QPointer<FrmAbout> m_about;
    QPointer<FrmHelp> m_help;
    QPointer<FrmDessin8> m_orbitWindow;

    QTimer* m_sliceTimer = nullptr;
    QTimer* m_displayTimer = nullptr;
    QTimer* m_warningTimer = nullptr;
    int m_warningChanges = 0;
    std::size_t m_warningShown = 0; // log lines already in the Warning box
    int m_manoeuvreType = 0;
    bool m_loaded = false;
    bool m_noPrintHidden = false;
    bool m_waiting = false; // the last slice found the run waiting
};

} // namespace gyro
