// The demonstration graph window.
#include "ui/dialogs/frmdemonstration.h"

#include "kelaxes/demonstration.h"
#include "numerics/errorreport.h"
#include "ui/common/picturebox.h"
#include "ui/common/pictureprinter.h"
#include "ui/dialogs/frmdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace gyro {

namespace {

constexpr int kDemoView = 1;
const QSizeF kPictureSize(800, 450);

// The page a PDF export gets: the program's page turned to the orientation the graph suits.
QPageLayout exportLayout() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    QPageLayout layout = lib.printerLayout();
    layout.setOrientation(lib.state.orientation == "Paysage" ? QPageLayout::Landscape
                                                             : QPageLayout::Portrait);
    return layout;
}

} // namespace

FrmDemonstration::FrmDemonstration(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmDemonstration");
    setWindowTitle("Démonstration");
    setAttribute(Qt::WA_DeleteOnClose);
    m_surface = std::make_unique<DrawingSurface>(kPictureSize);
    m_picture = new PictureBox(m_surface.get(), this);
    m_picture->setObjectName("Picture");
    m_picture->setMinimumSize(400, 225);
    m_status = new QLabel(this);
    m_status->setObjectName("Status");
    m_status->setWordWrap(true);

    auto button = [this](const char* name, const char* caption, void (FrmDemonstration::*slot)()) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("Print", "Print…", &FrmDemonstration::print));
    buttons->addWidget(button("ExportPdf", "Export PDF…", &FrmDemonstration::exportPdf));
    buttons->addWidget(button("ExportPng", "Export PNG…", &FrmDemonstration::exportPng));
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_picture, 1);
    column->addWidget(m_status);
    column->addLayout(buttons);
    resize(840, 560);
    redraw();
}

FrmDemonstration::~FrmDemonstration() = default;

void FrmDemonstration::redraw() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    m_surface->clear();
    m_surface->setSize(kPictureSize);
    {
        const KelaxesViewLoan loan(lib, kDemoView, m_surface);
        lib.params.noPrint = 1;
        DemonstrationGraph();
    }
    m_picture->update();
}

void FrmDemonstration::print() {
    // The printer hint lets events run: a second click meanwhile must not start another page.
    if (m_printing) return;
    const QScopedValueRollback<bool> busy(m_printing, true);
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    installPrinterHint();
    KelaxesLayout layout;
    {
        const KelaxesViewLoan loan(lib, kDemoView, m_surface);
        lib.params.noPrint = 0;
        layout = DemonstrationGraph();
    }
    if (!layout.drawn) return report("The graph could not be laid out for the printer.");
    QPageLayout page = lib.printerLayout();
    QString error;
    const PrintOutcome outcome = printSurface(lib.printerPage(), page, this, &error);
    if (outcome == PrintOutcome::Failed) return report(error);
    if (outcome == PrintOutcome::Printed) lib.setPrinterLayout(page); // the user's choices stay
    report(QString());
}

void FrmDemonstration::exportPdf() {
    QString error;
    if (!exportSurfacePdf(*m_surface, exportLayout(), this, &error) && !error.isEmpty())
        return report(error);
    report(QString());
}

void FrmDemonstration::exportPng() {
    QString error;
    const QSize pixels = (kPictureSize * 2).toSize();
    if (!exportSurfacePng(*m_surface, pixels, this, &error) && !error.isEmpty())
        return report(error);
    report(QString());
}

QString FrmDemonstration::status() const {
    return m_status->text();
}

void FrmDemonstration::report(const QString& message) {
    m_status->setText(message);
    if (!message.isEmpty()) ErrorReport::instance().appendLog(message.toStdString());
}

void showDemonstrationGraph(QWidget* parent) {
    auto* window = new FrmDemonstration(parent);
    window->show();
    window->raise();
}

} // namespace gyro
