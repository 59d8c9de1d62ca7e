// The scene's lasting overlays (frame labels, axes, scale, title) kept as one transparent image:
// drawing their text outlines at every frame would cost more than the trace itself.
#pragma once

#include "draw3d/scenerenderer.h"
#include "draw3d/viewcamera.h"
#include "scene/scene3d.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <string>
#include <vector>

class QPainter;

namespace gyro {

/// The overlays that change only with the view, the options and the run's set-up, drawn on a
/// transparent image of the camera's viewport and redrawn only when one of those changed. The
/// image is mostly empty: only its tiles that hold anything are blended over a frame.
class OverlayCache {
public:
    /// The overlay for this scene, camera and options, drawn again only when they changed.
    const QImage& lasting(const Scene3D& scene, const ViewCamera& camera,
                          const RenderOptions& options);
    /// Blends the non-empty tiles of the last overlay over `painter`, whose logical pixels are
    /// `ratio` device pixels.
    void blend(QPainter& painter, double ratio) const;
    /// Increases whenever the overlay is drawn again: a picture showing the old one must then
    /// be repainted whole.
    std::uint64_t revision() const { return m_revision; }

private:
    // What the overlay was drawn for.
    struct Key {
        ViewCamera camera;
        RenderOptions options;
        std::uint64_t setUp = 0, reset = 0, labels = 0;
        std::string title;
        double frameExtent = 0;
        Point3d boundsMin, boundsMax; // the axes follow the content while there is no frame
        bool operator==(const Key&) const;
    };
    void findTiles();

    QImage m_image;
    std::vector<QRect> m_tiles; // the parts of the image that hold anything
    Key m_key;
    bool m_valid = false;
    std::uint64_t m_revision = 0;
};

} // namespace gyro
