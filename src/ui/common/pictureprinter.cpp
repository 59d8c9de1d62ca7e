// Printing and exporting a recorded picture through Qt PrintSupport.
#include "ui/common/pictureprinter.h"

#include <QFileDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace gyro {

namespace {

SaveFileChooser& chooser() {
    static SaveFileChooser c;
    return c;
}

// Asks for a file of type `suffix` and writes it with `write`; false when cancelled (error
// empty) or failed.
bool exportTo(QWidget* parent, QString* error, const QString& title, const QString& suffix,
              const std::function<bool(const QString&)>& write) {
    if (error) error->clear();
    const QString file = chooseSaveFile(parent, title, suffix);
    return !file.isEmpty() && write(file);
}

} // namespace

void setSaveFileChooser(SaveFileChooser c) {
    chooser() = std::move(c);
}

QString chooseSaveFile(QWidget* parent, const QString& title, const QString& suffix) {
    const QString filter = QStringLiteral("%1 (*.%2)").arg(suffix.toUpper(), suffix);
    QString name = chooser() ? chooser()(parent, title, filter)
                             : QFileDialog::getSaveFileName(parent, title, QString(), filter);
    if (!name.isEmpty() && !name.endsWith(QStringLiteral(".") + suffix, Qt::CaseInsensitive))
        name += QStringLiteral(".") + suffix;
    return name;
}

bool printerAvailable() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool printSurfaceOn(QPrinter& printer, const DrawingSurface& surface, QString* error) {
    QPainter p;
    if (!p.begin(&printer)) {
        if (error) *error = QStringLiteral("The print system refused the job.");
        return false;
    }
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    surface.replay(p, QRectF(QPointF(0, 0), page.size()));
    if (!p.end()) {
        if (error) *error = QStringLiteral("The print system could not finish the job.");
        return false;
    }
    return true;
}

PrintOutcome printSurface(const DrawingSurface& surface, QPageLayout& layout, QWidget* parent,
                          QString* error) {
    if (!printerAvailable()) {
        // No printer installed: the picture goes to a PDF file instead, and the file dialog
        // says why it is a file dialog.
        if (exportTo(parent, error, QStringLiteral("No printer found: save the page as a PDF file"),
                     QStringLiteral("pdf"),
                     [&](const QString& file) { return surface.writePdf(file, layout, error); }))
            return PrintOutcome::SavedAsPdf;
        return (error && !error->isEmpty()) ? PrintOutcome::Failed : PrintOutcome::Cancelled;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(layout);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return PrintOutcome::Cancelled;
    layout = printer.pageLayout();
    return printSurfaceOn(printer, surface, error) ? PrintOutcome::Printed : PrintOutcome::Failed;
}

bool exportSurfacePdf(const DrawingSurface& surface, const QPageLayout& layout, QWidget* parent,
                      QString* error) {
    return exportTo(parent, error, QStringLiteral("Export PDF"), QStringLiteral("pdf"),
                    [&](const QString& file) { return surface.writePdf(file, layout, error); });
}

bool exportSurfaceAs(const DrawingSurface& surface, const QPageLayout& layout, QSize pixels,
                     QWidget* parent, QString* error) {
    if (error) error->clear();
    const QString title = QStringLiteral("Enregistrer l'image");
    const QString filter = QStringLiteral("PNG (*.png);;PDF (*.pdf)");
    QString selected;
    QString name = chooser()
                       ? chooser()(parent, title, filter)
                       : QFileDialog::getSaveFileName(parent, title, QString(), filter, &selected);
    if (name.isEmpty()) return false;
    const bool pdf = name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ||
                     (selected.startsWith(QStringLiteral("PDF")) &&
                      !name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive));
    if (pdf) {
        if (!name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
            name += QStringLiteral(".pdf");
        return surface.writePdf(name, layout, error);
    }
    if (!name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) name += QStringLiteral(".png");
    return surface.writePng(name, pixels, error);
}

bool exportSurfacePng(const DrawingSurface& surface, QSize pixels, QWidget* parent,
                      QString* error) {
    return exportTo(parent, error, QStringLiteral("Export PNG"), QStringLiteral("png"),
                    [&](const QString& file) { return surface.writePng(file, pixels, error); });
}

} // namespace gyro
