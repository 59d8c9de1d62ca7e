// Printing a recorded picture: the print dialog, or a PDF file when no printer is installed.
#pragma once

#include "kelaxes/drawingsurface.h"

#include <QString>

#include <functional>

class QPrinter;
class QWidget;

namespace gyro {

/// Asks for the name of a file to write (title, file-type filter); empty when cancelled.
using SaveFileChooser =
    std::function<QString(QWidget* parent, const QString& title, const QString& filter)>;
/// Replaces the file dialog of the export and print routines (tests answer with a path);
/// an empty function restores the dialog.
void setSaveFileChooser(SaveFileChooser chooser);

/// Asks for a file of type `suffix` ("pdf", "png") through the chooser or the file dialog and
/// adds the suffix when missing; empty when cancelled.
QString chooseSaveFile(QWidget* parent, const QString& title, const QString& suffix);

/// True when the print system knows at least one printer.
bool printerAvailable();

/// Replays `surface` on one page of `printer` (already set up). Returns false with a message
/// when the print system refuses the job.
bool printSurfaceOn(QPrinter& printer, const DrawingSurface& surface, QString* error);

/// What `printSurface` did.
enum class PrintOutcome { Printed, SavedAsPdf, Cancelled, Failed };

/// Prints `surface` with the program's page layout `layout`: the print dialog when a printer is
/// installed (the layout takes the user's choices), otherwise a file dialog offering a PDF file
/// instead. A refused job is told in `error`; the picture on screen is not touched.
PrintOutcome printSurface(const DrawingSurface& surface, QPageLayout& layout, QWidget* parent,
                          QString* error);

/// Asks for a PDF file name (a file dialog) and writes the picture there; false when cancelled
/// or failed (message in `error`, empty on cancel).
bool exportSurfacePdf(const DrawingSurface& surface, const QPageLayout& layout, QWidget* parent,
                      QString* error);
/// Asks for a PNG or PDF file name and writes the picture there (a PNG of `pixels`, or a PDF
/// page with `layout`); false when cancelled (error empty) or failed.
bool exportSurfaceAs(const DrawingSurface& surface, const QPageLayout& layout, QSize pixels,
                     QWidget* parent, QString* error);
/// Asks for a PNG file name and writes the picture there at `pixels`.
bool exportSurfacePng(const DrawingSurface& surface, QSize pixels, QWidget* parent, QString* error);

} // namespace gyro
