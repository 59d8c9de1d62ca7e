// The graph window's controls: each one reports what the user did.
#include "ui/graphwindow/graphcontrols.h"

#include "numerics/numberformat.h"
#include "numerics/numberread.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <optional>

namespace gyro {

namespace {
template <typename W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
QString zoneText(double x) {
    return QString::fromStdString(FormatPattern(x, "#,##0.###"));
}
} // namespace

GraphControls::GraphControls(QWidget* parent) : QWidget(parent) {
    setObjectName("commandesGraphes");
    m_clear = named(new QPushButton("Effacer l'écran", this), "Commande3");
    m_allViews = named(new QCheckBox("toutes les vues", this), "Coche3");
    m_allViews->hide(); // shown when the pointer passes over "Effacer l'écran"
    m_clear->installEventFilter(this);
    auto* send = named(new QPushButton("Envoyer Img", this), "Commande2");
    auto* quit = named(new QPushButton("Quitter", this), "cmdPause");
    m_composite = named(new QCheckBox("Trace Une vue composite", this), "Coche1");
    m_printLoupe = named(new QRadioButton("Imprime Loupe", this), "OptionPrintLoupe");
    m_printLoupe->setAutoExclusive(false);
    m_printLoupe->setChecked(true);
    m_zoom = named(new QLineEdit("1", this), "Texte3");
    m_zoomBar = named(new QScrollBar(Qt::Vertical, this), QString::fromUtf8("DéfilementV1"));
    m_zoomBar->setRange(1, 100);
    m_zoomBar->setInvertedAppearance(true); // up zooms in
    m_zoomBar->setMaximumHeight(60);
    m_shownZoom = "1";

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_clear, 0, 0, 1, 2);
    grid->addWidget(m_allViews, 0, 2, 1, 3);
    grid->addWidget(send, 1, 0, 1, 2);
    grid->addWidget(quit, 1, 2, 1, 3);
    grid->addWidget(m_composite, 2, 0, 1, 5);
    grid->addWidget(m_printLoupe, 3, 0, 1, 5);
    grid->addWidget(new QLabel("Zoom", this), 4, 0);
    grid->addWidget(m_zoom, 4, 1, 1, 3);
    grid->addWidget(m_zoomBar, 4, 4);
    grid->addWidget(named(new QLabel("Taille image Loupe", this), "EtiqImage"), 5, 0, 1, 5);
    for (int i = 0; i < 2; ++i) {
        m_image[i] = named(new QLineEdit(this), QString("TxtImage_%1").arg(i));
        m_image[i]->setReadOnly(true);
        grid->addWidget(m_image[i], 6, i * 2, 1, 2);
    }
    grid->addWidget(named(new QLabel("Zone de Loupe", this), "EtiqLoupe"), 7, 0, 1, 5);
    for (int i = 0; i < 4; ++i) {
        m_zone[i] = named(new QLineEdit(this), QString("TxtLoupe_%1").arg(i));
        m_zone[i]->setReadOnly(true);
        grid->addWidget(m_zone[i], 8 + i / 2, (i % 2) * 2, 1, 2);
    }

    connect(m_clear, &QPushButton::clicked, this,
            [this] { emit clearRequested(m_allViews->isChecked()); });
    connect(send, &QPushButton::clicked, this, &GraphControls::sendImage);
    connect(quit, &QPushButton::clicked, this, &GraphControls::quitRequested);
    connect(m_composite, &QCheckBox::toggled, this, [this](bool on) {
        if (on) emit compositeRequested();
    });
    connect(m_zoom, &QLineEdit::editingFinished, this, &GraphControls::zoomCommitted);
    connect(m_zoomBar, &QScrollBar::valueChanged, this, [this](int v) { emit zoomChosen(v); });
}

bool GraphControls::printMagnifier() const {
    return m_printLoupe->isChecked();
}

bool GraphControls::composite() const {
    return m_composite->isChecked();
}

bool GraphControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_clear && event->type() == QEvent::Enter) m_allViews->show();
    return QWidget::eventFilter(watched, event);
}

void GraphControls::zoomCommitted() {
    const QString text = m_zoom->text().trimmed();
    if (text == m_shownZoom) return;
    const std::optional<double> z = readPositiveFactor(text.toStdString());
    if (!z) {
        m_zoom->setText(m_shownZoom); // the zoom in force stays
        emit zoomRefused(QString("Zoom : « %1 » n'est pas un nombre positif.").arg(text));
        return;
    }
    emit zoomChosen(*z);
}

void GraphControls::showZoom(double z) {
    m_shownZoom = QString::number(z, 'g', 12);
    m_zoom->setText(m_shownZoom);
    const QSignalBlocker quiet(m_zoomBar);
    m_zoomBar->setValue(int(std::lround(std::clamp(z, 1.0, 100.0))));
}

void GraphControls::showImageSize(QSize size) {
    m_image[0]->setText(QString::number(size.width()));
    m_image[1]->setText(QString::number(size.height()));
}

void GraphControls::showZone(double x1, double y1, double x2, double y2) {
    const double values[4] = {x1, y1, x2, y2};
    for (int i = 0; i < 4; ++i) m_zone[i]->setText(zoneText(values[i]));
}

} // namespace gyro
