// The graph window's spreadsheet panel: each handler calls one routine of the link or tracer.
#include "ui/graphwindow/sheetpanel.h"

#include "dataplot/automaticviews.h"
#include "dataplot/sheetlinestyle.h"
#include "kelaxes/kelaxesstate.h"
#include "sheets/cellrange.h"
#include "ui/common/picturebox.h"
#include "ui/common/pictureprinter.h"
#include "ui/dialogs/inputboxasker.h"
#include "ui/graphwindow/frmgraphes.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTextCursor>
#include <QVBoxLayout>

#include <filesystem>

namespace gyro {

namespace {

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

SheetPanel::SheetPanel(FrmGraphes& window, SheetLinkState& state, QWidget* parent)
    : QWidget(parent), m_window(window), m_state(state),
      m_tracer(std::make_unique<SheetTracer>(state, window.drawing(), *this)),
      m_asker(std::make_unique<InputBoxAsker>(this)), m_pageLayout(defaultPageLayout()) {
    setObjectName("panneauTableur");
    auto* tracer = named(new QPushButton("Graphes Excel", this), "cmdTracer");
    m_cmdConfigXls =
        named(new QPushButton("Configuration Feuille et plage Excel", this), "CmdConfigXls");
    m_cmdConfigXls->hide(); // shown by "&Fichier Excel 5"
    m_linkFrame = named(new QGroupBox("Liaison tableur", this), "cadreLiaison");
    m_range = named(new QLineEdit(m_linkFrame), "Txt1");
    m_sheet = named(new QLineEdit(m_linkFrame), "txt3");
    m_workbook = named(new QLineEdit(m_linkFrame), "txt2");
    m_linkText = named(new QLabel(m_linkFrame), "lblLiaison");
    m_liveLink =
        named(new QCheckBox("Relire à chaque enregistrement", m_linkFrame), "CocheLiaison");
    m_liveLink->setChecked(true);
    auto* form = new QFormLayout(m_linkFrame);
    form->addRow("Plage de cellules", m_range);
    form->addRow("Onglet", m_sheet);
    form->addRow("Fichier sélectionné", m_workbook);
    form->addRow(m_linkText);
    form->addRow(m_liveLink);
    m_message = named(new QLabel(this), "lbl1");
    m_message->setWordWrap(true);
    m_message->hide();
    // While a workbook is read (a large one can take a while), a note says so and offers to
    // abandon the read; Escape does the same.
    m_readingNote = named(new QWidget(this), "cadreLecture");
    auto* readingText =
        named(new QLabel(QString::fromUtf8("Lecture du classeur en cours…"), m_readingNote),
              "lblLecture");
    m_cancelRead =
        named(new QPushButton("Annuler la lecture (Échap)", m_readingNote), "CmdAnnulerLecture");
    auto* readingLayout = new QHBoxLayout(m_readingNote);
    readingLayout->setContentsMargins(0, 0, 0, 0);
    readingLayout->addWidget(readingText, 1);
    readingLayout->addWidget(m_cancelRead);
    m_readingNote->hide();

    auto* printFrame = named(new QGroupBox("Selection impression", this), "cadreImpression");
    m_printGraphs = named(new QRadioButton("Imprimer les graphes", printFrame), "OptPrintGraph");
    m_noPrintGraphs =
        named(new QRadioButton("Ne pas imprimer les graphes", printFrame), "OptNonPrintGraph");
    m_printSetup = named(new QPushButton("Configurer (Impression)", printFrame), "Commande1");
    m_noPrintGraphs->setChecked(true);
    m_printSetup->hide();
    auto* printLayout = new QVBoxLayout(printFrame);
    printLayout->addWidget(m_printGraphs);
    printLayout->addWidget(m_noPrintGraphs);
    printLayout->addWidget(m_printSetup);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tracer);
    layout->addWidget(m_cmdConfigXls);
    layout->addWidget(m_linkFrame);
    layout->addWidget(m_message);
    layout->addWidget(m_readingNote);
    layout->addWidget(printFrame);

    m_automaticPicture = named(new PictureBox(nullptr), "imgAutomatiques");
    buildMenus();

    connect(tracer, &QPushButton::clicked, this, &SheetPanel::trace);
    connect(m_cmdConfigXls, &QPushButton::clicked, this, &SheetPanel::configure);
    for (QLineEdit* box : {m_range, m_sheet, m_workbook})
        connect(box, &QLineEdit::editingFinished, this, [this, box] { boxCommitted(box); });
    connect(m_liveLink, &QCheckBox::toggled, this, [this](bool on) { m_tracer->setLiveLink(on); });
    connect(m_printGraphs, &QRadioButton::toggled, m_printSetup, &QWidget::setVisible);
    connect(m_tracer.get(), &SheetTracer::message, this, &SheetPanel::printLine);
    connect(m_tracer.get(), &SheetTracer::linkFrameVisible, m_linkFrame, &QWidget::setVisible);
    connect(m_tracer.get(), &SheetTracer::traced, this, &SheetPanel::showTraced);
    connect(&m_tracer->link(), &SheetLink::readingChanged, this, &SheetPanel::showReading);
    connect(m_cancelRead, &QPushButton::clicked, this, [this] { m_tracer->link().cancelRead(); });
    // Escape acts at once (a button's own shortcut would click it only a moment later); the
    // shortcut lives on the note, so it answers only while the note shows.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), m_readingNote), &QShortcut::activated, this,
            [this] { m_tracer->link().cancelRead(); });

    // A settings file that is not there yet means a link not configured; one that cannot be
    // read is told.
    const std::string problem = LoadLinkConfiguration(m_state);
    if (!problem.empty()) printLine(Q(problem));
    fillBoxes();
}

SheetPanel::~SheetPanel() = default;

QWidget* SheetPanel::automaticPicture() const {
    return m_automaticPicture;
}

void SheetPanel::buildMenus() {
    m_menuBar = new QMenuBar(this);
    QMenu* file = m_menuBar->addMenu("&Fichier");
    file->setObjectName("mnuFichier");
    file->addAction("&Fichier Excel 5", this,
                    [this] {
                        m_cmdConfigXls->show();
                        configure();
                    })
        ->setObjectName("mnuFichierExcel");
    file->addAction("est &EXCEL.EXE ?", this, &SheetPanel::chooseProgram)
        ->setObjectName("mnuExcelExe");
    file->addAction("&Enregistre la Config", this, &SheetPanel::saveConfiguration)
        ->setObjectName("mnuEnregistreConfig");
    file->addAction("&Imprimer les graphes", this,
                    [this] {
                        m_printGraphs->setChecked(true);
                        m_printGraphs->parentWidget()->show();
                    })
        ->setObjectName("mnuImprimerGraphes");
    file->addAction("&Configuration Impression")->setObjectName("mnuConfigImpression");
    file->addAction("&Quitter", &m_window, &QWidget::close)->setObjectName("MnuQuitter");
    QMenu* help = m_menuBar->addMenu("&Aide");
    help->setObjectName("mnuAide");
    help->addAction("&Informations", this,
                    [this] {
                        QMessageBox::information(this, "Information sur l'aide !",
                                                 Q(GraphHelpText()),
                                                 QMessageBox::Ok | QMessageBox::Cancel);
                    })
        ->setObjectName("mnuInformations");
    help->addAction("&Commentaires", this,
                    [this] {
                        QMessageBox::information(this, "Pour Information sur l'aide !",
                                                 Q(GraphCommentText()));
                    })
        ->setObjectName("MnuHelpKel");
}

void SheetPanel::trace() {
    if (auto* surface = m_window.drawing().surface()) surface->SetColour(0, 0, 0);
    m_tracer->TraceSheetGraphs();
}

void SheetPanel::configure() {
    Asker* asker = ErrorReport::instance().asker();
    const std::string message = ConfigureLink(
        m_state, asker ? *asker : *m_asker,
        [this](FileChoice c, const std::string& current) { return chooseFile(c, current); });
    fillBoxes();
    m_tracer->configurationChanged();
    showMessage(Q(message));
}

void SheetPanel::chooseProgram() {
    showMessage(Q(ChooseSpreadsheetProgram(
        m_state, [this](FileChoice c, const std::string& cur) { return chooseFile(c, cur); })));
    fillBoxes();
}

void SheetPanel::saveConfiguration() {
    showMessage(Q(SaveLinkConfiguration(m_state)));
}

std::string SheetPanel::chooseFile(FileChoice choice, const std::string& current) {
    if (m_choose) return m_choose(choice, current);
    const bool program = choice == FileChoice::Program;
    return QFileDialog::getOpenFileName(
               this, program ? "est EXCEL.EXE ?" : "Fichier Excel", Q(current),
               program ? QString()
                       : "Classeurs (*.xlsx *.xlsm *.ods *.csv *.xml);;Tous les fichiers (*)")
        .toStdString();
}

void SheetPanel::showReading(bool reading) {
    m_readingNote->setVisible(reading);
    if (reading) m_readingNote->raise();
}

void SheetPanel::showMessage(const QString& text) {
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
    if (!text.isEmpty()) m_message->raise();
}

void SheetPanel::printOnWindow(const QString& text) {
    auto* box = m_window.findChild<QPlainTextEdit*>("Warning");
    if (!box) return;
    QTextCursor end(box->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(text).replace("\r\n", "\n"));
    box->ensureCursorVisible();
}

void SheetPanel::printLine(const QString& text) {
    auto* box = m_window.findChild<QPlainTextEdit*>("Warning");
    const bool midLine = box && !box->toPlainText().isEmpty() && !box->toPlainText().endsWith('\n');
    printOnWindow((midLine ? "\n" : "") + text + "\n");
}

void SheetPanel::boxCommitted(QLineEdit* box) {
    const std::string text = box->text().trimmed().toStdString();
    std::string* setting = box == m_range   ? &m_state.config.range
                           : box == m_sheet ? &m_state.config.sheet
                                            : &m_state.config.workbook;
    if (text == *setting) return;
    if (box == m_range) {
        const std::string problem = SetRangeText(m_state, text);
        if (!problem.empty()) {
            showMessage(Q(problem));
            box->setText(Q(m_state.config.range));
            return;
        }
    } else {
        *setting = text;
    }
    showMessage(Q(SaveLinkConfiguration(m_state)));
    m_tracer->configurationChanged();
    fillBoxes();
}

void SheetPanel::fillBoxes() {
    m_range->setText(Q(m_state.config.range));
    m_sheet->setText(Q(m_state.config.sheet));
    m_workbook->setText(Q(m_state.config.workbook));
    if (m_state.config.workbook.empty())
        m_linkText->setText(QString::fromUtf8("Aucun classeur choisi : Fichier › Fichier Excel 5"));
    else
        m_linkText->setText(m_tracer->link().topic() + "  " + m_tracer->link().item());
}

void SheetPanel::finishPictures() {
    m_window.views().flush();
    if (m_automaticLayout)
        ComposeAutomaticViews(KelaxesLibrary::instance(), m_automaticPicture->surface());
    for (int view = 0; view < 4; ++view)
        if (PictureBox* picture = m_window.picture(view)) picture->update();
    m_automaticPicture->update();
}

void SheetPanel::showTraced() {
    finishPictures();
    if (m_automaticLayout)
        m_window.showPage(FrmGraphes::kAutomaticPage);
    else
        m_window.bringViewToFront(0);
    m_automaticLayout = false;
    fillBoxes();
}

void SheetPanel::echo(const std::string& text) {
    printOnWindow(Q(text));
}

void SheetPanel::lineStyle(double style) {
    SetSheetLineStyle(m_window.views(), style);
}

void SheetPanel::placeView(int, int, int) {
    m_automaticLayout = true;
}

void SheetPanel::bringCommandsToFront() {
    raise();
}

bool SheetPanel::printGraphs() const {
    return m_printGraphs->isChecked();
}

DrawingSurface& SheetPanel::automaticSurface() {
    return m_automaticPicture->surface();
}

void SheetPanel::endPrinterPage() {
    finishPictures();
    QString error;
    const DrawingSurface& page =
        m_automaticLayout ? automaticSurface() : KelaxesLibrary::instance().view(0);
    if (printSurface(page, m_pageLayout, this, &error) == PrintOutcome::Failed)
        QMessageBox::warning(this, "Graphes Trois D", error);
}

} // namespace gyro
