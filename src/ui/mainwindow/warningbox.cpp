// The Warning box of the main window.
#include "ui/mainwindow/warningbox.h"

#include <QFontDatabase>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

namespace gyro {

WarningBox::WarningBox(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("Warning");
    setReadOnly(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // A read-only log has nothing to undo: without the undo record, each block of new lines
    // put on top costs only its insertion.
    document()->setUndoRedoEnabled(false);
    viewport()->setMouseTracking(true);
    setToolTip("Messages of the computations (newest on top)");
    setPlainText("Warning: Message des Routines");

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(kIntervalMs); // a log is read by people: ten refreshes a second
    connect(m_timer, &QTimer::timeout, this, &WarningBox::refresh);
    ErrorReport::instance().setLogListener([this] {
        if (!m_timer->isActive()) m_timer->start();
    });
    refresh();
}

WarningBox::~WarningBox() {
    ErrorReport::instance().setLogListener({});
}

int WarningBox::refreshIntervalMs() const {
    return m_timer->interval();
}

void WarningBox::refresh() {
    const ErrorReport& report = ErrorReport::instance();
    if (!m_follower.hasNews(report)) return;
    const LogFollower::News news = m_follower.take(report, kLines);
    // The log was cleared, or this is its first line: start the box afresh.
    if (news.restarted) clear();
    QString added;
    for (auto line = news.lines.rbegin(); line != news.lines.rend(); ++line) {
        added += QString::fromStdString(*line);
        added += '\n';
    }
    // A box full of new lines at each refresh (a run that logs every step) scrolls past unread
    // at any rate: rebuilding it less often spares the run most of the cost.
    const bool flood = news.lines.size() >= kLines;
    m_timer->setInterval(flood ? kFloodIntervalMs : kIntervalMs);
    if (flood) {
        // The new lines fill the box: whatever it showed goes, and one replacement of the
        // whole text costs far less than inserting on top and cutting as many at the bottom.
        setPlainText(added);
    } else {
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::Start);
        cursor.insertText(added);
    }
    const int excess = document()->blockCount() - 1 - static_cast<int>(kLines);
    if (excess > 0) {
        // Drop the oldest lines at the bottom (the last block is the empty one after the final
        // line break).
        QTextBlock keep = document()->findBlockByNumber(static_cast<int>(kLines));
        QTextCursor tail(document());
        tail.setPosition(keep.position());
        tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        tail.removeSelectedText();
    }
    moveCursor(QTextCursor::Start);
    Warning_Change();
    emit logShown();
}

void WarningBox::Warning_Change() {
    // Each new message changes the box's colours: purple on light cyan, then red on light
    // orange.
    ++m_changes;
    const bool odd = (m_changes % 2) != 0;
    const QColor text = odd ? QColor(255, 0, 0) : QColor(128, 0, 128);
    const QColor back = odd ? QColor(255, 192, 128) : QColor(192, 255, 255);
    setStyleSheet(
        QString("QPlainTextEdit { color: %1; background: %2; }").arg(text.name(), back.name()));
}

} // namespace gyro
