// Small pieces shared by the main window's panels.
#include "ui/mainwindow/widgetkit.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace gyro {

QString controlName(BoxFamily family, int index) {
    switch (family) {
    case BoxFamily::Texte3:
        return QString("Texte3_%1").arg(index);
    case BoxFamily::Texte4:
        return QString("Texte4_%1").arg(index);
    case BoxFamily::Texte6:
        return QString("Texte6_%1").arg(index);
    case BoxFamily::Texte7:
        return "Texte7";
    case BoxFamily::Option4:
        return QString("Option4_%1").arg(index);
    case BoxFamily::Option5:
        return QString("Option5_%1").arg(index);
    case BoxFamily::Coche1:
        return QString("Coche1_%1").arg(index);
    }
    return {};
}

QLabel* smallLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    label->setFont(f);
    label->setStyleSheet("color: palette(mid);");
    return label;
}

QLabel* columnLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    label->setFont(f);
    return label;
}

QPlainTextEdit* fixedPitchBox(const QString& name, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->viewport()->setMouseTracking(true);
    return box;
}

void showText(QLineEdit* box, const QString& text) {
    if (box->text() != text) box->setText(text);
}

} // namespace gyro
