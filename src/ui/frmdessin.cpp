// The main window.
#include "frmdessin.h"

#include "numerics/errorreport.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace gyro {

FrmDessin::FrmDessin(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FrmDessin");
    setWindowTitle("Gyrotrace");
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(new QLabel("Warning: Message des Routines", central));
    m_warning = new QPlainTextEdit(central);
    m_warning->setObjectName("Warning");
    m_warning->setReadOnly(true);
    layout->addWidget(m_warning);
    setCentralWidget(central);
    resize(1000, 700);

    // The log can grow by many lines per second during a run: refresh the box at most at the
    // screen's rate.
    m_warningTimer = new QTimer(this);
    m_warningTimer->setSingleShot(true);
    m_warningTimer->setInterval(16);
    connect(m_warningTimer, &QTimer::timeout, this, &FrmDessin::refreshWarning);
    ErrorReport::instance().setLogListener([this] {
        if (!m_warningTimer->isActive()) m_warningTimer->start();
    });
    refreshWarning();
}

FrmDessin::~FrmDessin() {
    ErrorReport::instance().setLogListener({});
}

void FrmDessin::refreshWarning() {
    m_warning->setPlainText(QString::fromStdString(ErrorReport::instance().text()));
}

} // namespace gyro
