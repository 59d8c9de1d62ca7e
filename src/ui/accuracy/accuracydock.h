// The bottom dock of the main window with the accuracy time plot.
#pragma once

#include <QDockWidget>

#include <functional>

class QMainWindow;
class QSplitter;
class QPushButton;

namespace gyro {

class EnergyTimePlot;

/// "Accuracy": the time plot of W and mu with "Save PNG…" and "Save PDF…" beside it; the same
/// two entries on the plot's context menu. Its toggle action is "Accuracy plot".
class AccuracyDock : public QDockWidget {
    Q_OBJECT
public:
    /// Asks where to save: (dialog title, suggested file name, file filter) -> path, empty when
    /// cancelled.
    using PathAsker = std::function<QString(const QString&, const QString&, const QString&)>;

    AccuracyDock(EnergyTimePlot* plot, QWidget* parent = nullptr);

    /// Replaces the save dialog (tests answer with a path of their own).
    void setPathAsker(PathAsker asker) { m_askPath = std::move(asker); }
    /// Asks for a file and writes the plot there as a PNG image; false when nothing was written.
    bool savePngAs();
    /// Asks for a file and writes the plot there as a one-page PDF.
    bool savePdfAs();

    QPushButton* pngButton() const { return m_png; }
    QPushButton* pdfButton() const { return m_pdf; }

private:
    void showPlotMenu(const QPoint& pos);
    /// Tells the outcome of a save: a message box on failure.
    bool told(bool written, const QString& title, const QString& error);

    EnergyTimePlot* m_plot;
    QPushButton* m_png = nullptr;
    QPushButton* m_pdf = nullptr;
    PathAsker m_askPath;
};

/// When the dock has just opened on a short window, lets the scene (the first cell of
/// `sceneSplitter`) keep a useful height: the dock and the row below the scene shrink to their
/// least heights instead.
void keepSceneHeight(QMainWindow& window, QDockWidget& dock, QSplitter& sceneSplitter);

} // namespace gyro
