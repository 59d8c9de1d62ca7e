// The bottom dock of the main window with the accuracy time plot, and the placing of the other
// accuracy widgets in the window's panels.
#pragma once

#include <QDockWidget>

#include <functional>

class QMainWindow;
class QPushButton;

namespace gyro {

class AccuracyPanels;
class CasePanel;
class EnergyTimePlot;
class RunLoop;
class RunPanel;

/// "Accuracy": the time plot of W and mu with "Save PNG…" and "Save PDF…" beside it; the same
/// two entries on the plot's context menu. Hidden until chosen from the menu.
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

/// Places the accuracy widgets of `panels` in the main window: the hint and the integration
/// method in the Integration group, the W read-out beside the run's time, the drift group
/// beside `besideDrift` (a widget of a splitter), and the time plot in a bottom dock toggled
/// from the window's "&Vue" menu; the panels then refresh with the run loop's time box. Returns
/// the dock.
AccuracyDock* placeAccuracyPanels(AccuracyPanels& panels, QMainWindow& window, CasePanel& cases,
                                  RunPanel& run, QWidget& besideDrift, const RunLoop& loop);

} // namespace gyro
