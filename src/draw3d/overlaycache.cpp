// The scene's lasting overlays, drawn once per change and blended by tiles.
#include "draw3d/overlaycache.h"

#include <QPainter>

#include <utility>

namespace gyro {

bool OverlayCache::Key::operator==(const Key& o) const {
    auto same = [](const Point3d& a, const Point3d& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    };
    return camera == o.camera && options == o.options && setUp == o.setUp && reset == o.reset &&
           labels == o.labels && title == o.title && frameExtent == o.frameExtent &&
           same(boundsMin, o.boundsMin) && same(boundsMax, o.boundsMax);
}

const QImage& OverlayCache::lasting(const Scene3D& scene, const ViewCamera& camera,
                                    const RenderOptions& options) {
    Key key;
    key.camera = camera;
    key.options = options;
    key.setUp = scene.setUpRevision();
    key.reset = scene.resetRevision();
    key.labels = scene.labelRevision();
    key.title = scene.title();
    key.frameExtent = scene.frameExtent();
    if (!(key.frameExtent > 0)) {
        key.boundsMin = scene.bounds().min;
        key.boundsMax = scene.bounds().max;
    }
    if (m_valid && m_image.size() == camera.viewport() && key == m_key) return m_image;
    if (m_image.size() != camera.viewport())
        m_image = QImage(camera.viewport(), QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    {
        QPainter p(&m_image);
        SceneRenderer::drawOverlay(p, scene, camera, options, OverlayParts::Lasting);
    }
    findTiles();
    m_key = std::move(key);
    m_valid = true;
    ++m_revision;
    return m_image;
}

void OverlayCache::findTiles() {
    constexpr int kTile = 64;
    m_tiles.clear();
    for (int y = 0; y < m_image.height(); y += kTile) {
        for (int x = 0; x < m_image.width(); x += kTile) {
            const QRect tile = QRect(x, y, kTile, kTile) & m_image.rect();
            bool used = false;
            for (int row = tile.top(); row <= tile.bottom() && !used; ++row) {
                const auto* line = reinterpret_cast<const QRgb*>(m_image.constScanLine(row));
                for (int col = tile.left(); col <= tile.right(); ++col) {
                    if (line[col] != 0) {
                        used = true;
                        break;
                    }
                }
            }
            if (used) m_tiles.push_back(tile);
        }
    }
}

void OverlayCache::blend(QPainter& painter, double ratio) const {
    for (const QRect& tile : m_tiles)
        painter.drawImage(
            QRectF(tile.x() / ratio, tile.y() / ratio, tile.width() / ratio, tile.height() / ratio),
            m_image, tile);
}

} // namespace gyro
