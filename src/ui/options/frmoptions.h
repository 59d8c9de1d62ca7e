// The options window "Options de démarrage": viewing direction with its live preview, main body,
// and the numbered records of "miravop.set".
#pragma once

#include "scene/viewoptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace gyro {

class PreviewPicture;

/// The options window. It is created once and stays loaded; its load reads the record last used
/// (record 1 at first, created from the window's settings when the file is empty). Controls
/// carry their names ("Coche3", "DefilementH1", "Commande3", "Image1", "Etiquette1" ...).
class FrmOptions : public QDialog {
    Q_OBJECT
public:
    explicit FrmOptions(KelMirav& drawing, QWidget* parent = nullptr);

    /// As the scene set-up shows it: "Validation" hidden, "O K" visible and the default button.
    void prepareForViewSetUp();
    /// As the menu shows it: both buttons, "Validation" the default.
    void prepareForMenu();

    ViewOptions& options() { return m_options; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void AfficheAngles(double ascensionDeg, double declinationDeg);
    void redrawPreview();
    OptionsInputs inputs() const;
    void moveNavigationBar(const RecordShown& shown);
    void showRecord(const RecordShown& shown);

    void DefilementH4_Change();
    void Commande1_Click();
    void Commande2_Click();
    void Commande3_Click();
    void AppliqueAngle(QScrollBar* bar);
    void Image1_Drag(double x, double y);
    void Coche2_Click();

    ViewOptions m_options;

    QCheckBox* m_coche3 = nullptr; // Remplace
    QScrollBar* m_defilementH2 = nullptr;
    QScrollBar* m_defilementH1 = nullptr;
    QPushButton* m_commande3 = nullptr; // O K
    QPushButton* m_commande1 = nullptr; // enreg.
    QScrollBar* m_defilementH4 = nullptr;
    QPushButton* m_commande2 = nullptr; // Validation
    QCheckBox* m_coche2 = nullptr;      // lunaire hyperbolique
    QCheckBox* m_coche1 = nullptr;      // Astre Opaque
    QComboBox* m_liste = nullptr;       // ListeModifiable1
    PreviewPicture* m_image1 = nullptr;
    QLabel* m_etiquette7 = nullptr;
    QLabel* m_etiquette10 = nullptr;
    QLabel* m_etiquette9 = nullptr;
    QLabel* m_etiquette1 = nullptr;

    // Guards against re-entry, as the tags of the controls.
    QString m_navigationTag; // "ne pas faire Change" while the program moves the record bar
    QScrollBar* m_focusBar = nullptr; // the angle bar whose value is being applied ("Focus")
    bool m_settingBars = false;       // the program sets the angle bars ("Notfocus")
    bool m_dragging = false;          // "EnMouvement"
};

/// The program's options window (created on first use, kept loaded), shown modally by the scene
/// set-up or not modally from the main window's menu entry "Options ". Returns the window.
FrmOptions& showOptionsWindow(QWidget* parent, bool modal);
/// The program's options window without showing it (created on first use).
FrmOptions& optionsWindow();

} // namespace gyro
