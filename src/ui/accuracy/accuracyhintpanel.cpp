// The accuracy hint panel.
#include "ui/accuracy/accuracyhintpanel.h"

#include "simulation/accuracyhint.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace gyro {

AccuracyHintPanel::AccuracyHintPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("AccuracyHint");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_label->setObjectName("AccuracyHintText");
    m_label->setWordWrap(true);
    m_label->setStyleSheet("color: #b35900;");
    m_use = new QPushButton("use it", this);
    m_use->setObjectName("AccuracyHintUse");
    m_use->setToolTip("Put the suggested error limit into the box");
    layout->addWidget(m_label, 1);
    layout->addWidget(m_use, 0, Qt::AlignTop);
    connect(m_use, &QPushButton::clicked, this, [this] { emit useSuggested(m_suggested); });
    hide();
}

void AccuracyHintPanel::showHint(const AccuracyHint& hint) {
    if (!hint.shown) {
        hide();
        return;
    }
    m_suggested = QString::fromStdString(hint.suggestedText);
    m_label->setText(QString::fromStdString(hint.text));
    // A note (the Boris phase, the speed of light) proposes no limit to use.
    m_use->setVisible(hint.coarse);
    show();
}

} // namespace gyro
