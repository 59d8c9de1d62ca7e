// The integration method panel.
#include "ui/mainwindow/integrationmethodpanel.h"

#include "simulation/integrationmethod.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace gyro {

IntegrationMethodPanel::IntegrationMethodPanel(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    m_cashKarp = new QRadioButton("Cash-Karp (error limit)", this);
    m_cashKarp->setObjectName("MethodCashKarp");
    m_cashKarp->setToolTip("Adaptive fifth-order Runge-Kutta step kept within the error limit");
    m_boris = new QRadioButton("Boris", this);
    m_boris->setObjectName("MethodBoris");
    m_boris->setToolTip("Fixed steps per gyration at the local field; keeps the kinetic energy "
                        "exactly in a pure magnetic field");
    m_relativistic = new QRadioButton("Relativistic (Higuera-Cary)", this);
    m_relativistic->setObjectName("MethodRelativistic");
    m_relativistic->setToolTip("Boris steps on the momentum γmv: right at any speed below c; the "
                               "energy, frequency and diameter follow the Lorentz factor γ");
    auto* group = new QButtonGroup(this);
    group->addButton(m_cashKarp);
    group->addButton(m_boris);
    group->addButton(m_relativistic);
    m_steps = new QLineEdit(this);
    m_steps->setObjectName("StepsPerGyration");
    m_steps->setToolTip("Boris steps per gyration (from 4 up; 32 by default)");
    m_message = new QLabel(this);
    m_message->setObjectName("IntegrationMethodMessage");
    m_message->setStyleSheet("color: #c00000;");
    m_message->setWordWrap(true);
    m_message->hide();
    grid->addWidget(m_cashKarp, 0, 0, 1, 2);
    grid->addWidget(m_boris, 1, 0);
    grid->addWidget(new QLabel("Steps per gyration", this), 1, 1);
    grid->addWidget(m_steps, 1, 2);
    grid->addWidget(m_relativistic, 2, 0, 1, 3);
    grid->addWidget(m_message, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    connect(m_cashKarp, &QRadioButton::clicked, this, [this] {
        integrationChoice().method = IntegrationMethod::CashKarp;
        emit methodChanged();
    });
    connect(m_boris, &QRadioButton::clicked, this, [this] {
        integrationChoice().method = IntegrationMethod::Boris;
        emit methodChanged();
    });
    connect(m_relativistic, &QRadioButton::clicked, this, [this] {
        integrationChoice().method = IntegrationMethod::Relativistic;
        emit methodChanged();
    });
    connect(m_steps, &QLineEdit::editingFinished, this, &IntegrationMethodPanel::commitSteps);
    showChoice();
}

void IntegrationMethodPanel::showChoice() {
    const IntegrationChoice& choice = integrationChoice();
    QRadioButton* const shown[] = {m_cashKarp, m_boris, m_relativistic};
    shown[static_cast<int>(choice.method)]->setChecked(true);
    m_steps->setText(QString::number(choice.stepsPerGyration, 'g', 15));
}

void IntegrationMethodPanel::commitSteps() {
    std::string error;
    const QString typed = m_steps->text().trimmed();
    applyIntegrationSetting("steps-per-gyration", typed.toStdString(), error);
    // Told in the window's own words, the box framed in red like every refused box.
    m_steps->setStyleSheet(error.empty() ? QString()
                                         : QString("QLineEdit { border: 2px solid #d00000; }"));
    m_message->setText(error.empty() ? QString()
                                     : QString("\"%1\" is not a number of steps from 4 up: the "
                                               "run keeps %2 steps per gyration.")
                                           .arg(typed)
                                           .arg(integrationChoice().stepsPerGyration));
    m_message->setVisible(!error.empty());
    showChoice();
}

} // namespace gyro
