// The state of the projective drawing: the view frame, the scene settings, the table of views
// with their pens and stored points, and the options shared with the options window.
#pragma once

#include "scene/viewstate.h"
#include "scene/viewsurface.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gyro {

/// Views 0..10; stored points are kept for views 0..4, at most 32000 per view.
inline constexpr int kDrawingViews = 11;
inline constexpr int kStoredViews = 5;
inline constexpr int kMaxStoredPoints = 32000;

/// One pen of a view: down (1) or up (0), the hidden run (1 while the trace is behind the
/// central body) and the image position of the pen.
struct PenTrack {
    double penDown = 0;
    double hiddenRun = 0;
    double x = 0, y = 0;
};

/// A stored point: image X, Y (or world x, y, z after the Z stretch), the pen state, and the
/// colour it was drawn in (0xRRGGBB).
struct StoredImagePoint {
    double x, y, pen;
    std::uint32_t rgb = 0;
};
struct StoredWorldPoint {
    double x, y, z, pen;
};

/// The drawing settings read by KelT and plot.
struct SceneSettings {
    double zStretch = 1;      ///< multiplies z before projection (0 taken as 1)
    double secondStretch = 1; ///< companion factor (0 taken as 1)
    double drawingOn = 0;     ///< 0: plot returns at once; KelT sets 1
    double storePoints = 0;   ///< 0: every drawn point is stored
    double depthFactor = 0;   ///< multiplies the depth P·d; 0 switches hiding off
    double bodyRadius = 0;    ///< R: points are drawn at their altitude above it [world units]
    double discRadius = 0;    ///< screen radius of the central body's disc [image units]
    double cubeOn = 0;        ///< 1: "Cubic Visualisation", the box and the point's shadows
    double cubeSize = 0;      ///< size of the box; 0 takes the view's world half-width
    Vecteur3 cubeCentre;      ///< centre of the box [world units]
    double cubeDrawn = 0;     ///< 1 once the figure's box is drawn; cleared by a new figure
};

/// Settings of the options window shared with the drawing.
struct ViewOptionsState {
    std::string NomAstre = "TERRE"; ///< main body, upper-cased and trimmed
    double AstreOpaque = 0;         ///< 1: the main body hides what lies behind it
    double EnregARemplacer = 0;     ///< record that "enreg." replaces (0: append)
};

/// The projective drawing: KelT sets a view up on a picture, plot puts 3D points on it. One
/// object holds all the state (the program has one, see kelMirav(); tests make their own). The
/// stored-point tables are allocated once here, so plot never allocates.
class KelMirav {
public:
    KelMirav();

    ViewState view;           ///< angles and frame
    SceneSettings scene;      ///< drawing settings
    ViewOptionsState options; ///< what the options window leaves for the drawing
    double currentView = 0;   ///< view drawn into (rounded where used)
    double resetFlag = 0;     ///< 1: every set-up starts afresh and the axes get no margin

    /// Where the pictures are drawn and which window holds them (not owned; may be null: then
    /// nothing is drawn, the tables are kept, and angles are taken as they stand).
    void setSurface(ViewSurface* surface);
    ViewSurface* surface() const { return m_surface; }
    void setHost(ViewHost* host) { m_host = host; }
    ViewHost* host() const { return m_host; }

    /// Sets the current view up: r, and ω, i, Ω [deg] give the centre R(ω, i, Ω)·(r, 0, 0)
    /// (the origin when centring is automatic), h the world half-width, s the scale [image units
    /// per world unit]. Asks for the angles first unless views are automatic, rebuilds the frame,
    /// lays out the axes with their captions and writes the scale caption. A view number outside
    /// 0..10 or arguments that are not finite are reported ("KelTfaute") and nothing is drawn.
    void KelT(double r, double omega, double inclination, double bigOmega, double h, double s);

    /// Draws the 3D point P [world units] in the current view: the segment from the view's
    /// previous point, less the part hidden behind the central body, the box and the point's
    /// shadows with "Cubic Visualisation", then stores it (views 0..4, up to 32000 points). A
    /// view outside 0..10 or a point that is not finite is reported ("plot") and not drawn.
    void plot(const Vecteur3& P);

    /// Lifts the pens of the current view: the next point starts a new piece of the figure.
    void PenLift();
    /// Starts a new figure in the current view: pens up, the box to be drawn again.
    void startFigure();
    /// Forgets every view: windows, pens, counts and stored points (a new run).
    void clearViews();

    /// The current window parameters and those kept for each view.
    const ViewWindow& currentWindow() const { return m_window; }
    /// Replaces the four limits (left, top, right, bottom) of the current window parameters.
    void setCurrentLimits(double left, double top, double right, double bottom);
    const ViewWindow& windowOf(int view) const { return m_windows.at(std::size_t(view)); }
    /// The trace pen of a view (0..10).
    const PenTrack& pen(int view) const { return m_pens.at(std::size_t(view))[0]; }
    /// Points counted in a view (stored ones for views 0..4), at most 32000.
    double pointCount(int view) const { return m_counts.at(std::size_t(view)); }
    /// The count last written for the point-count box.
    double pointCountBox() const { return m_countBox; }
    /// Stored point i (0-based) of a view 0..4.
    const StoredImagePoint& storedImage(int view, int i) const;
    const StoredWorldPoint& storedWorld(int view, int i) const;
    /// Captions of the last set-up: horizontal, vertical axis and scale.
    const std::string& horizontalCaption() const { return m_hCaption; }
    const std::string& verticalCaption() const { return m_vCaption; }
    const std::string& scaleCaption() const { return m_scaleCaption; }

private:
    // Channels of a view: 0 the trace, 1..3 the shadows on the faces x, y, z = low side.
    static constexpr int kChannels = 4;
    using ViewPens = std::array<PenTrack, kChannels>;

    int viewIndex() const;
    void switchView(int view);
    void drawTo(int view, int channel, Vecteur3 P);
    void moveOrDraw(PenTrack& pen, double x, double y);
    void drawCube(int view);

    ViewSurface* m_surface = nullptr;
    ViewHost* m_host = nullptr;
    ViewWindow m_window{};
    int m_lastView = -1;
    std::array<ViewWindow, kDrawingViews> m_windows{};
    std::array<double, kDrawingViews> m_halfWidth{};
    std::array<double, kDrawingViews> m_keep{};
    std::array<double, kDrawingViews> m_zoom{};
    std::array<double, kDrawingViews> m_keptScale{};
    std::array<bool, kDrawingViews> m_unstoredTold{};
    std::array<ViewPens, kDrawingViews> m_pens{};
    std::array<double, kDrawingViews> m_counts{};
    double m_countBox = 0;
    double m_imageX = 0, m_imageY = 0; // image of the last point projected
    Vecteur3 m_previous;
    std::vector<StoredImagePoint> m_images; // kStoredViews × kMaxStoredPoints
    std::vector<StoredWorldPoint> m_worlds;
    std::string m_hCaption, m_vCaption, m_scaleCaption;
};

/// The program's projective drawing.
KelMirav& kelMirav();

} // namespace gyro
