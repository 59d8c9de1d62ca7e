// The four automatic views side by side: on a painter, and as a PNG or PDF file.
#pragma once

#include <QString>

class QPainter;

namespace gyro {

class RecordedViews;

/// Side of the square that holds the four views [surface units]: two pictures each way.
double AutomaticViewsSide();

/// Replays views 0..3 in their automatic places (0 top left, 1 top right, 2 bottom left,
/// 3 bottom right) on a painter whose coordinates are surface units, AutomaticViewsSide() square.
void ReplayAutomaticViews(RecordedViews& views, QPainter& painter);

/// Writes the four views as a PNG image of `pixels` pixels square, or as a one-page A4 PDF, on
/// white. The file is replaced only once the new one is complete. False, with the reason in
/// error, when it cannot be written.
bool ExportAutomaticViewsPng(RecordedViews& views, const QString& file, int pixels,
                             QString* error = nullptr);
bool ExportAutomaticViewsPdf(RecordedViews& views, const QString& file, QString* error = nullptr);

} // namespace gyro
