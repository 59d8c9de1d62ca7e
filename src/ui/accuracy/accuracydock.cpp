// The accuracy dock: the time plot with its save buttons.
#include "ui/accuracy/accuracydock.h"

#include "ui/accuracy/energytimeplot.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace gyro {

namespace {
// Size of the PNG image of the plot: wide enough for a page or a slide.
constexpr QSize kPngSize{1200, 750};
// The plot's least height: its two graphs stay readable, and on a 720-pixel screen the scene
// above keeps most of the height.
constexpr int kPlotMinHeight = 130;
// Below this height [px] the scene gives up nothing more when the dock opens: the dock and the
// row of the log and the drift group shrink to their least heights instead.
constexpr int kSceneComfortHeight = 420;
} // namespace

AccuracyDock::AccuracyDock(EnergyTimePlot* plot, QWidget* parent)
    : QDockWidget("Accuracy", parent), m_plot(plot) {
    setObjectName("AccuracyDock");
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    auto* body = new QWidget(this);
    auto* layout = new QHBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 4);
    plot->setParent(body);
    plot->setObjectName("EnergyTimePlot");
    plot->setMinimumHeight(kPlotMinHeight);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(plot, &QWidget::customContextMenuRequested, this, &AccuracyDock::showPlotMenu);
    layout->addWidget(plot, 1);

    auto* buttons = new QVBoxLayout;
    m_png = new QPushButton("Save PNG…", body);
    m_png->setObjectName("AccuracySavePng");
    m_png->setToolTip("Save the plot as a PNG image");
    m_pdf = new QPushButton("Save PDF…", body);
    m_pdf->setObjectName("AccuracySavePdf");
    m_pdf->setToolTip("Save the plot as a one-page PDF");
    connect(m_png, &QPushButton::clicked, this, &AccuracyDock::savePngAs);
    connect(m_pdf, &QPushButton::clicked, this, &AccuracyDock::savePdfAs);
    buttons->addWidget(m_png);
    buttons->addWidget(m_pdf);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    setWidget(body);

    QAction* toggle = toggleViewAction();
    toggle->setText("Accuracy plot");
    toggle->setObjectName("MnuAccuracyPlot");

    m_askPath = [this](const QString& title, const QString& name, const QString& filter) {
        return QFileDialog::getSaveFileName(this, title, QDir::current().filePath(name), filter);
    };
}

bool AccuracyDock::savePngAs() {
    const QString title = "Save the accuracy plot";
    const QString path = m_askPath(title, "accuracy.png", "PNG image (*.png)");
    if (path.isEmpty()) return false;
    QString error;
    return told(m_plot->savePng(path, kPngSize, &error), title, error);
}

bool AccuracyDock::savePdfAs() {
    const QString title = "Save the accuracy plot as PDF";
    const QString path = m_askPath(title, "accuracy.pdf", "PDF document (*.pdf)");
    if (path.isEmpty()) return false;
    QString error;
    return told(m_plot->savePdf(path, &error), title, error);
}

bool AccuracyDock::told(bool written, const QString& title, const QString& error) {
    if (!written) QMessageBox::warning(this, title, error);
    return written;
}

void AccuracyDock::showPlotMenu(const QPoint& pos) {
    auto* menu = new QMenu(m_plot);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(m_png->text(), this, &AccuracyDock::savePngAs);
    menu->addAction(m_pdf->text(), this, &AccuracyDock::savePdfAs);
    menu->popup(m_plot->mapToGlobal(pos));
}

void keepSceneHeight(QMainWindow& window, QDockWidget& dock, QSplitter& sceneSplitter) {
    if (sceneSplitter.count() < 2) return;
    const QList<int> sizes = sceneSplitter.sizes();
    if (sizes.value(0) >= kSceneComfortHeight) return;
    window.resizeDocks({&dock}, {dock.minimumSizeHint().height()}, Qt::Vertical);
    const int total = sizes.value(0) + sizes.value(1);
    const int row = std::min(sizes.value(1), sceneSplitter.widget(1)->minimumSizeHint().height());
    sceneSplitter.setSizes({total - row, row});
}

} // namespace gyro
