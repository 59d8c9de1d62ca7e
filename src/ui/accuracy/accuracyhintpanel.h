// The accuracy hint beside the error-limit box, with a button that applies the suggestion.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace gyro {

struct AccuracyHint;

/// Shows the hint's sentence and a "use it" button while the error limit is too coarse for the
/// gyration; hidden otherwise.
class AccuracyHintPanel : public QWidget {
    Q_OBJECT
public:
    explicit AccuracyHintPanel(QWidget* parent = nullptr);

    /// Shows the hint, or hides the panel when the hint is not to be shown.
    void showHint(const AccuracyHint& hint);

    QLabel* label() const { return m_label; }
    QPushButton* useButton() const { return m_use; }

signals:
    /// "use it" was clicked: the text to put into the error-limit box and commit.
    void useSuggested(const QString& errorLimitText);

private:
    QLabel* m_label = nullptr;
    QPushButton* m_use = nullptr;
    QString m_suggested;
};

} // namespace gyro
