// Small pieces shared by the main window's panels: control names, labels, read-only text boxes.
#pragma once

#include "simulation/casemodel.h"

#include <QString>

#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace gyro {

/// Tooltip of the maximum time box (and, as it always had, of the species kept with an example).
inline constexpr const char* kPauseTimeTooltip =
    "put here a time at which the computation is turned to a PAUSE. You can restart after.";

/// The object name of a case control: "Texte3_13", "Option4_2", "Coche1_7", "Texte7".
QString controlName(BoxFamily family, int index);
/// A UTF-8 text of the core as a Qt string.
inline QString toQt(const std::string& s) {
    return QString::fromStdString(s);
}
/// A hint in a smaller, dimmed font.
QLabel* smallLabel(const QString& text, QWidget* parent);
/// A column heading over a row of boxes.
QLabel* columnLabel(const QString& text, QWidget* parent);
/// Shows `text` in a read-out box refreshed often: only a new text is set (the same one set
/// again would be laid out and painted again all the same).
void showText(QLineEdit* box, const QString& text);
/// A read-only box of fixed-pitch lines, not wrapped, that follows the mouse.
QPlainTextEdit* fixedPitchBox(const QString& name, QWidget* parent);

} // namespace gyro
