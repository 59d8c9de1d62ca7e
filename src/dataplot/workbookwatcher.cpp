// Watching the workbook file: a quiet time after each change, then a read checked for stability.
#include "dataplot/workbookwatcher.h"
#include "dataplot/sheetlink.h"

#include "sheets/sheettable.h"
#include "sheets/workbookreader.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace gyro {

WorkbookWatcher::WorkbookWatcher(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &WorkbookWatcher::onTimer);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &WorkbookWatcher::onChange);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &WorkbookWatcher::onChange);
}

void WorkbookWatcher::setTiming(int quietMs, int retryMs, int attempts) {
    m_quietMs = quietMs;
    m_retryMs = retryMs;
    m_attempts = attempts;
}

void WorkbookWatcher::watch(const QString& workbook, const QString& sheet, const QString& range) {
    m_timer.stop();
    if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
    m_workbook = workbook;
    m_sheet = sheet.toStdString();
    m_range = range.toStdString();
    m_failedAttempts = 0;
    if (workbook.isEmpty()) return;
    // The folder is watched too: a save by rename replaces the file the watch was on.
    m_watcher.addPath(QFileInfo(workbook).absolutePath());
    if (QFileInfo::exists(workbook)) m_watcher.addPath(workbook);
    m_readStamp = stampNow();
}

WorkbookWatcher::Stamp WorkbookWatcher::stampNow() const {
    Stamp stamp;
    std::error_code ec;
    const std::filesystem::path path(m_workbook.toStdString());
    if (!std::filesystem::is_regular_file(path, ec)) return stamp;
    stamp.size = std::filesystem::file_size(path, ec);
    stamp.time = std::filesystem::last_write_time(path, ec).time_since_epoch().count();
    stamp.exists = !ec;
    return stamp;
}

void WorkbookWatcher::onChange() {
    if (m_workbook.isEmpty()) return;
    if (QFileInfo::exists(m_workbook) && !m_watcher.files().contains(m_workbook))
        m_watcher.addPath(m_workbook);
    const Stamp now = stampNow();
    if (!now.exists || (now == m_readStamp && !m_timer.isActive())) return;
    m_pendingStamp = now;
    m_failedAttempts = 0;
    m_timer.start(m_quietMs); // each new change restarts the quiet time
}

void WorkbookWatcher::onTimer() {
    const Stamp before = stampNow();
    if (!before.exists || !(before == m_pendingStamp)) {
        // Still changing (or replaced right now): wait for quiet again.
        m_pendingStamp = before;
        if (before.exists) m_timer.start(m_quietMs);
        return;
    }
    if (m_reading) return;
    m_reading = true;
    std::atomic<bool> cancel{false};
    const WorkbookText read = ReadWorkbookRangeServingEvents(m_workbook.toStdString(), m_sheet,
                                                             m_range, kSheetTableRows, &cancel);
    m_reading = false;
    const Stamp after = stampNow();
    if (!(after == before)) {
        m_pendingStamp = after;
        m_timer.start(m_quietMs);
        return;
    }
    if (read.ok()) {
        m_readStamp = after;
        m_failedAttempts = 0;
        emit rangeRead(QString::fromStdString(read.text));
        return;
    }
    if (read.failure == WorkbookFailure::Unreadable && ++m_failedAttempts < m_attempts) {
        m_timer.start(m_retryMs); // perhaps caught half-written: try again
        return;
    }
    m_readStamp = after;
    m_failedAttempts = 0;
    emit readFailed(QString::fromStdString(read.message));
}

} // namespace gyro
