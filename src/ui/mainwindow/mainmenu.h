// The menus of the main window: "Fichier" with its submenus, and the scene's "Vue".
#pragma once

#include <QObject>

class QMenu;
class QMenuBar;

namespace gyro {

/// Builds the "Fichier" menu (configuration, trajectory export, print and PDF of the scene, orbit
/// check, the Earth-Moon transfer manoeuvres, quit, options, 3D graphs, help, demonstration) into
/// a menu bar, then appends the scene's menu. Entries that
/// have no window yet are shown disabled with a tooltip saying so. Each entry is told by a
/// signal; the window connects its handlers.
class MainMenu : public QObject {
    Q_OBJECT
public:
    /// Builds the menus into `bar`; `sceneMenu` (may be null) is appended as "&Vue".
    MainMenu(QMenuBar* bar, QMenu* sceneMenu, QObject* parent = nullptr);

signals:
    void configurationChosen();
    void exportChosen();
    /// "Export for ParaView…": the run as VTK XML files.
    void exportVtkChosen();
    /// "Print…" and "Export PDF…": the live scene on paper or in a PDF file.
    void printChosen();
    void exportPdfChosen();
    /// "Options ", "Utilitaire de graphes en 3 dimensions", "Démonstration".
    void optionsChosen();
    void graphsChosen();
    void demonstrationChosen();
    void orbitControlChosen();
    void quitChosen();
    void aboutChosen();
    void helpChosen();
    /// A manoeuvre of the transfer submenu: LTO and "Forte poussée" 1, "Montée spirale" 5,
    /// "Circularisation" 13, "Alunissage" 4.
    void manoeuvreChosen(int type);
};

} // namespace gyro
