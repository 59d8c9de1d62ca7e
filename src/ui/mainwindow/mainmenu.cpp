// The menus of the main window.
#include "ui/mainwindow/mainmenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace gyro {

MainMenu::MainMenu(QMenuBar* bar, QMenu* sceneMenu, QObject* parent) : QObject(parent) {
    QMenu* fichier = bar->addMenu("&Fichier");
    fichier->setObjectName("MnuFichier");
    fichier->setToolTipsVisible(true);
    auto add = [](QMenu* menu, const QString& text, const QString& name) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    auto unavailable = [](QAction* a, const QString& why) {
        a->setEnabled(false);
        a->setToolTip(why);
    };

    connect(add(fichier, "Configuration", "MnuConfiguration"), &QAction::triggered, this,
            &MainMenu::configurationChosen);
    QAction* exportAction = add(fichier, "Export trajectory…", "MnuExport");
    exportAction->setToolTip("Write the current run's steps as a CSV table "
                             "(t, x, y, z, vx, vy, vz, Bnorm, Ek_eV)");
    connect(exportAction, &QAction::triggered, this, &MainMenu::exportChosen);
    QAction* vtkAction = add(fichier, "Export for ParaView…", "MnuExportVtk");
    vtkAction->setToolTip(
        "Write the current run as VTK XML PolyData (.vtp) and the field around "
        "it as VTK XML ImageData (.vti, beside it), to open together in ParaView");
    connect(vtkAction, &QAction::triggered, this, &MainMenu::exportVtkChosen);
    QAction* printAction = add(fichier, "Print…", "MnuImprimer");
    printAction->setToolTip("Print the scene as the view shows it");
    connect(printAction, &QAction::triggered, this, &MainMenu::printChosen);
    QAction* pdfAction = add(fichier, "Export PDF…", "MnuExportPdf");
    pdfAction->setToolTip("Write the scene as the view shows it to a PDF file (vectors)");
    connect(pdfAction, &QAction::triggered, this, &MainMenu::exportPdfChosen);
    fichier->addSeparator();

    connect(add(fichier, "&Contrôle Orbite GEO", "MnuControleOrbite"), &QAction::triggered, this,
            &MainMenu::orbitControlChosen);
    unavailable(add(fichier, "Spirale (Jour/Nuit)", "MnuSpirale"),
                "The day/night spiral is not part of this version.");
    // The orbital manoeuvres: each sets the manoeuvre type of the orbital computations.
    QMenu* transfer = fichier->addMenu("Transfert Terre _ Lune");
    transfer->setObjectName("MnuTransfert");
    transfer->setToolTipsVisible(true);
    auto* manoeuvres = new QActionGroup(this);
    manoeuvres->setExclusive(true);
    struct Manoeuvre {
        const char* text;
        const char* name;
        int type;
    };
    const Manoeuvre list[] = {{"LTO", "MnuLTO", 1},
                              {"Forte poussée", "MnuFortePoussee", 1},
                              {"Montée spirale", "MnuMonteeSpirale", 5},
                              {"Freinage ", "MnuFreinage", 0},
                              {"Circularisation", "MnuCircularisation", 13},
                              {"Alunissage", "MnuAlunissage", 4}};
    for (const Manoeuvre& m : list) {
        QAction* a = add(transfer, m.text, m.name);
        if (m.type == 0) {
            unavailable(a, "Braking has no manoeuvre type in this version.");
            continue;
        }
        a->setCheckable(true);
        manoeuvres->addAction(a);
        const int type = m.type;
        connect(a, &QAction::triggered, this, [this, type] { emit manoeuvreChosen(type); });
    }
    fichier->addSeparator();

    connect(add(fichier, "Quitter", "MnuQuitter_prog"), &QAction::triggered, this,
            &MainMenu::quitChosen);
    fichier->addSeparator();

    connect(add(fichier, "Options ", "MnuOptions"), &QAction::triggered, this,
            &MainMenu::optionsChosen);
    unavailable(add(fichier, "Création de fichiers Clairs", "MnuFichiersClairs"),
                "Not part of this version.");
    connect(add(fichier, "Utilitaire de graphes en 3 dimensions", "MnuGraphes3D"),
            &QAction::triggered, this, &MainMenu::graphsChosen);
    fichier->addSeparator();

    QMenu* aide = fichier->addMenu("Aide");
    aide->setObjectName("MnuAide");
    connect(add(aide, "A propos de ...", "MnuAPropos"), &QAction::triggered, this,
            &MainMenu::aboutChosen);
    connect(add(aide, "Aide complète", "MnuAideComplete"), &QAction::triggered, this,
            &MainMenu::helpChosen);
    fichier->addSeparator();
    connect(add(fichier, "Démonstration", "MnuDemonstration"), &QAction::triggered, this,
            &MainMenu::demonstrationChosen);

    if (sceneMenu) {
        // The scene's own menu: fit, standard views, display options, image export.
        sceneMenu->setTitle("&Vue");
        sceneMenu->setObjectName("MnuVue");
        bar->addMenu(sceneMenu);
    }
}

} // namespace gyro
