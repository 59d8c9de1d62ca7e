// Questions answered with buttons Yes, No and Cancel in a message box.
#pragma once

#include "numerics/errorreport.h"

class QWidget;

namespace gyro {

/// Asks in a message box with buttons Yes, No and Cancel; the button whose answer is the
/// proposed one ("Yes" or "No") is the default. Returns "Yes", "No", or the empty text when the
/// box is cancelled or closed.
class QuestionBoxAsker : public Asker {
public:
    explicit QuestionBoxAsker(QWidget* parent = nullptr) : m_parent(parent) {}
    std::string ask(const std::string& prompt, const std::string& title,
                    const std::string& defaultAnswer) override;

private:
    QWidget* m_parent;
};

} // namespace gyro
