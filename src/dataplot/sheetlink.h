// The spreadsheet link as the graph window uses it: fetches the configured range of the
// workbook into the sheet table and, when the workbook cannot be read, starts the spreadsheet
// program with it, waits for it without blocking, and falls back on the example data.
#pragma once

#include "sheets/sheetlinkstate.h"
#include "sheets/workbookreader.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <string>

namespace gyro {

/// Reads like ReadWorkbookRange, on a worker thread while the event loop goes on serving the
/// windows (without an application, on this thread). Setting `cancel` abandons the read.
WorkbookText ReadWorkbookRangeServingEvents(const std::string& path, const std::string& sheet,
                                            const std::string& rangeA1, int rowLimit,
                                            std::atomic<bool>* cancel);

/// Texts the link prints on the graph window.
inline constexpr const char* kLaunchMessage = "Lancement de XLS nécessaire !!! automatique ... ";
inline constexpr const char* kWaitMessage =
    " Problème d'attente de chargement Excel, en attendant, exemple";

class SheetLink : public QObject {
    Q_OBJECT
public:
    explicit SheetLink(SheetLinkState& state, QObject* parent = nullptr);

    /// Waits of the failure path [ms]: after starting the program (7 s), then before the example
    /// is shown (2 s more). Tests shorten them.
    void setWaits(int launchWaitMs, int exampleWaitMs);

    /// Fetches the configured range into the table. Emits loaded() at once when the workbook is
    /// read; when it cannot be read, prints the launch message, starts the spreadsheet program
    /// with the workbook, and retries after the first wait; when that fails too, prints the wait
    /// message after the second wait and loads the example data (emits loaded() then). A format,
    /// sheet or range that cannot serve is reported (refused(), and the error report with the
    /// label " faute routine Xls") and the table is left as it was. A call while the link waits
    /// does nothing.
    void Xls();
    /// True while the failure path waits.
    bool waiting() const { return m_stage != Stage::Idle; }
    /// True while the workbook is being read (the windows keep answering meanwhile).
    bool reading() const { return m_reading; }
    /// Abandons a read in progress: the table stays as it was, and the link only says so (no
    /// error report, no spreadsheet program started).
    void cancelRead() { m_cancel = true; }

    /// "Excel|[book.xlsx]Feuille1" for the configured workbook and sheet.
    QString topic() const;
    /// "L2C3:L100C5" for the configured range.
    QString item() const;
    /// The program followed by a blank and the workbook: how the program is started.
    QString startCommand() const;

signals:
    /// A text to print on the graph window.
    void message(const QString& text);
    /// The table holds rowCount rows: read from the workbook (fromWorkbook) or the example.
    void loaded(double rowCount, bool fromWorkbook);
    /// The workbook was read but the configured range cannot be served (format, sheet, range).
    void refused(const QString& reason);
    /// A read of the workbook begins (true) or ends (false); cancelRead() abandons it meanwhile.
    void readingChanged(bool reading);

private:
    enum class Stage { Idle, WaitingForProgram, WaitingForExample };
    bool tryRead(QString& reason, bool& refusedRead);
    void onTimer();

    SheetLinkState& m_state;
    QTimer m_timer;
    std::atomic<bool> m_cancel{false};
    bool m_reading = false;
    Stage m_stage = Stage::Idle;
    QString m_lastReason; // why the workbook could not be read, for the last message
    int m_launchWaitMs = 7000;
    int m_exampleWaitMs = 2000;
};

} // namespace gyro
