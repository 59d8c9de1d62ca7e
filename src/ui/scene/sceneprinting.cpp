// Printing and PDF export of the live 3D scene.
#include "ui/scene/sceneprinting.h"

#include "kelaxes/drawingsurface.h"

namespace gyro {

void recordScene(DrawingSurface& surface, const Scene3D& scene, const ViewCamera& camera,
                 QSize viewport, const RenderOptions& options) {
    ViewCamera view = camera;
    view.setViewport(viewport);
    surface.clear();
    surface.setSize(QSizeF(viewport));
    surface.resetScale();
    paintSceneVector(surface.painter(), scene, view, options);
    surface.flush();
}

PrintOutcome printScene(const Scene3D& scene, const ViewCamera& camera, QSize viewport,
                        QWidget* parent, QString* error, const RenderOptions& options) {
    DrawingSurface surface;
    recordScene(surface, scene, camera, viewport, options);
    QPageLayout layout = scenePageLayout(viewport);
    return printSurface(surface, layout, parent, error);
}

bool exportScenePdfAs(const Scene3D& scene, const ViewCamera& camera, QSize viewport,
                      QWidget* parent, QString* error, const RenderOptions& options) {
    const QString file =
        chooseSaveFile(parent, QStringLiteral("Export PDF"), QStringLiteral("pdf"));
    if (error) error->clear();
    return !file.isEmpty() && exportScenePdf(scene, camera, viewport, file, error, options);
}

} // namespace gyro
