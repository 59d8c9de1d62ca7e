// A question with buttons in a message box.
#include "ui/dialogs/questionboxasker.h"

#include <QMessageBox>

namespace gyro {

std::string QuestionBoxAsker::ask(const std::string& prompt, const std::string& title,
                                  const std::string& defaultAnswer) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                    QString::fromStdString(prompt),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setObjectName("QuestionBox");
    box.setDefaultButton(defaultAnswer == "Yes" ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return "Yes";
    case QMessageBox::No:
        return "No";
    default:
        return {};
    }
}

} // namespace gyro
