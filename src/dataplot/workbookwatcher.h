// The live link: watches the workbook file and reads the range again each time it is saved.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <string>

namespace gyro {

/// Watches one workbook file. A save (in place, or by writing another file and renaming it over
/// the workbook, as spreadsheet programs do) is followed by a quiet time: the file must keep its
/// size and time for that long before it is read, and again from before to after the read, so
/// that a file still being written is never shown half-read. A file that cannot be read yet
/// (caught half-written) is tried again a few times before the failure is told.
class WorkbookWatcher : public QObject {
    Q_OBJECT
public:
    explicit WorkbookWatcher(QObject* parent = nullptr);

    /// Watches this workbook for this sheet and range; an empty path stops watching. The file as
    /// it is now counts as read: only later saves are reported.
    void watch(const QString& workbook, const QString& sheet, const QString& range);
    QString workbook() const { return m_workbook; }

    /// Quiet time before a read [ms], wait between attempts [ms], attempts before giving up.
    void setTiming(int quietMs, int retryMs, int attempts);
    /// Whether a save was seen and waits for its quiet time (or for another attempt) to be read.
    bool readPending() const { return m_timer.isActive(); }
    /// Reads of the latest save that failed so far and are to be tried again.
    int failedAttempts() const { return m_failedAttempts; }

signals:
    /// The range as read after a save: tab-separated cells, CR LF lines.
    void rangeRead(const QString& text);
    /// The saved workbook could not be read (after the retries) or cannot serve the range.
    void readFailed(const QString& message);

private:
    struct Stamp {
        std::uintmax_t size = 0;
        std::int64_t time = 0; // last write time, in the file clock's ticks
        bool exists = false;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampNow() const;
    void onChange();
    void onTimer();

    QFileSystemWatcher m_watcher;
    QTimer m_timer;
    bool m_reading = false; // a read is in progress (events are served meanwhile)
    QString m_workbook;
    std::string m_sheet;
    std::string m_range;
    Stamp m_readStamp;    // the file as last read (or as it was when watching began)
    Stamp m_pendingStamp; // the file as seen when the quiet time began
    int m_quietMs = 300;
    int m_retryMs = 500;
    int m_attempts = 10;
    int m_failedAttempts = 0;
};

} // namespace gyro
