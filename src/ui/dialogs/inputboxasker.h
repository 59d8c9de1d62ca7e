// The modal input box through which the error report and the start-up ask the user.
#pragma once

#include "numerics/errorreport.h"

class QWidget;

namespace gyro {

/// Asks in a modal input box with the given prompt, title and proposed answer; Cancel returns
/// the empty text. The error report's questions get their own box (ReportQuestionBox): a button
/// per answer, "Don't ask again during this run", and no keystrokes from before it appeared.
class InputBoxAsker : public Asker {
public:
    explicit InputBoxAsker(QWidget* parent = nullptr) : m_parent(parent) {}
    std::string ask(const std::string& prompt, const std::string& title,
                    const std::string& defaultAnswer) override;
    ReportAnswer askReport(ReportQuestion kind, const std::string& prompt, const std::string& title,
                           const std::string& defaultAnswer) override;

private:
    QWidget* m_parent;
};

} // namespace gyro
