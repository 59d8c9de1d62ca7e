// The spreadsheet link's fetch and its failure path, timed by a single-shot timer.
#include "dataplot/sheetlink.h"
#include "numerics/constants.h"

#include "numerics/errorreport.h"
#include "sheets/cellrange.h"
#include "sheets/workbookreader.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QThread>

namespace gyro {

WorkbookText ReadWorkbookRangeServingEvents(const std::string& path, const std::string& sheet,
                                            const std::string& rangeA1, int rowLimit,
                                            std::atomic<bool>* cancel) {
    WorkbookLimits limits;
    limits.cancel = cancel;
    if (!QCoreApplication::instance())
        return ReadWorkbookRange(path, sheet, rangeA1, rowLimit, limits);
    WorkbookText read;
    // The read itself runs in a helper process; this thread only waits for its answer, so the
    // windows keep painting and answering while a large or hostile workbook is read.
    QThread* worker =
        QThread::create([&] { read = ReadWorkbookRange(path, sheet, rangeA1, rowLimit, limits); });
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    if (!worker->isFinished()) loop.exec();
    worker->wait();
    delete worker;
    return read;
}

SheetLink::SheetLink(SheetLinkState& state, QObject* parent) : QObject(parent), m_state(state) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SheetLink::onTimer);
}

void SheetLink::setWaits(int launchWaitMs, int exampleWaitMs) {
    m_launchWaitMs = launchWaitMs;
    m_exampleWaitMs = exampleWaitMs;
}

QString SheetLink::topic() const {
    return QString::fromStdString(LinkTopic(m_state.config.workbook, m_state.config.sheet));
}

QString SheetLink::item() const {
    return QString::fromStdString(ItemFromRange(m_state.config.range));
}

QString SheetLink::startCommand() const {
    return QString::fromStdString(m_state.config.program + " " + m_state.config.workbook);
}

bool SheetLink::tryRead(QString& reason, bool& refusedRead) {
    m_cancel = false;
    m_reading = true;
    emit readingChanged(true);
    const WorkbookText read =
        ReadWorkbookRangeServingEvents(m_state.config.workbook, m_state.config.sheet,
                                       m_state.config.range, kSheetTableRows, &m_cancel);
    m_reading = false;
    emit readingChanged(false);
    // A workbook refused for its cost, or a read the user abandoned, is not handed to the
    // spreadsheet program either.
    refusedRead =
        read.failure == WorkbookFailure::Refused || read.failure == WorkbookFailure::Cancelled;
    reason = QString::fromStdString(read.message);
    if (!read.ok()) return false;
    std::string text = read.text;
    if (text.empty()) text = LineBreak; // a range always holds at least one (empty) row
    ParseLinkText(text, m_state.lastLinkText, m_state.table, m_state.rowCount, m_state.columnCount);
    return true;
}

void SheetLink::Xls() {
    if (waiting() || m_reading) return;
    QString reason;
    bool refusedRead = false;
    if (tryRead(reason, refusedRead)) {
        emit loaded(m_state.rowCount, true);
        return;
    }
    if (m_cancel) { // the user abandoned the read: said on the window, nothing else
        emit message(reason);
        return;
    }
    if (refusedRead) {
        emit message(reason);
        emit refused(reason);
        AlerteCalcul(" faute routine Xls: " + reason.toStdString());
        return;
    }
    // The workbook cannot be read as it stands: let the spreadsheet program open it (it may
    // repair or convert it, or the user saves it again), and come back later.
    emit message(QString::fromUtf8(kLaunchMessage));
    const QString program = QString::fromStdString(m_state.config.program).trimmed();
    if (program.isEmpty() ||
        !QProcess::startDetached(program, {QString::fromStdString(m_state.config.workbook)}))
        AlerteCalcul("_Xlsfaute: the spreadsheet program could not be started: " +
                     startCommand().toStdString() + " (" + reason.toStdString() + ")");
    m_stage = Stage::WaitingForProgram;
    m_timer.start(m_launchWaitMs);
}

void SheetLink::onTimer() {
    if (m_stage == Stage::WaitingForProgram) {
        QString reason;
        bool refusedRead = false;
        if (tryRead(reason, refusedRead)) {
            m_stage = Stage::Idle;
            emit loaded(m_state.rowCount, true);
            return;
        }
        if (m_cancel) {
            m_stage = Stage::Idle;
            emit message(reason);
            return;
        }
        m_lastReason = reason;
        m_stage = Stage::WaitingForExample;
        m_timer.start(m_exampleWaitMs);
        return;
    }
    m_stage = Stage::Idle;
    emit message(QString::fromUtf8(kWaitMessage));
    // Say which workbook failed and why, and whose curves are shown instead: they do not come
    // from that workbook.
    const bool earlier = !m_state.lastLinkText.empty();
    emit message(QString::fromUtf8("Le classeur %1 n'a pas pu être lu (%2) : %3.")
                     .arg(QString::fromStdString(m_state.config.workbook), m_lastReason,
                          earlier ? QString::fromUtf8("les courbes montrées sont celles du "
                                                      "dernier classeur lu")
                                  : QString::fromUtf8("les courbes montrées sont l'exemple")));
    emit loaded(LoadExampleData(m_state), false);
}

} // namespace gyro
