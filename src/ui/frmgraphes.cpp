// The 3D graph window: picture array, view options, print and export, and the trajectory redraw.
#include "frmgraphes.h"

#include "frmoptions.h"
#include "picturebox.h"
#include "pictureprinter.h"
#include "sheetpanel.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/runrecord.h"

#include "kelaxes/kelaxes.h"
#include "numerics/numberformat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>

namespace gyro {

namespace {
constexpr auto kSlice = std::chrono::milliseconds(10);

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}
} // namespace

FrmGraphes::FrmGraphes(KelMirav& drawing, QWidget* parent)
    : QWidget(parent, Qt::Window), m_drawing(drawing), m_views(KelaxesLibrary::instance()),
      m_pageLayout(defaultPageLayout()), m_redraw(drawing) {
    setObjectName("frmGraphes");
    setWindowTitle("Graphes Trois D");

    m_stack = new QStackedWidget(this);
    m_viewChoice = named(new QComboBox(this), "vueDevant");
    for (int v = 0; v < kPictures; ++v) {
        auto* img = new PictureBox(&KelaxesLibrary::instance().view(v), m_stack);
        img->setObjectName(QString("img_%1").arg(v));
        m_img[std::size_t(v)] = img;
        m_stack->addWidget(img);
        m_viewChoice->addItem(QString("Vue %1").arg(v));
    }
    connect(m_viewChoice, &QComboBox::currentIndexChanged, m_stack,
            &QStackedWidget::setCurrentIndex);

    m_cocheAutomatique = named(new QCheckBox("Vues Automatiques", this), "CocheAutomatique");
    m_cocheCentrage = named(new QCheckBox("Centrage Automatique", this), "CocheCentrage");
    m_optionNormal = named(new QRadioButton("Normal", this), "OptionNormal");
    m_optionLoupe = named(new QRadioButton("LOUPE cliquer avec la souris", this), "OptionLoupe");
    m_optionNormal->setChecked(true);
    auto* print = named(new QPushButton("Imprimer la vue…", this), "cmdImprimeVue");
    auto* pdf = named(new QPushButton("Exporter PDF…", this), "cmdExportPdf");
    auto* png = named(new QPushButton("Exporter PNG…", this), "cmdExportPng");
    m_warning = named(new QPlainTextEdit(this), "Warning");
    m_warning->setReadOnly(true);
    m_warning->setMaximumHeight(70);
    connect(print, &QPushButton::clicked, this, [this] { printFront(); });
    connect(pdf, &QPushButton::clicked, this, [this] { exportFront(true); });
    connect(png, &QPushButton::clicked, this, [this] { exportFront(false); });

    auto* controls = new QGridLayout;
    controls->addWidget(m_viewChoice, 0, 0);
    controls->addWidget(m_cocheAutomatique, 1, 0);
    controls->addWidget(m_cocheCentrage, 2, 0);
    controls->addWidget(m_optionNormal, 3, 0);
    controls->addWidget(m_optionLoupe, 4, 0);
    controls->addWidget(print, 5, 0);
    controls->addWidget(pdf, 6, 0);
    controls->addWidget(png, 7, 0);
    m_sheets = new SheetPanel(*this, sheetLink(), this);
    controls->addWidget(m_sheets, 8, 0);
    m_stack->addWidget(m_sheets->automaticPicture());
    m_viewChoice->addItem("Vues automatiques");
    controls->setRowStretch(9, 1);
    auto* layout = new QGridLayout(this);
    layout->setMenuBar(m_sheets->menuBar());
    layout->addWidget(m_stack, 0, 0);
    layout->addLayout(controls, 0, 1);
    layout->addWidget(m_warning, 1, 0, 1, 2);
    resize(820, 680);

    // The frame check of the view writes into this window's warning box.
    if (!DataPlotWarning)
        DataPlotWarning = [w = QPointer<QPlainTextEdit>(m_warning)](const std::string& text) {
            if (w) w->appendPlainText(QString::fromStdString(text));
        };

    m_sliceTimer = new QTimer(this);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, [this] { redrawSlice(); });

    m_drawing.setSurface(&m_views);
    m_drawing.setHost(this);
}

FrmGraphes::~FrmGraphes() {
    if (m_drawing.surface() == &m_views) m_drawing.setSurface(nullptr);
    if (m_drawing.host() == this) m_drawing.setHost(nullptr);
}

PictureBox* FrmGraphes::picture(int view) const {
    return (view >= 0 && view < kPictures) ? m_img[std::size_t(view)] : nullptr;
}

int FrmGraphes::frontView() const {
    return m_stack->currentIndex();
}

bool FrmGraphes::automaticViews() const {
    return m_cocheAutomatique->isChecked();
}
bool FrmGraphes::automaticCentring() const {
    return m_cocheCentrage->isChecked();
}
bool FrmGraphes::magnifierOn() const {
    return m_optionLoupe->isChecked();
}
void FrmGraphes::setMagnifierOff() {
    m_optionNormal->setChecked(true);
}

void FrmGraphes::chooseViewAngles() {
    if (&m_drawing == &kelMirav()) {
        showOptionsWindow(this, true);
        return;
    }
    if (!m_ownOptions) m_ownOptions = new FrmOptions(m_drawing, this);
    m_ownOptions->prepareForViewSetUp();
    m_ownOptions->exec();
}

void FrmGraphes::bringViewToFront(int view) {
    if (view >= 0 && view < kPictures) m_viewChoice->setCurrentIndex(view);
}

void FrmGraphes::redrawTrajectory(const TrajectoryRecord& record, const RedrawStyle& style) {
    m_sliceTimer->stop();
    const int view = m_nextView;
    m_nextView = (m_nextView + 1) % kStoredViews;
    m_drawing.setSurface(&m_views);
    m_drawing.setHost(this);
    m_drawing.currentView = view;
    m_views.clearPicture(view);
    bringViewToFront(view);
    show();
    raise();
    if (!m_redraw.start(record, style)) return;
    bringViewToFront(view);
    m_sliceTimer->start();
}

bool FrmGraphes::redrawing() const {
    return m_sliceTimer->isActive();
}

void FrmGraphes::redrawSlice() {
    const bool done = m_redraw.advance(kSlice);
    m_views.flush();
    if (PictureBox* img = picture(int(m_drawing.currentView))) img->update();
    theCase().setText(BoxFamily::Texte3, slot::kPlotPointCount,
                      FormatGeneral(m_drawing.pointCountBox()));
    if (!done) return;
    m_sliceTimer->stop();
    if (onRedrawDone) onRedrawDone();
}

const DrawingSurface& FrmGraphes::frontSurface() {
    // The page after the views shows the four automatic views together.
    if (frontView() >= kPictures) return m_sheets->automaticSurface();
    return KelaxesLibrary::instance().view(frontView());
}

void FrmGraphes::exportFront(bool pdf) {
    m_views.flush();
    const DrawingSurface& surface = frontSurface();
    QString error;
    const bool ok = pdf ? exportSurfacePdf(surface, m_pageLayout, this, &error)
                        : exportSurfacePng(surface, QSize(1600, 1600), this, &error);
    if (!ok && !error.isEmpty()) QMessageBox::warning(this, "Graphes Trois D", error);
}

void FrmGraphes::printFront() {
    m_views.flush();
    QString error;
    const PrintOutcome outcome = printSurface(frontSurface(), m_pageLayout, this, &error);
    if (outcome == PrintOutcome::Failed) QMessageBox::warning(this, "Graphes Trois D", error);
}

FrmGraphes& graphWindow() {
    static QPointer<FrmGraphes> window;
    if (!window) window = new FrmGraphes(kelMirav());
    return *window;
}

FrmGraphes& showGraphWindow() {
    FrmGraphes& window = graphWindow();
    window.show();
    window.raise();
    window.activateWindow();
    return window;
}

void redrawRunInGraphWindow(const TrajectoryRecord& record) {
    // The trajectory's colour and the circle's radius as the case gives them now.
    const CaseModel& model = theCase();
    double colours[13] = {};
    readColourTable(colours, model, true);
    RedrawStyle style;
    style.red = colours[1];
    style.green = colours[2];
    style.blue = colours[3];
    style.cubicView = runRecord().cubicView;
    style.discRadius = model.Texte3Value(slot::kCircleRadius);
    graphWindow().redrawTrajectory(record, style);
}

} // namespace gyro
