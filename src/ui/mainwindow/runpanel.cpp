// The run panel of the main window.
#include "ui/mainwindow/runpanel.h"

#include "ui/mainwindow/caseboxes.h"
#include "ui/mainwindow/speedcontrol.h"
#include "ui/mainwindow/widgetkit.h"

#include "simulation/caseslots.h"
#include "simulation/runcontrols.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace gyro {

namespace {
// Slider position of the speed at start: a few thousand steps per second, so that the default
// case visibly grows for several seconds.
constexpr int kDefaultSpeedPosition = 11;
} // namespace

RunPanel::RunPanel(CaseBoxes& boxes, QWidget* parent) : QGroupBox("Run", parent) {
    setObjectName("RunFrame");
    auto* layout = new QVBoxLayout(this);

    auto* buttons = new QHBoxLayout;
    m_commande14 = new QPushButton("Run Gyrotrace", this);
    m_commande14->setObjectName("Commande14");
    m_commande14->setToolTip("Click to compute the trajectory");
    m_commande14->setShortcut(Qt::Key_F5);
    QFont bold = m_commande14->font();
    bold.setBold(true);
    m_commande14->setFont(bold);
    m_commande14->setMinimumHeight(32);
    m_commande2 = new QPushButton("Pause", this);
    m_commande2->setObjectName("Commande2");
    m_commande2->setFont(bold);
    m_commande2->setMinimumHeight(32);
    m_commande2->setEnabled(false);
    m_commande3 = new QPushButton("Other Case", this);
    m_commande3->setObjectName("Commande3");
    m_commande3->setMinimumHeight(32);
    m_commande3->setEnabled(false);
    buttons->addWidget(m_commande14, 2);
    buttons->addWidget(m_commande2, 2);
    buttons->addWidget(m_commande3, 1);
    layout->addLayout(buttons);
    connect(m_commande14, &QPushButton::clicked, this, &RunPanel::runClicked);
    connect(m_commande2, &QPushButton::clicked, this, &RunPanel::pauseClicked);
    connect(m_commande3, &QPushButton::clicked, this, &RunPanel::otherCaseClicked);

    auto* timeRow = new QHBoxLayout;
    m_timeRow = timeRow;
    timeRow->addWidget(new QLabel("Time (s)", this));
    m_texte1 = new QLineEdit("Time", this);
    m_texte1->setObjectName("Texte1");
    m_texte1->setReadOnly(true);
    m_texte1->setToolTip("Time computation (see in options  the Runge Kutta error to go faster "
                         "or more accurately)");
    m_texte1->setCursor(Qt::PointingHandCursor);
    m_texte1->installEventFilter(this);
    timeRow->addWidget(m_texte1, 1);
    layout->addLayout(timeRow);

    m_pauseTimeRow = new QWidget(this);
    auto* pauseRow = new QHBoxLayout(m_pauseTimeRow);
    pauseRow->setContentsMargins(0, 0, 0, 0);
    m_etiquette3 = new QLabel("Maximum time (s)", m_pauseTimeRow);
    m_etiquette3->setObjectName("Etiquette3");
    m_etiquette3->setCursor(Qt::PointingHandCursor);
    m_etiquette3->setToolTip("Click to hide the pause time");
    m_etiquette3->installEventFilter(this);
    pauseRow->addWidget(m_etiquette3);
    pauseRow->addWidget(
        boxes.makeBox(m_pauseTimeRow, BoxFamily::Texte3, slot::kPauseTime, kPauseTimeTooltip), 1);
    layout->addWidget(m_pauseTimeRow);
    m_pauseTimeRow->hide();
    layout->addWidget(smallLabel("Click the time to set a pause time.", this));

    m_speed = new SpeedControl(this);
    m_speed->setObjectName("SpeedControl");
    m_speed->setPosition(kDefaultSpeedPosition);
    layout->addWidget(m_speed);
}

void RunPanel::addToTimeRow(QWidget* widget) {
    m_timeRow->addWidget(widget, 1);
}

void RunPanel::showControls(const RunControls& controls) {
    m_commande14->setEnabled(controls.runEnabled);
    m_commande2->setEnabled(controls.pauseEnabled);
    m_commande2->setText(controls.pauseContinues ? "Continue" : "Pause");
    m_commande3->setEnabled(controls.otherCaseEnabled);
}

void RunPanel::showPauseTime(bool visible) {
    m_pauseTimeRow->setVisible(visible);
}

bool RunPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        // Texte1_Click shows the maximum time, Etiquette3_Click hides it.
        if (watched == m_texte1) showPauseTime(true);
        if (watched == m_etiquette3) showPauseTime(false);
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace gyro
