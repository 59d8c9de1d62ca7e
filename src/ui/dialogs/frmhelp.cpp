// The help window.
#include "ui/dialogs/frmhelp.h"

#include "numerics/constants.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>

#include <cmath>

namespace gyro {

FrmHelp::FrmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmHelp");
    setWindowTitle("Aide Mirav");
    setAttribute(Qt::WA_DeleteOnClose);

    m_image1 = new QLabel(this);
    m_image1->setObjectName("Image1");
    m_image1->setPixmap(helixPixmap(96));
    m_image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_image1->setMouseTracking(true);
    m_image1->installEventFilter(this);

    m_texte1 = new QPlainTextEdit(this);
    m_texte1->setObjectName("Texte1");
    m_texte1->setReadOnly(true);
    m_texte1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The text is kept with CR LF line ends; the box shows them as lines.
    m_texte1->setPlainText(helpText().replace(QLatin1String(LineBreak), "\n"));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_image1);
    layout->addWidget(m_texte1, 1);
    resize(720, 330);
}

QString FrmHelp::helpText() {
    const QStringList lines = {
        "Le programme possède 2 commandes essentielles: ",
        "    a- Les calculs 'Lancement Zefron',",
        "    b- L'arret 'Quitter'",
        " ",
        "La préparation des données est effectuée à partir ",
        "d'une base de données enregistrée, ",
        "ou à partir du clavier en spécifiant des valeurs dans les cellules.",
        "",
        "Dans tous les cas on peut remplacer un enregistrement en cliquant sur la case à cocher "
        "'Remplace'",
        "Pour créer un nouvel enregistrement ne pas cliquer le coche 'Remplace'.",
        " ",
        "Pendant le calcul, la visualisation est active,",
        "on peut modifier les données et les valeurs sont directement prises en compte.",
        "On peut aussi cliquer sur les coches pour visualiser les champs Electriques et "
        "Magnétiques là où se trouve l'électron.",
    };
    return lines.join(QLatin1String(LineBreak));
}

QPixmap FrmHelp::helixPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    // A rounded tile, then a helix seen slightly from above: a gyrating particle drifting along
    // its guiding centre (the axis, dashed).
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 32, 48));
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.16, s * 0.16);
    p.setPen(QPen(QColor(120, 140, 170), std::max(1.0, s / 64), Qt::DashLine));
    p.drawLine(QPointF(s * 0.12, s * 0.82), QPointF(s * 0.88, s * 0.18));

    const int turns = 4;
    const int samples = 400;
    const double radius = s * 0.15;
    QPointF previous;
    for (int i = 0; i <= samples; ++i) {
        const double t = static_cast<double>(i) / samples;
        const double phase = t * turns * 2 * Pi;
        // Guiding centre along the diagonal, circle projected as an ellipse across it.
        const QPointF centre(s * (0.16 + 0.68 * t), s * (0.78 - 0.56 * t));
        const QPointF across(radius * std::cos(phase) * 0.7071, radius * std::cos(phase) * 0.7071);
        const QPointF depth(radius * 0.45 * std::sin(phase) * -0.7071,
                            radius * 0.45 * std::sin(phase) * 0.7071);
        const QPointF point = centre + across + depth;
        if (i > 0) {
            // The half of each turn behind the axis is drawn darker.
            const bool front = std::sin(phase) >= 0;
            const QColor colour = front ? QColor(255, 90, 80) : QColor(150, 60, 70);
            p.setPen(QPen(colour, std::max(1.2, s / 32), Qt::SolidLine, Qt::RoundCap));
            p.drawLine(previous, point);
        }
        previous = point;
    }
    p.end();
    return pixmap;
}

bool FrmHelp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_image1 && event->type() == QEvent::MouseMove) hide();
    return QWidget::eventFilter(watched, event);
}

} // namespace gyro
