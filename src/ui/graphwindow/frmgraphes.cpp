// The 3D graph window: picture array, view options, print and export, and the trajectory redraw.
#include "ui/graphwindow/frmgraphes.h"

#include "dataplot/graphprinting.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/runrecord.h"
#include "ui/common/picturebox.h"
#include "ui/common/pictureprinter.h"
#include "ui/dialogs/questionboxasker.h"
#include "ui/graphwindow/graphcontrols.h"
#include "ui/graphwindow/picturedesk.h"
#include "ui/graphwindow/sheetpanel.h"
#include "ui/options/frmoptions.h"

#include "kelaxes/kelaxes.h"
#include "numerics/numberformat.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {
// Plotting time of one slice of a redraw: with the painting of what it drew onto the picture's
// kept image, a slice stays well inside the time the window may take to answer.
constexpr auto kSlice = std::chrono::milliseconds(5);
// Bounds of the number of points a slice may plot (it adapts to what they cost to paint).
constexpr std::size_t kFewestSlicePoints = 64, kMostSlicePoints = 1 << 20;

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

    m_stack = new PictureDesk(this);
    m_viewChoice = named(new QComboBox(this), "vueDevant");
    for (int v = 0; v < kPictures; ++v) {
        auto* img = new PictureBox(&KelaxesLibrary::instance().view(v), m_stack);
        img->setObjectName(QString("img_%1").arg(v));
        m_img[std::size_t(v)] = img;
        m_stack->addPage(img);
        m_viewChoice->addItem(QString("Vue %1").arg(v));
    }
    connect(m_viewChoice, &QComboBox::currentIndexChanged, m_stack, &PictureDesk::setCurrentIndex);

    m_cocheAutomatique = named(new QCheckBox("Vues Automatiques", this), "CocheAutomatique");
    m_cocheCentrage = named(new QCheckBox("Centrage Automatique", this), "CocheCentrage");
    m_optionNormal = named(new QRadioButton("Normal", this), "OptionNormal");
    m_optionLoupe = named(new QRadioButton("LOUPE cliquer avec la souris", this), "OptionLoupe");
    m_optionNormal->setChecked(true);
    auto* print = named(new QPushButton("Imprimer la vue…", this), "cmdImprimeVue");
    auto* pdf = named(new QPushButton("Exporter PDF…", this), "cmdExportPdf");
    auto* png = named(new QPushButton("Exporter PNG…", this), "cmdExportPng");
    m_stopRedraw =
        named(new QPushButton(QString::fromUtf8("Arrêter le tracé"), this), "cmdArretTrace");
    m_stopRedraw->setEnabled(false);
    m_stopRedraw->setShortcut(Qt::Key_Escape);
    connect(m_stopRedraw, &QPushButton::clicked, this, &FrmGraphes::cancelRedraw);
    m_warning = named(new QPlainTextEdit(this), "Warning");
    m_warning->setReadOnly(true);
    m_warning->setMaximumHeight(70);
    connect(print, &QPushButton::clicked, this, [this] { printFront(); });
    connect(pdf, &QPushButton::clicked, this, [this] { exportFront(true); });
    connect(png, &QPushButton::clicked, this, [this] { exportFront(false); });

    // The controls in a column that scrolls when the window is short.
    auto* column = new QWidget;
    auto* controls = new QGridLayout(column);
    auto* scroller = named(new QScrollArea(this), "colonneCommandes");
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    controls->addWidget(m_viewChoice, 0, 0);
    controls->addWidget(m_cocheAutomatique, 1, 0);
    controls->addWidget(m_cocheCentrage, 2, 0);
    controls->addWidget(m_optionNormal, 3, 0);
    controls->addWidget(m_optionLoupe, 4, 0);
    controls->addWidget(m_stopRedraw, 5, 0);
    controls->addWidget(print, 6, 0);
    controls->addWidget(pdf, 7, 0);
    controls->addWidget(png, 8, 0);
    m_controls = new GraphControls(this);
    controls->addWidget(m_controls, 9, 0);
    m_sheets = new SheetPanel(*this, sheetLink(), this);
    controls->addWidget(m_sheets, 10, 0);
    m_stack->addPage(m_sheets->automaticPicture());
    m_viewChoice->addItem("Vues automatiques");
    m_loupe = named(new PictureBox(nullptr), "imgLoupe");
    m_stack->addPage(m_loupe);
    m_viewChoice->addItem("Loupe");
    m_composite = named(new PictureBox(nullptr), "imgComposite");
    m_composite->surface().setSize(QSizeF(800, 800));
    m_stack->addPage(m_composite);
    m_viewChoice->addItem("Vue composite");
    controls->setRowStretch(11, 1);
    auto* layout = new QGridLayout(this);
    layout->setMenuBar(m_sheets->menuBar());
    buildImageMenu();
    layout->addWidget(m_stack, 0, 0);
    scroller->setWidget(column);
    scroller->setMinimumWidth(column->sizeHint().width() + 20);
    layout->addWidget(scroller, 0, 1);
    layout->setColumnStretch(0, 1);
    layout->addWidget(m_warning, 1, 0, 1, 2);
    resize(1100, 780);

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

    connect(m_stack, &PictureDesk::magnifierStarted, this,
            [this] { m_optionLoupe->setChecked(true); });
    connect(m_stack, &PictureDesk::zoneDragged, this, [this](int, QRectF z) {
        m_controls->showZone(z.left(), z.bottom(), z.right(), z.top());
    });
    connect(m_stack, &PictureDesk::pictureSized, m_controls,
            [this](int, QSize size) { m_controls->showImageSize(size); });
    connect(m_stack, &PictureDesk::zoneReleased, this, [this](int page, QPointF a, QPointF b) {
        if (page == kLoupePage) page = m_loupeView; // a magnifier of the magnifier
        if (page >= 0 && page < kStoredViews) PrintLoupe(page, a, b);
        // The magnifier is one gesture: the next plot is a normal one again, the same picture
        // as before the gesture.
        setMagnifierOff();
    });
    connect(m_controls, &GraphControls::clearRequested, this, &FrmGraphes::clearScreen);
    connect(m_controls, &GraphControls::sendImage, this, &FrmGraphes::sendFront);
    connect(m_controls, &GraphControls::quitRequested, this, &FrmGraphes::quitProgram);
    connect(m_controls, &GraphControls::compositeRequested, this, &FrmGraphes::PrintComposite);
    connect(m_controls, &GraphControls::zoomChosen, this, &FrmGraphes::applyZoom);
    connect(m_controls, &GraphControls::zoomRefused, this, &FrmGraphes::tell);
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

void FrmGraphes::showPage(int page) {
    if (page >= 0 && page < m_viewChoice->count()) m_viewChoice->setCurrentIndex(page);
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
    m_stopRedraw->setEnabled(true);
    m_slicePoints = 4096;
    m_sliceTimer->start();
}

bool FrmGraphes::redrawing() const {
    return m_sliceTimer->isActive();
}

void FrmGraphes::cancelRedraw() {
    if (!redrawing()) return;
    m_sliceTimer->stop();
    m_stopRedraw->setEnabled(false);
    m_views.flush();
    if (PictureBox* img = picture(int(m_drawing.currentView))) img->update();
    tell(QString::fromUtf8("Tracé arrêté : %1 points dessinés sur %2.")
             .arg(m_redraw.drawn())
             .arg(m_redraw.size()));
}

void FrmGraphes::redrawSlice() {
    using Clock = std::chrono::steady_clock;
    const auto begun = Clock::now();
    const bool done = m_redraw.advance(kSlice, m_slicePoints);
    // What the slice drew goes onto the picture's kept image now, inside the slice, so that
    // the time it takes counts in the slice's size: long chords across a thinned orbit cost far
    // more to paint than to compute, and the next slice takes fewer of them.
    m_views.flush();
    PictureBox* img = picture(int(m_drawing.currentView));
    if (img) img->surface().flush();
    const auto spent = Clock::now() - begun;
    if (spent > 2 * kSlice)
        m_slicePoints = std::max<std::size_t>(kFewestSlicePoints, m_slicePoints / 2);
    else if (spent < kSlice)
        m_slicePoints = std::min<std::size_t>(kMostSlicePoints, m_slicePoints * 3 / 2);
    if (img) img->update();
    theCase().setText(BoxFamily::Texte3, slot::kPlotPointCount,
                      FormatGeneral(m_drawing.pointCountBox()));
    if (!done) return;
    m_sliceTimer->stop();
    m_stopRedraw->setEnabled(false);
    if (onRedrawDone) onRedrawDone();
}

const DrawingSurface& FrmGraphes::frontSurface() {
    switch (frontView()) {
    case kAutomaticPage:
        return m_sheets->automaticSurface();
    case kLoupePage:
        return m_loupe->surface();
    case kCompositePage:
        return m_composite->surface();
    default:
        return KelaxesLibrary::instance().view(frontView());
    }
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

void FrmGraphes::buildImageMenu() {
    QMenu* menu = m_sheets->menuBar()->addMenu("&Image");
    menu->setObjectName("mnuImage");
    menu->addAction("&Imprimer la vue…", this, [this] { printFront(); })
        ->setObjectName("mnuImprimeVue");
    menu->addAction("Exporter &PDF…", this, [this] { exportFront(true); })
        ->setObjectName("mnuExportPdf");
    menu->addAction("Exporter P&NG…", this, [this] { exportFront(false); })
        ->setObjectName("mnuExportPng");
    menu->addAction("&Envoyer Img", this, [this] { sendFront(); })->setObjectName("mnuEnvoyerImg");
}

void FrmGraphes::tell(const QString& text) {
    m_warning->appendPlainText(text);
}

Asker& FrmGraphes::printAsker() {
    if (m_printAsker) return *m_printAsker;
    if (!m_questionBox) m_questionBox = std::make_unique<QuestionBoxAsker>(this);
    return *m_questionBox;
}

bool FrmGraphes::printPage(const DrawingSurface& page) {
    QString error;
    const PrintOutcome outcome = printSurface(page, m_pageLayout, this, &error);
    if (outcome == PrintOutcome::Failed) tell(error); // the screen drawing stays
    return outcome == PrintOutcome::Printed || outcome == PrintOutcome::SavedAsPdf;
}

void FrmGraphes::sendFront() {
    m_views.flush();
    const DrawingSurface& surface = frontSurface();
    QApplication::clipboard()->setImage(surface.toImage(QSize(1600, 1600)));
    tell("Image copiée dans le presse-papiers.");
    QString error;
    if (!exportSurfaceAs(surface, m_pageLayout, QSize(1600, 1600), this, &error) &&
        !error.isEmpty())
        tell(error);
}

void FrmGraphes::PrintLoupe(int view, QPointF cornerA, QPointF cornerB) {
    m_views.flush();
    const Zone zone = ZoneFromCorners(cornerA.x(), cornerA.y(), cornerB.x(), cornerB.y());
    m_controls->showZone(zone.x1, zone.y1, zone.x2, zone.y2);
    if (!(zone.x2 > zone.x1 && zone.y1 > zone.y2)) {
        tell("Loupe : la zone choisie est vide.");
        return;
    }
    // The zone's frame on the view's own picture.
    DrawingSurface& source = KelaxesLibrary::instance().view(view);
    QPainter& p = source.painter();
    p.save();
    p.setPen(QPen(Qt::darkGray, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(source.toSurface(zone.x1, zone.y1), source.toSurface(zone.x2, zone.y2))
                   .normalized());
    p.restore();
    source.flush();
    if (PictureBox* img = picture(view)) img->update();

    if (!showMagnified(view, zone) || !m_controls->printMagnifier()) return;
    gyro::PrintLoupe(m_drawing, view, zone, m_loupe->surface(), printAsker(),
                     [this](const DrawingSurface& page) { return printPage(page); });
    m_loupe->update();
}

void FrmGraphes::PrintComposite() {
    m_views.flush();
    DrawComposite(m_drawing, m_composite->surface());
    showPage(kCompositePage);
    m_composite->update();
    gyro::PrintComposite(m_drawing, m_composite->surface(), printAsker(),
                         [this](const DrawingSurface& page) { return printPage(page); });
    m_composite->update();
}

void FrmGraphes::clearScreen(bool allViews) {
    m_sliceTimer->stop();
    m_stopRedraw->setEnabled(false);
    m_views.flush();
    if (!allViews) {
        m_drawing.currentView = 0;
        m_nextView = 0;
    }
    for (int v = 0; v < kPictures; ++v) m_views.clearPicture(v);
    m_loupe->surface().clear();
    m_composite->surface().clear();
    m_sheets->automaticSurface().clear();
    m_stack->sendHome();
    if (!automaticViews()) setMagnifierOff();
    // The cleared view in front, not one of the pages made from views.
    if (frontView() >= kPictures)
        bringViewToFront(std::clamp(int(m_drawing.currentView), 0, kPictures - 1));
    for (int page = 0; page < m_stack->count(); ++page) m_stack->page(page)->update();
}

void FrmGraphes::quitProgram() {
    // Pictures are not kept anywhere once the program ends: ask before losing a redraw in
    // progress or a drawn picture.
    bool drawn = redrawing();
    for (int v = 0; v < kPictures && !drawn; ++v)
        drawn = !KelaxesLibrary::instance().view(v).isEmpty();
    if (drawn && printAsker().ask(kQuitQuestion, "Quitter", kNo) != kYes) return;
    m_sliceTimer->stop();
    QApplication::closeAllWindows();
}

void FrmGraphes::applyZoom(double z) {
    if (!(z > 0) || !std::isfinite(z)) {
        tell("Zoom : la valeur doit être un nombre positif.");
        return;
    }
    if (!m_limitsSaved) {
        const ViewWindow& w = m_drawing.currentWindow();
        m_savedLimits = {w[0], w[1], w[2], w[3]};
        m_limitsSaved = true;
    }
    if (z == m_lastZoom) return;
    m_lastZoom = z;
    m_controls->showZoom(z);
    const auto& l = m_savedLimits;
    m_drawing.setCurrentLimits(l[0] / z, l[1] / z, l[2] / z, l[3] / z);
    // What the zoom does shows at once: the centre of the view, z times larger, on the Loupe
    // page (from the points the view keeps).
    const int view = std::clamp(int(m_drawing.currentView), 0, kPictures - 1);
    const ViewWindow& w = m_drawing.windowOf(view);
    const double cx = (w[0] + w[2]) / 2, cy = (w[1] + w[3]) / 2;
    const double hx = (w[2] - w[0]) / 2 / z, hy = (w[1] - w[3]) / 2 / z;
    const bool shown = view < kStoredViews && w[4] != 0 &&
                       showMagnified(view, Zone{cx - hx, cy + hy, cx + hx, cy - hy});
    const auto n = [](double v) { return QString::number(v, 'g', 4); };
    tell(
        QString::fromUtf8("Zoom %1 : limites de la vue %2 : gauche %3, haut %4, droite %5, "
                          "bas %6%7")
            .arg(n(z))
            .arg(view)
            .arg(n(l[0] / z), n(l[1] / z), n(l[2] / z), n(l[3] / z))
            .arg(shown ? QString::fromUtf8(" (son centre agrandi sur la page Loupe)") : QString()));
}

bool FrmGraphes::showMagnified(int view, const Zone& zone) {
    m_views.flush();
    DrawingSurface& source = KelaxesLibrary::instance().view(view);
    const QRectF onSource =
        QRectF(source.toSurface(zone.x1, zone.y1), source.toSurface(zone.x2, zone.y2)).normalized();
    // The magnifier picture has the zone's own shape, as large as the view's picture: the
    // zone fills it at the view's scales (a square zone of an equal-scale view stays square).
    const double k = std::min(source.size().width() / onSource.width(),
                              source.size().height() / onSource.height());
    if (!(std::isfinite(k) && k > 0)) return false;
    m_loupeView = view;
    m_loupe->surface().setSize(onSource.size() * k);
    if (!DrawZone(m_drawing, view, zone, m_loupe->surface(), false)) return false;
    showPage(kLoupePage);
    m_loupe->update();
    return true;
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
