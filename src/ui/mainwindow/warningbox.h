// The Warning box of the main window: the newest lines of the warning log, newest on top.
#pragma once

#include "simulation/logfollower.h"

#include <QPlainTextEdit>

class QTimer;

namespace gyro {

/// Shows the error report's log ("Warning: Message des Routines" until the first line), newest
/// line on top, at most kLines lines. The log can grow by many lines a second during a run: the
/// box is refreshed ten times a second at most, with only the lines added since; after a
/// refresh that brought a whole box of new lines (a flood nobody reads line by line) the next
/// one waits kFloodIntervalMs. Each refresh that brings new lines changes the box's colours so
/// that a new line catches the eye.
class WarningBox : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr std::size_t kLines = 2000;
    static constexpr int kIntervalMs = 100;      // between refreshes, at least
    static constexpr int kFloodIntervalMs = 500; // after a refresh that filled the box

    /// Follows the error report's log from now on (one box at a time listens to it).
    explicit WarningBox(QWidget* parent = nullptr);
    ~WarningBox() override;

    /// Number of refreshes that brought new lines.
    int changeCount() const { return m_changes; }
    /// How long the next refresh waits after a new line is logged [ms].
    int refreshIntervalMs() const;
    /// Puts the new lines of the log on top now.
    void refresh();

signals:
    /// New lines of the log were put in the box.
    void logShown();

private:
    void Warning_Change();

    LogFollower m_follower;
    QTimer* m_timer = nullptr;
    int m_changes = 0;
};

} // namespace gyro
