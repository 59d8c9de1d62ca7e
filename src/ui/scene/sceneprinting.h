// Printing and PDF export of the live 3D scene from the main window.
#pragma once

#include "draw3d/scenevector.h"
#include "ui/common/pictureprinter.h"

class QWidget;

namespace gyro {

/// Records the scene as the view shows it (`viewport` pixels) on a drawing surface.
void recordScene(DrawingSurface& surface, const Scene3D& scene, const ViewCamera& camera,
                 QSize viewport, const RenderOptions& options = {});

/// Fichier → "Print…": prints the scene on the printer the print dialog gives, on a page turned
/// to the view's shape; without a printer, offers a PDF file instead.
PrintOutcome printScene(const Scene3D& scene, const ViewCamera& camera, QSize viewport,
                        QWidget* parent, QString* error, const RenderOptions& options = {});

/// Fichier → "Export PDF…": asks for a file name and writes the scene there as vectors. False
/// when cancelled (error empty) or failed (message in `error`).
bool exportScenePdfAs(const Scene3D& scene, const ViewCamera& camera, QSize viewport,
                      QWidget* parent, QString* error, const RenderOptions& options = {});

} // namespace gyro
