// The tracer: the link's answer, the drawing, and the live redraw after a save.
#include "dataplot/sheettracer.h"

#include "scene/kelmirav.h"

namespace gyro {

SheetTracer::SheetTracer(SheetLinkState& state, KelMirav& k, SheetTraceWindow& window,
                         QObject* parent)
    : QObject(parent), m_state(state), m_k(k), m_window(window), m_link(state) {
    connect(&m_link, &SheetLink::message, this, &SheetTracer::message);
    connect(&m_link, &SheetLink::loaded, this, &SheetTracer::onLoaded);
    connect(&m_link, &SheetLink::refused, this, [this] {
        watchWorkbook();
        draw(true, false);
    });
    connect(&m_watcher, &WorkbookWatcher::rangeRead, this, &SheetTracer::onSaved);
    connect(&m_watcher, &WorkbookWatcher::readFailed, this, &SheetTracer::message);
}

void SheetTracer::TraceSheetGraphs(const QString& source) {
    if (source.isEmpty() && m_state.loadedFlag == 0) {
        emit linkFrameVisible(true);
        m_link.Xls();
        return;
    }
    m_state.loadedFlag = 1;
    emit linkFrameVisible(false);
    draw(true, false);
}

void SheetTracer::configurationChanged() {
    m_state.loadedFlag = 0;
    m_state.boxComputedFlag = 0;
    m_watcher.watch({}, {}, {});
}

void SheetTracer::setLiveLink(bool on) {
    m_live = on;
    if (!on) m_watcher.watch({}, {}, {});
}

void SheetTracer::draw(bool askAngles, bool fromWorkbook) {
    DrawSheetViews(m_k, m_state, m_window, askAngles);
    // Empty axes alone would look like a drawing of nothing: say why there is no curve.
    if (fromWorkbook && SheetPointCount(m_state.table, m_state.rowCount) == 0)
        emit message(QString::fromStdString(NoPointMessage(m_state.config)));
    emit traced(fromWorkbook);
}

void SheetTracer::watchWorkbook() {
    const SheetLinkState& s = m_state;
    const QString book = QString::fromStdString(s.config.workbook);
    if (m_live && !book.isEmpty() && m_watcher.workbook() != book)
        m_watcher.watch(book, QString::fromStdString(s.config.sheet),
                        QString::fromStdString(s.config.range));
}

void SheetTracer::onLoaded(double, bool fromWorkbook) {
    // Watched even when it could not be read: once the spreadsheet program (or the user) saves
    // it, the curves come from it.
    watchWorkbook();
    draw(true, fromWorkbook);
}

void SheetTracer::onSaved(const QString& text) {
    std::string received = text.toStdString();
    if (received.empty()) return;
    ParseLinkText(received, m_state.lastLinkText, m_state.table, m_state.rowCount,
                  m_state.columnCount);
    // A redraw the user did not ask for keeps the angles instead of asking for them.
    draw(false, true);
}

} // namespace gyro
