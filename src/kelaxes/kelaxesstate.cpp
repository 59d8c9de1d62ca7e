// The axes library's program-wide objects: parameters, state, views and printer page.
#include "kelaxes/kelaxesstate.h"

#include "kelaxes/alertekelaxes.h"

#include <QFontDatabase>
#include <QPageSize>

#include <cmath>

namespace gyro {

namespace {

// The printer page in surface units (pixels at 96 dpi) over the layout's paint rectangle.
QSizeF pageSurfaceSize(const QPageLayout& layout) {
    const QRectF r = layout.paintRect(QPageLayout::Point);
    return QSizeF(r.width(), r.height()) * kSurfaceUnitsPerPoint;
}

} // namespace

KelaxesLibrary& KelaxesLibrary::instance() {
    static KelaxesLibrary library;
    return library;
}

KelaxesLibrary::KelaxesLibrary() : m_printerLayout(defaultPageLayout()) {
    for (auto& v : m_views) v = std::make_unique<DrawingSurface>();
    m_printerPage.setSize(pageSurfaceSize(m_printerLayout));
}

void KelaxesLibrary::setPrinterLayout(const QPageLayout& layout) {
    m_printerLayout = layout;
    m_printerPage.clear();
    m_printerPage.resetScale();
    m_printerPage.setSize(pageSurfaceSize(layout));
    m_printerPage.resetScale();
}

std::string KelaxesLibrary::printerOrientation() const {
    const QSizeF page = m_printerLayout.fullRect(QPageLayout::Point).size();
    return page.height() - page.width() <= 0 ? "Paysage" : "Portrait";
}

QStringList KelaxesLibrary::fontList() const {
    return m_fontList ? m_fontList() : QFontDatabase::families();
}

int KelaxesLibrary::currentSlot() const {
    if (params.noPrint == 0) return kPrinterSlot;
    const double v = std::round(params.view);
    if (!(v >= 0 && v < kViewCount)) {
        AlerteKelaxes("Faute de Kelaxes");
        return 0;
    }
    return static_cast<int>(v);
}

void KelaxesLibrary::reset() {
    params = GraphParameters{};
    state = KelaxesState{};
    for (auto& v : m_views) {
        v->clear();
        v->resetScale();
    }
    setPrinterLayout(defaultPageLayout());
}

KelaxesViewLoan::KelaxesViewLoan(KelaxesLibrary& library, int view,
                                 std::unique_ptr<DrawingSurface>& picture)
    : m_library(library), m_view(view), m_picture(picture), m_params(library.params) {
    const auto v = static_cast<std::size_t>(view);
    KelaxesState& s = library.state;
    m_window = s.window[v];
    m_last = s.last[v];
    m_drawnEnd = s.drawnEnd[v];
    m_lastMark = s.lastMark[v];
    m_pen = s.pen[v];
    library.swapView(view, picture);
}

KelaxesViewLoan::~KelaxesViewLoan() {
    m_library.swapView(m_view, m_picture);
    const auto v = static_cast<std::size_t>(m_view);
    KelaxesState& s = m_library.state;
    s.window[v] = m_window;
    s.last[v] = m_last;
    s.drawnEnd[v] = m_drawnEnd;
    s.lastMark[v] = m_lastMark;
    s.pen[v] = m_pen;
    m_library.params = m_params;
}

} // namespace gyro
