// What the scene drawing needs of the pictures it draws on and of the window that holds them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace gyro {

/// The six window parameters of a view, rows 1..6 at indexes 0..5: left, top, right and bottom
/// of the world window [world units], the surface scale [surface units per world unit] (0 marks
/// a view never set up) and the zoom factor.
using ViewWindow = std::array<double, 6>;

/// A set of pictures, one per view, drawn in world coordinates through each view's window.
class ViewSurface {
public:
    virtual ~ViewSurface() = default;
    /// Makes `view` the picture that receives the drawing, seen through `window`.
    virtual void selectView(int view, const ViewWindow& window) = 0;
    /// Clears the picture of the current view and lays out its frame and axes for the world
    /// window [xMin, xMax] × [yMin, yMax] with the axis titles, leaving `margin` (percent of the
    /// range) around it. `window` comes in with the requested limits and the scale s of the
    /// view and leaves with the window actually laid out.
    virtual void Kelaxes(double xMin, double xMax, double yMin, double yMax,
                         const std::string& xTitle, const std::string& yTitle, double margin,
                         ViewWindow& window) = 0;
    /// A straight segment between two world points of the current view, in the current colour.
    virtual void Segment(double x0, double y0, double x1, double y1) = 0;
    /// A text at a world point of the current view.
    virtual void Texte(double x, double y, const std::string& text) = 0;
    /// Colour of what follows (red, green, blue, 0..255).
    virtual void SetColour(double red, double green, double blue) = 0;
    /// The colour segments are drawn in now, as 0xRRGGBB (kept with the stored points, so that
    /// a redraw of them shows each curve in its own colour).
    virtual std::uint32_t traceRgb() const { return 0; }
    /// Width and height of a view's picture [surface units].
    virtual double pictureWidth(int view) const = 0;
    virtual double pictureHeight(int view) const = 0;
    /// Erases a view's picture.
    virtual void clearPicture(int view) = 0;
};

/// The window that holds the views: its view options and the options window it opens.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    /// "Vues Automatiques": the angles come from the automatic views, not from the user.
    virtual bool automaticViews() const = 0;
    /// "Centrage Automatique": views are centred on the origin.
    virtual bool automaticCentring() const = 0;
    /// "LOUPE cliquer avec la souris" is the drawing mode.
    virtual bool magnifierOn() const = 0;
    /// Selects the normal drawing mode.
    virtual void setMagnifierOff() = 0;
    /// Lets the user choose the view angles in the options window, modally, closed by "O K".
    virtual void chooseViewAngles() = 0;
    /// Brings a view's picture to the front.
    virtual void bringViewToFront(int view) = 0;
};

} // namespace gyro
