// The modal input box of the error report and the start-up questions.
#include "ui/dialogs/inputboxasker.h"

#include "ui/dialogs/reportquestionbox.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>

namespace gyro {

std::string InputBoxAsker::ask(const std::string& prompt, const std::string& title,
                               const std::string& defaultAnswer) {
    QInputDialog dialog(m_parent);
    dialog.setObjectName("InputBox");
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(QString::fromStdString(title));
    // The prompt's lines are joined by CR LF; a label shows LF.
    dialog.setLabelText(QString::fromStdString(prompt).replace("\r\n", "\n"));
    dialog.setTextValue(QString::fromStdString(defaultAnswer));
    dialog.setTextEchoMode(QLineEdit::Normal);
    // Long prompts (the first-start question, the error report's) wrap instead of stretching
    // the box across the screen.
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        label->setWordWrap(true);
        label->setMinimumWidth(420);
        label->setMaximumWidth(640);
    }
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.textValue().toStdString();
}

ReportAnswer InputBoxAsker::askReport(ReportQuestion kind, const std::string& prompt,
                                      const std::string& title, const std::string& defaultAnswer) {
    ReportQuestionBox box(kind, QString::fromStdString(prompt), QString::fromStdString(title),
                          QString::fromStdString(defaultAnswer), m_parent);
    box.exec();
    return box.answer();
}

} // namespace gyro
