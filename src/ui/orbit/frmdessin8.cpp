// The orbit-check window: buttons, the initial step, and the two live logs.
#include "ui/orbit/frmdessin8.h"

#include "numerics/errorreport.h"
#include "numerics/numberread.h"
#include "numerics/tracelog.h"
#include "orbital/orbitcheck.h"
#include "orbital/orbitlog.h"
#include "ui/dialogs/questionboxasker.h"

#include <QDate>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace gyro {

namespace {

QPlainTextEdit* makeLogBox(const QString& name, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return box;
}

QString withoutCarriageReturns(std::string_view text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.remove(QLatin1Char('\r'));
    return s;
}

} // namespace

FrmDessin8::FrmDessin8(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("FrmDessin8");
    setWindowTitle(QString::fromUtf8("Runge Kutta d'ordre 8"));

    m_commande16 = new QPushButton("Runge 8", this);
    m_commande16->setObjectName("Commande16");
    m_commande2 = new QPushButton("Astronomie plan", this);
    m_commande2->setObjectName("Commande2");
    m_commande1 = new QPushButton("Fin", this);
    m_commande1->setObjectName("Commande1");
    m_commande1->setToolTip(
        QString::fromUtf8("Termine le programme (demande d'abord pendant une vérification)"));
    m_texte1 = new QLineEdit("100", this);
    m_texte1->setObjectName("Texte1");
    m_texte1->setMaximumWidth(120);
    m_txtVer = makeLogBox("TxtVer", this);
    m_texte2 = makeLogBox("Texte2", this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_commande16);
    buttons->addWidget(new QLabel("Pas initial (s)", this));
    buttons->addWidget(m_texte1);
    buttons->addStretch(1);
    buttons->addWidget(m_commande2);
    buttons->addWidget(m_commande1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(QString::fromUtf8("Contrôle du pas"), this));
    layout->addWidget(m_txtVer, 1);
    layout->addWidget(new QLabel(
        QString::fromUtf8("Comparaison avec l'orbite de Kepler : t (s), r - rK (m), "
                          "v - vK (m/s), anomalie - anomalie K (°), pas (s), anomalie (°)"),
        this));
    layout->addWidget(m_texte2, 1);
    resize(900, 640);

    connect(m_commande16, &QPushButton::clicked, this, &FrmDessin8::runOrbitCheck);
    connect(m_commande2, &QPushButton::clicked, this, &FrmDessin8::convertToday);
    connect(m_commande1, &QPushButton::clicked, this, [this] {
        // A check in progress is not thrown away without a word.
        if (!m_commande16->isEnabled() &&
            QuestionBoxAsker(this).ask("Une vérification d'orbite est en cours. Terminer le "
                                       "programme maintenant ?",
                                       "Fin", "No") != "Yes")
            return;
        ErrorReport::instance().endProgram();
    });

    traceLog().setListener([this] { showLog(m_texte2, traceLog().text(), m_shownTrace); });
    stepControlLog().setListener(
        [this] { showLog(m_txtVer, stepControlLog().text(), m_shownStepControl); });
    ShowTraceWindow = [this] {
        show();
        raise();
    };
    showLog(m_texte2, traceLog().text(), m_shownTrace);
    showLog(m_txtVer, stepControlLog().text(), m_shownStepControl);
}

FrmDessin8::~FrmDessin8() {
    traceLog().setListener({});
    stepControlLog().setListener({});
    ShowTraceWindow = nullptr;
}

void FrmDessin8::showLog(QPlainTextEdit* box, const std::string& text, std::string& shown) {
    if (text.size() >= shown.size() && text.compare(0, shown.size(), shown) == 0) {
        const std::string_view tail = std::string_view(text).substr(shown.size());
        if (!tail.empty()) {
            QTextCursor cursor(box->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(withoutCarriageReturns(tail));
        }
    } else {
        box->setPlainText(withoutCarriageReturns(text));
    }
    shown = text;
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
}

void FrmDessin8::runOrbitCheck() {
    // The integrator lets the window system run between steps: no second check inside this one.
    QPointer<FrmDessin8> self(this);
    m_commande16->setEnabled(false);
    ControleOrbite(Val(m_texte1->text().toStdString()));
    if (self) m_commande16->setEnabled(true);
}

void FrmDessin8::convertToday() {
    const QDate today = QDate::currentDate();
    AstronomiePlan(today.year(), today.month(), today.day());
}

} // namespace gyro
