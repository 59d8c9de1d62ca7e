// The modal input box of the error report and the start-up questions.
#include "inputboxasker.h"

#include <QInputDialog>
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
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.textValue().toStdString();
}

} // namespace gyro
