// The 3D graph window "Graphes Trois D": the pictures of the views and how views are made.
#pragma once

#include "dataplot/kelaxesviews.h"
#include "numerics/errorreport.h"
#include "scene/trajectoryredraw.h"

#include <QPageLayout>

#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace gyro {

class FrmOptions;
class SheetPanel;
class TrajectoryRecord;
class PictureBox;
class PictureDesk;
class GraphControls;
class QuestionBoxAsker;
struct Zone;

/// The 3D graph window. It holds the pictures of views 0..9 (`img_0` .. `img_9`, the axes
/// library's view pictures, one shown in front),
/// the boxes that choose how views are made ("Vues Automatiques", "Centrage Automatique",
/// "Normal" / "LOUPE cliquer avec la souris") and the print and export of the front picture.
/// It is the surface and the host of its drawing's views.
class FrmGraphes : public QWidget, public ViewHost {
    Q_OBJECT
public:
    explicit FrmGraphes(KelMirav& drawing, QWidget* parent = nullptr);
    ~FrmGraphes() override;

    KelaxesViews& views() { return m_views; }
    KelMirav& drawing() { return m_drawing; }
    /// The spreadsheet curves: "Graphes Excel", the link and its configuration.
    SheetPanel& sheets() { return *m_sheets; }
    PictureBox* picture(int view) const;
    /// Number of pictures (views 0..9).
    static constexpr int kPictures = 10;
    /// The view whose picture is in front (or one of the pages below).
    int frontView() const;
    /// Pages after the views: the four automatic views, the magnifier, the composite view.
    static constexpr int kAutomaticPage = kPictures, kLoupePage = kPictures + 1,
                         kCompositePage = kPictures + 2;
    /// Brings a page (a view or one of the pages above) to the front.
    void showPage(int page);
    PictureDesk& desk() { return *m_stack; }
    /// The magnifier picture and the composite picture.
    PictureBox& loupePicture() { return *m_loupe; }
    PictureBox& compositePicture() { return *m_composite; }
    /// Answers the printing questions instead of message boxes (tests); null restores them.
    void setPrintAsker(Asker* asker) { m_printAsker = asker; }

    /// The magnifier of `view` for the zone between two corners (world units): drawn on the
    /// magnifier picture, printed when the user says so.
    void PrintLoupe(int view, QPointF cornerA, QPointF cornerB);
    /// The composite view of views 0..3, printed when the user says so.
    void PrintComposite();
    /// "Quitter": ends the program, after asking when pictures are drawn or a redraw runs.
    void quitProgram();
    /// The question "Quitter" asks (answered "Yes" to end the program).
    static constexpr const char* kQuitQuestion =
        "Quitter le programme ? Les graphes affichés qui n'ont pas été exportés seront perdus.";
    /// "Effacer l'écran".
    void clearScreen(bool allViews);
    /// Applies a zoom value z: the four limits of the current window become those saved at the
    /// first zoom divided by z.
    void applyZoom(double z);

    /// Redraws a recorded trajectory in the next of views 0..4, through KelT and plot, in slices
    /// of about 10 ms so the window stays responsive. A redraw in progress is replaced.
    void redrawTrajectory(const TrajectoryRecord& record, const RedrawStyle& style);
    /// A redraw is in progress.
    bool redrawing() const;
    /// Stops the redraw in progress ("Arrêter le tracé", Escape): what is drawn stays.
    void cancelRedraw();
    /// Called when a redraw has drawn its last point.
    std::function<void()> onRedrawDone;

    // ViewHost
    bool automaticViews() const override;
    bool automaticCentring() const override;
    bool magnifierOn() const override;
    void setMagnifierOff() override;
    void chooseViewAngles() override;
    void bringViewToFront(int view) override;

private:
    void redrawSlice();
    /// Draws `zone` of `view` enlarged on the magnifier page, in the zone's own shape, and
    /// brings that page to the front. False for a zone that cannot be shown.
    bool showMagnified(int view, const Zone& zone);
    const DrawingSurface& frontSurface();
    void exportFront(bool pdf);
    void printFront();
    void sendFront();
    bool printPage(const DrawingSurface& page);
    void tell(const QString& text);
    Asker& printAsker();
    void buildImageMenu();

    KelMirav& m_drawing;
    KelaxesViews m_views;
    QPageLayout m_pageLayout;
    TrajectoryRedraw m_redraw;
    QTimer* m_sliceTimer = nullptr;
    std::size_t m_slicePoints = 4096; // points the next redraw slice may plot
    int m_nextView = 0;
    PictureDesk* m_stack = nullptr;
    GraphControls* m_controls = nullptr;
    PictureBox* m_loupe = nullptr;
    PictureBox* m_composite = nullptr;
    int m_loupeView = 0; // view the magnifier shows
    Asker* m_printAsker = nullptr;
    std::unique_ptr<QuestionBoxAsker> m_questionBox;
    bool m_limitsSaved = false;
    std::array<double, 4> m_savedLimits{};
    double m_lastZoom = 1;
    std::array<PictureBox*, kPictures> m_img{};
    QComboBox* m_viewChoice = nullptr;
    QCheckBox* m_cocheAutomatique = nullptr;
    QCheckBox* m_cocheCentrage = nullptr;
    QRadioButton* m_optionNormal = nullptr;
    QRadioButton* m_optionLoupe = nullptr;
    QPlainTextEdit* m_warning = nullptr;
    QPushButton* m_stopRedraw = nullptr;
    QPointer<FrmOptions> m_ownOptions; // when the drawing is not the program's
    SheetPanel* m_sheets = nullptr;
};

/// The program's 3D graph window on the program's drawing (created on first use).
FrmGraphes& graphWindow();
/// Shows the program's 3D graph window (menu entry "Utilitaire de graphes en 3 dimensions").
FrmGraphes& showGraphWindow();
/// "New window" of the main window: redraws the trajectory of the current run in the program's
/// 3D graph window, in the trace colour and with the box of the run record, the options window
/// first when views are not automatic.
void redrawRunInGraphWindow(const TrajectoryRecord& record);

} // namespace gyro
