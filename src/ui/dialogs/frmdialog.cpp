// The printer hint window and its three-second wait.
#include "ui/dialogs/frmdialog.h"

#include "kelaxes/kelaxesstate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QThread>

namespace gyro {

FrmDialog::FrmDialog(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmDialog");
    setWindowTitle("Pb. Configuration Imprimante");
    auto text = [this](const char* name, const char* caption) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setObjectName(name);
        return label;
    };
    QLabel* texte3 = text("Texte3", "Dans la prochaine boite de dialogue cliquer sur ");
    QLabel* texte4 = text("Texte4", "Configurer");
    QLabel* texte5 = text("Texte5", "et choisir");
    m_texte1 = text("Texte1", "Portrait/Paysage");
    QFont strong = m_texte1->font();
    strong.setBold(true);
    m_texte1->setFont(strong);
    texte4->setFont(strong);

    m_commande1 = new QPushButton(this);
    m_commande1->setObjectName("Commande1");
    m_commande1->setIcon(QIcon(printerPixmap(48)));
    m_commande1->setIconSize(QSize(48, 48));
    m_commande1->setToolTip("Tourner la page et recommencer le graphe");
    m_commande2 = new QPushButton("Annuler", this);
    m_commande2->setObjectName("Commande2");
    connect(m_commande1, &QPushButton::clicked, this, [this] { m_acknowledged = true; });
    connect(m_commande2, &QPushButton::clicked, this, [this] {
        m_acknowledged = false;
        hide();
    });

    auto* grid = new QGridLayout(this);
    grid->addWidget(texte3, 0, 0, 1, 2);
    grid->addWidget(texte4, 1, 0, 1, 2);
    grid->addWidget(texte5, 2, 0);
    grid->addWidget(m_texte1, 2, 1);
    grid->addWidget(m_commande1, 0, 2, 2, 1);
    grid->addWidget(m_commande2, 2, 2);
}

FrmDialog& FrmDialog::instance() {
    static QPointer<FrmDialog> dialog;
    if (!dialog) dialog = new FrmDialog();
    return *dialog;
}

std::string FrmDialog::ask(const std::string& orientation, int waitMs) {
    // Events run during the wait: a second print started from them gets no hint of its own.
    if (m_waiting) return std::string();
    m_waiting = true;
    m_acknowledged = false;
    m_commande2->setEnabled(true);
    m_texte1->setText(QString::fromStdString(orientation));
    show();
    raise();
    // A monotonic clock: neither midnight nor a change of the system time can stretch the wait.
    QElapsedTimer timer;
    timer.start();
    const qint64 start = m_clock ? m_clock() : 0;
    const auto elapsed = [&] { return m_clock ? m_clock() - start : timer.elapsed(); };
    while (elapsed() < waitMs && !m_acknowledged && isVisible()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    hide();
    m_waiting = false;
    if (!m_acknowledged) return std::string();
    m_acknowledged = false;
    m_commande2->setEnabled(false);
    QCoreApplication::processEvents();
    return "Reinitialiser";
}

void FrmDialog::setClock(std::function<qint64()> elapsedMs) {
    m_clock = std::move(elapsedMs);
}

QPixmap FrmDialog::printerPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    // A landscape sheet coming out of a printer, with a turning arrow.
    p.setPen(QPen(QColor(60, 60, 70), 1.5));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(10, 4, 28, 18));
    p.setBrush(QColor(120, 126, 140));
    p.drawRoundedRect(QRectF(4, 20, 40, 16), 3, 3);
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(12, 32, 24, 12));
    p.setPen(QPen(QColor(214, 48, 49), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(15, 6, 18, 14), 30 * 16, 240 * 16);
    p.drawLine(QPointF(31, 8), QPointF(34, 12));
    return pixmap;
}

std::string DemandeOrientation(const std::string& orientation) {
    return FrmDialog::instance().ask(orientation);
}

void installPrinterHint() {
    KelaxesLibrary::instance().setOrientationHint(&DemandeOrientation);
}

} // namespace gyro
