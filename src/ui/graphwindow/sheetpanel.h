// The spreadsheet side of the 3D graph window: "Graphes Excel", the link configuration (boxes,
// dialogs, menus), the print selection, and the window side of the sheet tracer.
#pragma once

#include "dataplot/sheettracer.h"
#include "sheets/linkconfiguration.h"

#include <QPageLayout>
#include <QWidget>

#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;

namespace gyro {

class DrawingSurface;
class FrmGraphes;
class InputBoxAsker;
class PictureBox;

class SheetPanel : public QWidget, public SheetTraceWindow {
    Q_OBJECT
public:
    /// The panel of the graph window `window`, on the link state `state` (not owned). Reads
    /// "kelmirav.ini" into the boxes.
    explicit SheetPanel(FrmGraphes& window, SheetLinkState& state, QWidget* parent = nullptr);
    ~SheetPanel() override;

    /// The window's menus "&Fichier" and "&Aide".
    QMenuBar* menuBar() const { return m_menuBar; }
    /// The picture of the four automatic views (a page of the window's picture stack).
    QWidget* automaticPicture() const;
    /// The four automatic views of the last tracing, composed on one picture.
    DrawingSurface& automaticSurface();
    SheetTracer& tracer() { return *m_tracer; }
    /// Replaces the file dialogs (tests choose files without them).
    void setFileChooser(FileChooser choose) { m_choose = std::move(choose); }

    // SheetTraceWindow
    void echo(const std::string& text) override;
    void lineStyle(double style) override;
    void placeView(int view, int column, int row) override;
    void bringCommandsToFront() override;
    bool printGraphs() const override;
    void endPrinterPage() override;

private:
    void trace();
    void configure();
    void chooseProgram();
    void saveConfiguration();
    void showMessage(const QString& text);
    void printOnWindow(const QString& text);
    /// Prints a message on a line of its own.
    void printLine(const QString& text);
    void boxCommitted(QLineEdit* box);
    void fillBoxes();
    void finishPictures();
    void showTraced();
    void buildMenus();
    /// Shows the reading note and its Cancel button while the workbook is read.
    void showReading(bool reading);
    std::string chooseFile(FileChoice choice, const std::string& current);

    FrmGraphes& m_window;
    SheetLinkState& m_state;
    std::unique_ptr<SheetTracer> m_tracer;
    std::unique_ptr<InputBoxAsker> m_asker;
    FileChooser m_choose;
    bool m_automaticLayout = false;
    QMenuBar* m_menuBar = nullptr;
    PictureBox* m_automaticPicture = nullptr;
    QPageLayout m_pageLayout;
    QPushButton* m_cmdConfigXls = nullptr;
    QGroupBox* m_linkFrame = nullptr;
    QLabel* m_linkText = nullptr;
    QLineEdit* m_range = nullptr;     // Txt1
    QLineEdit* m_sheet = nullptr;     // txt3
    QLineEdit* m_workbook = nullptr;  // txt2
    QLabel* m_message = nullptr;      // lbl1
    QWidget* m_readingNote = nullptr; // "Lecture du classeur" and its Cancel button
    QPushButton* m_cancelRead = nullptr;
    QCheckBox* m_liveLink = nullptr;
    QRadioButton* m_printGraphs = nullptr;
    QRadioButton* m_noPrintGraphs = nullptr;
    QPushButton* m_printSetup = nullptr;
};

} // namespace gyro
