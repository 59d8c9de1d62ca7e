// The panel under the scene: Warning box and results box.
#include "ui/mainwindow/resultspanel.h"

#include "ui/mainwindow/warningbox.h"
#include "ui/mainwindow/widgetkit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace gyro {

ResultsPanel::ResultsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("ResultsPanel");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_warning = new WarningBox(this);
    m_warning->viewport()->installEventFilter(this);
    layout->addWidget(m_warning, 3);

    m_resultsPane = new QWidget(this);
    auto* results = new QVBoxLayout(m_resultsPane);
    results->setContentsMargins(0, 0, 0, 0);
    m_txtRES = fixedPitchBox("txtRES", m_resultsPane);
    m_txtRES->viewport()->installEventFilter(this);
    results->addWidget(m_txtRES, 1);
    m_commande1 = new QPushButton("Ferme Result", m_resultsPane);
    m_commande1->setObjectName("Commande1");
    connect(m_commande1, &QPushButton::clicked, this, &ResultsPanel::Commande1_Click);
    results->addWidget(m_commande1, 0, Qt::AlignRight);
    layout->addWidget(m_resultsPane, 2);
    m_resultsPane->hide();
}

void ResultsPanel::showResults(const QString& text) {
    m_txtRES->setPlainText(QString(text).replace("\r\n", "\n"));
    m_commande1->setText("Ferme Result");
    m_resultsPane->show();
    m_txtRES->raise();
}

void ResultsPanel::Commande1_Click() {
    m_commande1->setText("Fermer Résultats");
    m_resultsPane->hide();
}

bool ResultsPanel::eventFilter(QObject* watched, QEvent* event) {
    // The box under the mouse comes to the front.
    if (event->type() == QEvent::MouseMove) {
        if (watched == m_txtRES->viewport()) m_txtRES->raise();
        if (watched == m_warning->viewport()) m_warning->raise();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace gyro
