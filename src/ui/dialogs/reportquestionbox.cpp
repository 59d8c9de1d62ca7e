// The error report's question box: answer field, answer buttons, "Don't ask again", key guard.
#include "ui/dialogs/reportquestionbox.h"

#include "ui/dialogs/keystrokeguard.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace gyro {

ReportQuestionBox::ReportQuestionBox(ReportQuestion kind, const QString& prompt,
                                     const QString& title, const QString& defaultAnswer,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(kind == ReportQuestion::Report ? "ReportQuestion" : "ConfirmEnd");
    setWindowTitle(title);
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    // The prompt's lines are joined by CR LF; a label shows LF.
    auto* label = new QLabel(QString(prompt).replace("\r\n", "\n"), this);
    label->setWordWrap(true);
    label->setMinimumWidth(420);
    label->setMaximumWidth(640);
    layout->addWidget(label);

    auto* row = new QHBoxLayout;
    m_field = new QLineEdit(defaultAnswer, this);
    m_field->setObjectName("Answer");
    m_field->setMinimumWidth(200); // room for "Yes, It is understood!"
    m_field->setToolTip(tr("Type Yes to continue, Stop to stop, No to end the program"));
    row->addWidget(m_field, 1);
    m_buttonRow = new QWidget(this);
    auto* buttons = new QHBoxLayout(m_buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_buttonRow);
    layout->addLayout(row);

    if (kind == ReportQuestion::Report) {
        addAnswerButton(tr("Continue"), "Yes", tr("Go on with the computation"));
        addAnswerButton(tr("Stop the computation"), "Stop", tr("End the run, keep the program"));
        addAnswerButton(tr("End the program"), "No", tr("Asks once more before ending"));
        m_dontAsk = new QCheckBox(tr("Don't ask again during this run"), this);
        m_dontAsk->setObjectName("DontAskAgain");
        m_dontAsk->setToolTip(tr("Later reports of this warning in this run are only logged"));
        layout->addWidget(m_dontAsk);
    } else {
        addAnswerButton(tr("End the program"), "Yes", tr("Ends the program now: the run is lost"));
        addAnswerButton(tr("Continue"), "No", tr("Go on with the computation"));
    }

    // OK gives the field's text as typed; it is the only default button.
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(box);

    m_field->setFocus();
    m_field->selectAll();
    m_guard = new KeystrokeGuard(this);
}

void ReportQuestionBox::addAnswerButton(const QString& text, const QString& answer,
                                        const QString& tip) {
    auto* b = new QPushButton(text, m_buttonRow);
    b->setToolTip(tip);
    // Neither Enter nor a stray space may press an answer: it takes a click or Tab then Space.
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    m_buttonRow->layout()->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, answer] {
        m_chosen = answer;
        m_byButton = true;
        accept();
    });
}

QPushButton* ReportQuestionBox::button(const QString& text) const {
    for (QPushButton* b : m_buttonRow->findChildren<QPushButton*>()) {
        if (b->text() == text) return b;
    }
    return nullptr;
}

ReportAnswer ReportQuestionBox::answer() const {
    ReportAnswer a;
    a.dontAskAgain = m_dontAsk && m_dontAsk->isChecked();
    if (result() != QDialog::Accepted) return a;
    a.text = (m_byButton ? m_chosen : m_field->text()).toStdString();
    return a;
}

} // namespace gyro
