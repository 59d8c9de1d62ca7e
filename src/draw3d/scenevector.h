// The live 3D scene drawn as vectors through QPainter, for PDF files and the printer.
#pragma once

#include "draw3d/scenerenderer.h"

#include <QPageLayout>
#include <QString>

class QPainter;

namespace gyro {

/// Draws the scene (background, cube, axes, circles, traces, arrows, then the overlays: axis
/// names, graduations, scale bar, triad, run tags, caption) with `painter` in the camera's
/// viewport coordinates (pixels). Traces become polylines thinned to the output resolution:
/// a point closer than `minStepPixels` to the last kept one is merged into the next, while the
/// ends of every piece and every change of colour are kept.
void paintSceneVector(QPainter& painter, const Scene3D& scene, const ViewCamera& camera,
                      const RenderOptions& options = {}, double minStepPixels = 0.5);

/// The page a scene of `viewport` pixels is printed on: A4 with 10 mm margins, landscape for a
/// wide view, portrait for a tall one.
QPageLayout scenePageLayout(QSize viewport);

/// Writes the scene seen through `camera` (its viewport is set to `viewport`) as a one-page PDF
/// through a temporary file, so a failure never damages an existing file. Returns false with a
/// message in `error`.
bool exportScenePdf(const Scene3D& scene, ViewCamera camera, QSize viewport, const QString& file,
                    QString* error, const RenderOptions& options = {});

} // namespace gyro
