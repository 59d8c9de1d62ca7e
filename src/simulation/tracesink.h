// The drawing operations a run uses to build its live 3D scene; plain C++ so the run driver can
// call them without knowing who draws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gyro {

struct ArrowRecipe;
struct Vecteur3;

/// One of the arrows a step draws from its point: the arrow's scale factor (as for
/// `SetVectorScale`), its colour (red, green, blue in 0..255) and, when `drawn`, its tip (m).
struct StepArrow {
    double factor;
    double red, green, blue;
    bool drawn;
    double x, y, z;
};

/// Receiver of a run's scene: the set-up calls, then points, arrows and circles.
/// Lengths are in metres, colours are red, green, blue in 0..255 (values outside are clamped,
/// fractions rounded). Implemented by the scene model `Scene3D` (which records everything and
/// can be rendered without a window) and by the `Traceur3D` widget (which forwards to its model).
///
/// Guarantees every implementation keeps: successive `Point` calls draw one continuous trace
/// that `PenLift` (and a new `SetShot`) interrupts; `Segment` and `Circle` draw in the colour set
/// last (by `SetColour` or `SetLineColour`); `Point` draws in the colour of the last `SetColour`.
class TraceSink {
public:
    virtual ~TraceSink() = default;

    /// Drawing mode: 1 draws every point as a separate dot, any other value (the run uses 2)
    /// joins successive points into lines.
    virtual void SetMode(int mode) = 0;
    /// Scene values, kept as given. The first one, when not 0, asks for the cubic visualisation:
    /// a wire cube of half-edge the frame's extent around the frame's centre. The others are
    /// stored (`sceneValue`) and not interpreted.
    virtual void SetScene(double cube, double v2, double v3, double v4, double v5, double v6,
                          double v7) = 0;
    /// Scale factor of the next arrow (stored for the caller's reference; the arrow's end point
    /// passed to `Segment` already contains it) and its style: 0 draws a plain line, any other
    /// value an arrow with a head at the end point.
    virtual void SetVectorScale(double factor, std::int16_t style) = 0;
    /// The frame of the scene: centre (x, y, z) in metres, a reserved value, the extent (radius
    /// in metres of the region the run draws in, which sets the initial zoom), a title shown in
    /// the view (empty: none) and an option that is not used.
    virtual void SetFrame(double x, double y, double z, double reserved, double extent,
                          const std::string& title,
                          std::optional<double> option = std::nullopt) = 0;
    /// Ends the set-up of a run's scene: a view the user has not moved is brought to the frame.
    virtual void EndSetUp(std::optional<double> a = std::nullopt,
                          std::optional<double> b = std::nullopt) = 0;
    /// Tag of each run's trace: its size in points (clamped to 4..40; 0 hides tags) and its text;
    /// the tag reads the text followed by the shot number, at the trace's first point.
    virtual void SetLabel(double size, const std::string& text) = 0;
    /// Starts a new run's trace (the pen is lifted) numbered `shot`; the colour goes back to
    /// black, so that what the run draws before its first colour call (its circles) is black.
    virtual void SetShot(double shot) = 0;
    /// Preferred starting view: "near" (the frame's extent fills the view), "far" (three times
    /// as wide), "top", "front" or "side" (looking along -z, +y or -x); other texts keep the
    /// default oblique view.
    virtual void SetViewText(const std::string& text) = 0;
    /// A circle of radius `radius` (m) in the plane z = 0 around the z axis, in the last colour;
    /// `width` is its pen width in pixels (values below 1 give 1, above 8 give 8).
    virtual void Circle(double radius, double width) = 0;
    /// The next point (m) of the current trace, in the colour of the last `SetColour`.
    virtual void Point(double x, double y, double z) = 0;
    /// A straight arrow shaft from (x1, y1, z1) to (x2, y2, z2) (m), in the last colour.
    virtual void Segment(double x1, double y1, double z1, double x2, double y2, double z2) = 0;
    /// Colour of the following points (and of segments and circles until the next colour call).
    virtual void SetColour(double red, double green, double blue) = 0;
    /// Colour of the following arrows and circles; the points keep the last `SetColour`.
    virtual void SetLineColour(double red, double green, double blue) = 0;
    /// Line width in pixels of traces (0.5..8) and the smallest step between two stored points
    /// of a trace, as a fraction of the frame's extent: a point closer than that to the one
    /// before it (same colour, same trace) is not stored. 0 keeps every point.
    virtual void SetLimits(double lineWidth, double minStep) = 0;
    /// Ends the current trace: the next `Point` starts a new piece. Both arguments are unused.
    virtual void PenLift(std::int16_t a = 0, std::int16_t b = 0) = 0;
    /// The next `Point` is the first of the run's own trajectory (what came before since
    /// `SetShot` were field lines): the run's tag belongs there. Drawing nothing by itself.
    virtual void MarkTrajectoryStart() {}
    /// A run's step with arrows, given as what its arrows are made from: the recipe (the same
    /// while its revision stays), the position R [m], velocity V [m/s] and B [T] there and the
    /// trajectory's size [m]; the arrows are those ArrowMaker makes of them, with the recipe's E.
    /// A sink that keeps the recipe may make and store them itself, later or on another thread,
    /// and returns true; false (the default) when it wants them made and sent by StepArrows. A
    /// step whose arrows could report (ArrowMaker::mayReport) never comes this way.
    virtual bool StepState(const ArrowRecipe& /*recipe*/, const Vecteur3& /*R*/,
                           const Vecteur3& /*V*/, const Vecteur3& /*B*/, double /*size*/) {
        return false;
    }
    /// The arrows of one step, all starting at (x, y, z) (m): for each in turn, the same as
    /// `SetVectorScale(factor, style)`, `SetLineColour(red, green, blue)` and, when it is drawn,
    /// `Segment` from (x, y, z) to its tip. A receiver may take them in one go.
    virtual void StepArrows(double x, double y, double z, const StepArrow* arrows, int count,
                            std::int16_t style) {
        for (int i = 0; i < count; ++i) {
            const StepArrow& a = arrows[i];
            SetVectorScale(a.factor, style);
            SetLineColour(a.red, a.green, a.blue);
            if (a.drawn) Segment(x, y, z, a.x, a.y, a.z);
        }
    }
};

} // namespace gyro
