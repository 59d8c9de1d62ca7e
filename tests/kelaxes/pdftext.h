// Reading back PDF files in tests with poppler-utils (pdftotext, pdfinfo).
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace gyro::test {

/// The output of a poppler tool run on `pdf`, or a null string when the tool is missing.
inline QString popplerOutput(const QString& tool, const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty()) return QString();
    QProcess run;
    run.start(exe, args);
    run.waitForFinished(60000);
    return QString::fromUtf8(run.readAllStandardOutput());
}

/// The text of a PDF file (pdftotext), or a null string without poppler-utils.
inline QString pdfText(const QString& pdf) {
    return popplerOutput(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
}

/// pdfinfo's report ("Pages:", "Page size:" ...), or a null string without poppler-utils.
inline QString pdfInfo(const QString& pdf) {
    return popplerOutput(QStringLiteral("pdfinfo"), {pdf});
}

} // namespace gyro::test
