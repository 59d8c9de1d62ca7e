// The window of the axes library's demonstration graph, with printing and export.
#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace gyro {

class DrawingSurface;
class PictureBox;

/// Shows the demonstration graph (drawn as view 1 of the axes library, but on a picture of the
/// window's own: the graph window's views are never touched), with "Print…",
/// "Export PDF…" and "Export PNG…". Deletes itself when closed.
class FrmDemonstration : public QWidget {
    Q_OBJECT
public:
    explicit FrmDemonstration(QWidget* parent = nullptr);
    ~FrmDemonstration() override;

    /// Draws the graph again on the picture.
    void redraw();
    /// Prints the graph on the program's printer page (the printer hint may turn the page
    /// first); without a printer, offers a PDF file. Problems are shown and logged.
    void print();
    void exportPdf();
    void exportPng();
    /// The last message shown under the picture (empty when all went well).
    QString status() const;

private:
    void report(const QString& message);

    std::unique_ptr<DrawingSurface> m_surface; // the demonstration's own picture
    PictureBox* m_picture;
    QLabel* m_status;
    bool m_printing = false;
};

/// Opens the demonstration graph window (the main window's "Démonstration" entry).
void showDemonstrationGraph(QWidget* parent);

} // namespace gyro
