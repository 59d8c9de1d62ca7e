// The controls that show the case: made here, kept by family and index, mirrored both ways.
#pragma once

#include "simulation/casemodel.h"

#include <QObject>
#include <QStringList>

#include <array>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

class QWidget;

namespace gyro {

/// The case's controls of the main window, named like the case's boxes ("Texte3_0",
/// "Option4_2", "Coche1_7"). Every change of the case shows in its control; what the user types
/// or clicks is written to the case: option buttons and check boxes at once, typed values when
/// the user has finished typing them (Enter, or leaving the box for another control; not the
/// window losing the focus to a question box), never a half-typed value. A
/// number box given something else keeps the case's value and shows a red frame and a tooltip,
/// as editors do, until it holds a number again. The panels make their controls here and lay
/// them out.
class CaseBoxes : public QObject {
    Q_OBJECT
public:
    explicit CaseBoxes(CaseModel& model, QObject* parent = nullptr);
    ~CaseBoxes() override;

    /// A text box of the case, with its tooltip.
    QLineEdit* makeBox(QWidget* parent, BoxFamily family, int index, const QString& tooltip = {});
    /// Three boxes side by side (x, y, z components from `first`), headed by `columns`.
    QWidget* vectorRow(QWidget* parent, BoxFamily family, int first, const QStringList& columns);
    /// An option button of Option4 or Option5 (exclusive within `group`'s parent's button group).
    QRadioButton* makeOption(QWidget* parent, BoxFamily family, int index, const QString& text);
    /// A check box of Coche1.
    QCheckBox* makeCheck(QWidget* parent, int index, const QString& text);
    /// The comment box Texte3(kComment), several lines.
    QPlainTextEdit* makeComment(QWidget* parent);

    QLineEdit* box(BoxFamily family, int index) const;
    QCheckBox* check(int index) const { return m_coche1[static_cast<std::size_t>(index)]; }

    /// Shows the case's value in its control.
    void showValue(BoxFamily family, int index);
    /// Shows the whole case.
    void showAll();

signals:
    /// The case changed (after the control shows it).
    void caseChanged(BoxFamily family, int index);
    /// The user clicked an option button or a check box.
    void clicked(BoxFamily family, int index);
    /// The user committed a new value to a box (Enter, or leaving the box), and the case took
    /// it.
    void committed(BoxFamily family, int index);
    /// The mouse moved over a Texte3 box.
    void hovered(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishEditing(QLineEdit* box);
    void commit(QLineEdit* box, BoxFamily family, int index);
    static void markNotANumber(QLineEdit* box, const QString& kept);
    static void markRefused(QLineEdit* box, const QString& why);
    static void unmark(QLineEdit* box);

    CaseModel& m_model;
    int m_listenerId = 0;
    bool m_syncing = false; // a control is being set from the case: no echo back
    std::array<QLineEdit*, CaseModel::kSlots> m_texte3{};
    std::array<QLineEdit*, CaseModel::kSlots> m_texte4{};
    std::array<QLineEdit*, CaseModel::kSlots> m_texte6{};
    QLineEdit* m_texte7 = nullptr;
    QPlainTextEdit* m_comment = nullptr;
    std::array<QRadioButton*, CaseModel::kSlots> m_option4{};
    std::array<QRadioButton*, CaseModel::kSpecies> m_option5{};
    std::array<QCheckBox*, CaseModel::kSlots> m_coche1{};
};

} // namespace gyro
