// The tracer of the graph window: fetches the sheet through the link when asked, draws it, and
// draws it again whenever the watched workbook is saved.
#pragma once

#include "dataplot/sheetdrawing.h"
#include "dataplot/sheetlink.h"
#include "dataplot/workbookwatcher.h"

#include <QObject>

namespace gyro {

class KelMirav;

class SheetTracer : public QObject {
    Q_OBJECT
public:
    /// state, k and window are not owned and must outlive the tracer.
    SheetTracer(SheetLinkState& state, KelMirav& k, SheetTraceWindow& window,
                QObject* parent = nullptr);

    SheetLink& link() { return m_link; }
    WorkbookWatcher& watcher() { return m_watcher; }

    /// Draws the sheet. With an empty source and no table marked loaded, the table is fetched
    /// through the link first (the drawing follows when the link answers, at once or after its
    /// waits); otherwise the table is drawn as it stands and marked loaded.
    void TraceSheetGraphs(const QString& source = {});

    /// The workbook, sheet or range changed: the table is to be fetched again, and the live link
    /// follows the new workbook once it has been read.
    void configurationChanged();

    /// Redraw on every save of the workbook (on by default).
    void setLiveLink(bool on);
    bool liveLink() const { return m_live; }

signals:
    /// A text to print on the graph window (link messages, live-link failures).
    void message(const QString& text);
    /// Show (true) or hide the window's link frame.
    void linkFrameVisible(bool visible);
    /// The views were drawn; fromWorkbook false when they show the example data.
    void traced(bool fromWorkbook);

private:
    void draw(bool askAngles, bool fromWorkbook);
    void watchWorkbook();
    void onLoaded(double rowCount, bool fromWorkbook);
    void onSaved(const QString& text);

    SheetLinkState& m_state;
    KelMirav& m_k;
    SheetTraceWindow& m_window;
    SheetLink m_link;
    WorkbookWatcher m_watcher;
    bool m_live = true;
};

} // namespace gyro
