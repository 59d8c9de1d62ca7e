// The options window: its controls, and handlers that each call one routine of ViewOptions.
#include "ui/options/frmoptions.h"

#include "draw3d/viewpreview.h"
#include "settings/recordstore.h"
#include "ui/options/previewpicture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

namespace gyro {

namespace {
constexpr const char* kDoNotChange = "ne pas faire Change";

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}
} // namespace

FrmOptions::FrmOptions(KelMirav& drawing, QWidget* parent) : QDialog(parent), m_options(drawing) {
    setObjectName("FrmOptions");
    setWindowTitle("Options de démarrage");
    buildControls();
    Form_Load();
}

void FrmOptions::buildControls() {
    m_coche3 = named(new QCheckBox("Remplace", this), "Coche3");
    m_defilementH2 = named(new QScrollBar(Qt::Vertical, this), "DefilementH2");
    m_defilementH2->setInvertedAppearance(true); // +270 at the top
    m_defilementH1 = named(new QScrollBar(Qt::Horizontal, this), "DefilementH1");
    m_commande3 = named(new QPushButton("O K", this), "Commande3");
    m_commande1 = named(new QPushButton("enreg.", this), "Commande1");
    m_defilementH4 = named(new QScrollBar(Qt::Horizontal, this), "DefilementH4");
    m_commande2 = named(new QPushButton("Validation", this), "Commande2");
    auto* cadre2 = named(new QGroupBox("Etoile Principale", this), "Cadre2");
    m_coche2 = named(new QCheckBox("lunaire hyperbolique", cadre2), "Coche2");
    m_coche1 = named(new QCheckBox("Astre Opaque", cadre2), "Coche1");
    m_liste = named(new QComboBox(cadre2), "ListeModifiable1");
    m_liste->setEditable(true);
    m_liste->setInsertPolicy(QComboBox::NoInsert);
    m_image1 = named(new PreviewPicture(this), "Image1");
    auto* cadre1 = named(new QGroupBox("Angles de visualisation (en degrés)", this), "Cadre1");
    m_etiquette7 = named(new QLabel(this), "Etiquette7");
    auto* etiquette6 = named(new QLabel("Nota: Cliquez sur X   !", this), "Etiquette6");
    auto* etiquette2 =
        named(new QLabel("Angles de visualisation (en degrés) ", cadre1), "Etiquette2");
    auto* etiquette4 = named(new QLabel("Déclinaison (vers Z)", cadre1), "Etiquette4");
    m_etiquette10 = named(new QLabel(cadre1), "Etiquette10");
    m_etiquette9 = named(new QLabel(cadre1), "Etiquette9");
    auto* etiquette3 =
        named(new QLabel("Ascension droite (par rapport à X)", cadre1), "Etiquette3");
    m_etiquette1 = named(new QLabel("numéro enreg", this), "Etiquette1");

    auto* star = new QGridLayout(cadre2);
    star->addWidget(m_liste, 0, 0, 1, 2);
    star->addWidget(m_coche1, 1, 0);
    star->addWidget(m_coche2, 1, 1);

    auto* angles = new QGridLayout(cadre1);
    angles->addWidget(etiquette2, 0, 0, 1, 3);
    angles->addWidget(m_image1, 1, 0, 1, 2);
    angles->addWidget(m_defilementH2, 1, 2);
    angles->addWidget(m_defilementH1, 2, 0, 1, 2);
    angles->addWidget(etiquette3, 3, 0);
    angles->addWidget(m_etiquette9, 3, 1);
    angles->addWidget(etiquette4, 4, 0);
    angles->addWidget(m_etiquette10, 4, 1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(cadre1, 0, 0, 1, 3);
    layout->addWidget(cadre2, 1, 0, 1, 3);
    layout->addWidget(etiquette6, 2, 0, 1, 3);
    layout->addWidget(m_defilementH4, 3, 0, 1, 2);
    layout->addWidget(m_etiquette1, 3, 2);
    layout->addWidget(m_coche3, 4, 0);
    layout->addWidget(m_commande1, 4, 1);
    layout->addWidget(m_etiquette7, 4, 2);
    layout->addWidget(m_commande2, 5, 1);
    layout->addWidget(m_commande3, 5, 2);

    for (QScrollBar* bar : {m_defilementH1, m_defilementH2}) {
        connect(bar, &QScrollBar::valueChanged, this, [this, bar] { AppliqueAngle(bar); });
        bar->installEventFilter(this);
    }
    connect(m_defilementH4, &QScrollBar::valueChanged, this, [this] { DefilementH4_Change(); });
    m_defilementH4->installEventFilter(this);
    connect(m_commande1, &QPushButton::clicked, this, [this] { Commande1_Click(); });
    connect(m_commande2, &QPushButton::clicked, this, [this] { Commande2_Click(); });
    connect(m_commande3, &QPushButton::clicked, this, [this] { Commande3_Click(); });
    connect(m_coche2, &QCheckBox::clicked, this, [this] { Coche2_Click(); });
    m_image1->onDrag = [this](double x, double y) { Image1_Drag(x, y); };
}

void FrmOptions::Form_Load() {
    m_settingBars = true; // "Notfocus": the limits are the program's, not a user's change
    m_defilementH1->setRange(-270, 270);
    m_defilementH2->setRange(-270, 270);
    m_settingBars = false;
    m_liste->addItems(
        {"Terre", "Soleil", "Mercure", "Venus", "Lune", "Mars", "Jupiter", "Saturne"});
    m_liste->setCurrentIndex(0);
    m_liste->setEditText("Terre");
    m_options.load();
    AfficheAngles(m_options.ascension(), m_options.declination());
    showRecord(m_options.navigateLast(inputs()));
    prepareForMenu();
}

void FrmOptions::prepareForViewSetUp() {
    m_commande2->hide();
    m_commande3->show();
    m_commande3->setDefault(true);
}

void FrmOptions::prepareForMenu() {
    m_commande2->show();
    m_commande3->show();
    m_commande3->setDefault(false);
    m_commande2->setDefault(true);
}

OptionsInputs FrmOptions::inputs() const {
    return {m_etiquette1->text().toStdString(), m_coche3->isChecked(),
            m_liste->currentText().toStdString(), m_coche1->isChecked()};
}

void FrmOptions::AfficheAngles(double ascensionDeg, double declinationDeg) {
    m_options.AfficheAngles(ascensionDeg, declinationDeg);
    const double a = m_options.ascension(), d = m_options.declination();
    // "lunaire hyperbolique" stays ticked only while the view is the one it gives.
    m_coche2->setChecked(a == 90 && d == -90);
    m_etiquette9->setText(QString::fromStdString(ViewOptions::angleText(a)));
    m_etiquette10->setText(QString::fromStdString(ViewOptions::angleText(d)));
    m_settingBars = true; // the bars follow the angles; that is no new choice of the user
    m_defilementH1->setValue(qRound(a));
    m_defilementH2->setValue(qRound(d));
    m_settingBars = false;
}

void FrmOptions::redrawPreview() {
    const double a = m_options.ascension(), d = m_options.declination();
    KelMirav& k = m_options.drawing();
    QPicture picture;
    {
        QPainter painter(&picture);
        RepereProjectif(k.view, a, d);
        DrawViewPreview(k.view, painter, a, d);
    }
    m_image1->setPicture(picture);
}

void FrmOptions::moveNavigationBar(const RecordShown& shown) {
    m_navigationTag = kDoNotChange;
    m_defilementH4->setRange(1, std::max(1, int(shown.count)));
    // One record per step: the handle stays small and its place reads as the record's.
    m_defilementH4->setPageStep(1);
    m_defilementH4->setValue(int(shown.number));
    m_navigationTag.clear();
    m_etiquette7->setText(m_navigationTag);
    m_etiquette1->setText(QString::fromStdString(shown.counterText));
}

void FrmOptions::showRecord(const RecordShown& shown) {
    moveNavigationBar(shown);
    m_coche1->setChecked(m_options.drawing().options.AstreOpaque != 0);
    if (shown.showName)
        m_liste->setEditText(QString::fromStdString(m_options.drawing().options.NomAstre));
    AfficheAngles(m_options.ascension(), m_options.declination());
    redrawPreview();
}

void FrmOptions::DefilementH4_Change() {
    m_etiquette7->setText(m_navigationTag);
    if (m_navigationTag == kDoNotChange) return;
    showRecord(m_options.navigate(m_defilementH4->value(), inputs()));
    m_etiquette7->setText(m_navigationTag);
}

void FrmOptions::Commande1_Click() {
    moveNavigationBar(m_options.enreg(inputs()));
}

void FrmOptions::Commande2_Click() {
    m_commande2->setText("Validation");
    m_options.ValideOptions(inputs());
}

void FrmOptions::Commande3_Click() {
    m_commande3->setText("OK !");
    m_options.ValideOptions(inputs());
    done(QDialog::Accepted); // hides the window, which ends a modal display
}

void FrmOptions::AppliqueAngle(QScrollBar* bar) {
    if (m_settingBars || m_dragging || m_focusBar) return;
    m_focusBar = bar;
    const double a = bar == m_defilementH1 ? bar->value() : m_options.ascension();
    const double d = bar == m_defilementH2 ? bar->value() : m_options.declination();
    AfficheAngles(a, d);
    redrawPreview();
    m_focusBar = nullptr;
}

void FrmOptions::Image1_Drag(double x, double y) {
    if (m_dragging) return;
    m_dragging = true;
    m_options.GlisseVue(x, y);
    AfficheAngles(m_options.ascension(), m_options.declination());
    redrawPreview();
    QApplication::processEvents();
    m_dragging = false;
}

void FrmOptions::Coche2_Click() {
    if (!m_coche2->isChecked()) return;
    m_image1->clear();
    m_options.lunaire();
    AfficheAngles(m_options.ascension(), m_options.declination());
    redrawPreview();
}

bool FrmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_defilementH4) DefilementH4_Change();
        if (watched == m_defilementH1 || watched == m_defilementH2)
            AppliqueAngle(static_cast<QScrollBar*>(watched));
    }
    return QDialog::eventFilter(watched, event);
}

FrmOptions& optionsWindow() {
    static QPointer<FrmOptions> window;
    if (!window) window = new FrmOptions(kelMirav());
    return *window;
}

FrmOptions& showOptionsWindow(QWidget* parent, bool modal) {
    FrmOptions& window = optionsWindow();
    Q_UNUSED(parent);
    if (modal) {
        window.prepareForViewSetUp();
        // Left open from the menu, the window would stay where it is, perhaps under the window
        // that asks: shown again, it opens modal and on top.
        if (window.isVisible()) window.hide();
        window.exec();
    } else {
        window.prepareForMenu();
        window.show();
        window.raise();
        window.activateWindow();
    }
    return window;
}

} // namespace gyro
