// The error report's question: the typed answer, a button for each answer and "Don't ask again".
#pragma once

#include "numerics/errorreport.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace gyro {

class KeystrokeGuard;

/// Modal box of the error report's two questions. The text field holds the proposed answer and
/// takes a typed one (OK or Enter gives it as typed); beside it, buttons give each answer at
/// once: "Continue" ("Yes"), "Stop the computation" ("Stop") and "End the program" ("No") for
/// the report, "End the program" ("Yes") and "Continue" ("No") for the confirmation. No answer
/// button is a default button, so Enter only ever gives the text in the field. Keystrokes that
/// were on their way when the box appeared are swallowed (KeystrokeGuard). The report's box
/// also offers "Don't ask again during this run". Cancel and Escape answer with the empty text.
class ReportQuestionBox : public QDialog {
    Q_OBJECT
public:
    ReportQuestionBox(ReportQuestion kind, const QString& prompt, const QString& title,
                      const QString& defaultAnswer, QWidget* parent = nullptr);

    /// The answer once the box is closed.
    ReportAnswer answer() const;

    QLineEdit* answerField() const { return m_field; }
    /// The button giving `text` ("Continue", "Stop the computation", "End the program").
    QPushButton* button(const QString& text) const;
    /// The "Don't ask again during this run" box (nullptr in the confirmation).
    QCheckBox* dontAskAgainBox() const { return m_dontAsk; }
    KeystrokeGuard* guard() const { return m_guard; }

private:
    void addAnswerButton(const QString& text, const QString& answer, const QString& tip);

    QLineEdit* m_field = nullptr;
    QCheckBox* m_dontAsk = nullptr;
    QWidget* m_buttonRow = nullptr;
    KeystrokeGuard* m_guard = nullptr;
    QString m_chosen; // the answer of the button clicked; empty: the field's text
    bool m_byButton = false;
};

} // namespace gyro
