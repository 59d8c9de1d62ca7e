// The about box.
#include "ui/dialogs/frmabout.h"

#include "ui/dialogs/frmhelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace gyro {

FrmAbout::FrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("A propos de MIRAV ");
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(FrmHelp::helixPixmap(64));
    auto* title = new QLabel("<b style='font-size:16pt'>Gyrotrace</b>", this);
    title->setObjectName("AboutTitle");
    const QString version = QCoreApplication::applicationVersion();
    auto* versionLabel =
        new QLabel(version.isEmpty() ? QString() : QString("Version %1").arg(version), this);
    versionLabel->setObjectName("AboutVersion");
    auto* header = new QHBoxLayout;
    header->addWidget(icon);
    auto* titles = new QVBoxLayout;
    titles->addWidget(title);
    titles->addWidget(versionLabel);
    header->addLayout(titles, 1);
    layout->addLayout(header);

    auto* text = new QLabel(
        "Computes and draws live in three dimensions the trajectory of a charged particle "
        "(an electron, a proton or a xenon ion) under the Lorentz force F = q(E + v × B), "
        "in a uniform electric field and a magnetic field of five shapes: uniform, cylindrical, "
        "radial in 1/r with curved field lines, dipole and double dipole (Hall thruster, "
        "type SPT).\n\n"
        "Integration: adaptive Runge–Kutta (Cash–Karp embedded pair) with the error limit "
        "typed in the window. Cases are kept as numbered examples in ZEFRON.TMP.",
        this);
    text->setObjectName("AboutText");
    text->setWordWrap(true);
    layout->addWidget(text);

    m_cmdAbout = new QPushButton("OK", this);
    m_cmdAbout->setObjectName("cmdAbout");
    m_cmdAbout->setDefault(true);
    connect(m_cmdAbout, &QPushButton::clicked, this, [this] {
        m_closedByButton = true;
        close();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdAbout);
    layout->addLayout(buttons);
    setFixedWidth(460);
}

void FrmAbout::centreOnScreen() {
    adjustSize();
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.left() + (area.width() - frameGeometry().width()) / 2,
         area.top() + (area.height() - frameGeometry().height()) / 2);
}

void FrmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen();
}

void FrmAbout::closeEvent(QCloseEvent* event) {
    // Closed by the user from the window frame: the help window goes too.
    if (!m_closedByButton) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* help = qobject_cast<FrmHelp*>(w)) help->close();
        }
    }
    QDialog::closeEvent(event);
}

} // namespace gyro
