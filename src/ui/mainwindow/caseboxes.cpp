// The controls that show the case, mirrored both ways.
#include "ui/mainwindow/caseboxes.h"

#include "ui/mainwindow/widgetkit.h"

#include "simulation/boxcommit.h"
#include "simulation/caseslots.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVariant>

namespace gyro {

namespace {

// The comment box shows lines; the case keeps them joined by CR LF.
QString commentForDisplay(const std::string& s) {
    return QString::fromStdString(s).replace("\r\n", "\n");
}
std::string commentForCase(const QString& s) {
    QString t = s;
    t.replace("\r\n", "\n").replace('\n', "\r\n");
    return t.toStdString();
}

// Properties of a box refused as not a number: the mark, and the tooltip it had before.
const char* kNotANumber = "notANumber";
const char* kNormalToolTip = "normalToolTip";
// Properties of every box: the family and slot of the case it shows.
const char* kFamily = "caseFamily";
const char* kIndex = "caseIndex";

template <class Array> auto at(const Array& a, int index) -> typename Array::value_type {
    return index >= 0 && static_cast<std::size_t>(index) < a.size()
               ? a[static_cast<std::size_t>(index)]
               : nullptr;
}

} // namespace

CaseBoxes::CaseBoxes(CaseModel& model, QObject* parent) : QObject(parent), m_model(model) {
    m_listenerId = m_model.addListener([this](BoxFamily family, int index) {
        showValue(family, index);
        emit caseChanged(family, index);
    });
}

CaseBoxes::~CaseBoxes() {
    m_model.removeListener(m_listenerId);
}

QLineEdit* CaseBoxes::makeBox(QWidget* parent, BoxFamily family, int index,
                              const QString& tooltip) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(controlName(family, index));
    if (!tooltip.isEmpty()) box->setToolTip(tooltip);
    box->setMinimumWidth(60);
    const auto i = static_cast<std::size_t>(index);
    switch (family) {
    case BoxFamily::Texte3:
        m_texte3[i] = box;
        // Moving the mouse over these boxes refreshes the particle constants.
        box->setMouseTracking(true);
        break;
    case BoxFamily::Texte4:
        m_texte4[i] = box;
        break;
    case BoxFamily::Texte6:
        m_texte6[i] = box;
        break;
    case BoxFamily::Texte7:
        m_texte7 = box;
        break;
    default:
        break;
    }
    // Typed values reach the case when committed, on Enter or when the focus leaves the box for
    // another control (see eventFilter): a value half typed ("", "0.", "1e") must never act on a
    // run.
    box->setProperty(kFamily, static_cast<int>(family));
    box->setProperty(kIndex, index);
    box->installEventFilter(this);
    connect(box, &QLineEdit::returnPressed, this, [this, box] { finishEditing(box); });
    connect(box, &QLineEdit::textEdited, this, [box, family, index](const QString& text) {
        // The red frame goes as soon as the box holds a number again.
        if (box->property(kNotANumber).toBool() &&
            (isNumberText(text.toStdString()) ||
             (text.trimmed().isEmpty() && acceptsEmpty(family, index)))) {
            unmark(box);
        }
    });
    return box;
}

void CaseBoxes::finishEditing(QLineEdit* box) {
    if (!box->isModified()) return;
    box->setModified(false);
    commit(box, static_cast<BoxFamily>(box->property(kFamily).toInt()),
           box->property(kIndex).toInt());
}

void CaseBoxes::commit(QLineEdit* box, BoxFamily family, int index) {
    switch (commitBoxText(m_model, family, index, box->text().toStdString())) {
    case CommitOutcome::NotANumber:
        markNotANumber(box, toQt(m_model.text(family, index)));
        break;
    case CommitOutcome::FasterThanLight:
        markRefused(box, QString("\"%1\" would start the particle at or above the speed of light "
                                 "(299792458 m/s): the motion is computed without relativity. "
                                 "The case keeps %2.")
                             .arg(box->text(), toQt(m_model.text(family, index))));
        break;
    case CommitOutcome::Applied:
        unmark(box);
        emit committed(family, index);
        break;
    case CommitOutcome::Unchanged:
        unmark(box);
        break;
    }
}

void CaseBoxes::markNotANumber(QLineEdit* box, const QString& kept) {
    markRefused(box, QString("\"%1\" is not a number: the case keeps %2. Type a number and press "
                             "Enter.")
                         .arg(box->text(), kept.isEmpty() ? QString("an empty value") : kept));
}

void CaseBoxes::markRefused(QLineEdit* box, const QString& why) {
    if (!box->property(kNotANumber).toBool()) {
        box->setProperty(kNormalToolTip, box->toolTip());
        box->setProperty(kNotANumber, true);
    }
    box->setStyleSheet("QLineEdit { border: 2px solid #d00000; }");
    box->setToolTip(why);
}

void CaseBoxes::unmark(QLineEdit* box) {
    if (!box->property(kNotANumber).toBool()) return;
    box->setProperty(kNotANumber, false);
    box->setStyleSheet({});
    box->setToolTip(box->property(kNormalToolTip).toString());
}

QWidget* CaseBoxes::vectorRow(QWidget* parent, BoxFamily family, int first,
                              const QStringList& columns) {
    auto* row = new QWidget(parent);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(1);
    for (int i = 0; i < 3; ++i) {
        if (!columns.isEmpty()) grid->addWidget(columnLabel(columns.value(i), row), 0, i);
        grid->addWidget(makeBox(row, family, first + i), 1, i);
        grid->setColumnStretch(i, 1);
    }
    return row;
}

QRadioButton* CaseBoxes::makeOption(QWidget* parent, BoxFamily family, int index,
                                    const QString& text) {
    auto* option = new QRadioButton(text, parent);
    option->setObjectName(controlName(family, index));
    if (family == BoxFamily::Option4) m_option4[static_cast<std::size_t>(index)] = option;
    if (family == BoxFamily::Option5) m_option5[static_cast<std::size_t>(index)] = option;
    connect(option, &QRadioButton::clicked, this, [this, family, index] {
        m_model.select(family, index);
        emit clicked(family, index);
    });
    return option;
}

QCheckBox* CaseBoxes::makeCheck(QWidget* parent, int index, const QString& text) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(controlName(BoxFamily::Coche1, index));
    m_coche1[static_cast<std::size_t>(index)] = check;
    connect(check, &QCheckBox::clicked, this, [this, index](bool on) {
        m_model.setState(BoxFamily::Coche1, index, on ? 1 : 0);
        emit clicked(BoxFamily::Coche1, index);
    });
    return check;
}

QPlainTextEdit* CaseBoxes::makeComment(QWidget* parent) {
    m_comment = new QPlainTextEdit(parent);
    m_comment->setObjectName(controlName(BoxFamily::Texte3, slot::kComment));
    m_comment->viewport()->setMouseTracking(true);
    m_comment->viewport()->installEventFilter(this);
    connect(m_comment, &QPlainTextEdit::textChanged, this, [this] {
        if (m_syncing) return;
        m_model.setText(BoxFamily::Texte3, slot::kComment,
                        commentForCase(m_comment->toPlainText()));
    });
    return m_comment;
}

QLineEdit* CaseBoxes::box(BoxFamily family, int index) const {
    switch (family) {
    case BoxFamily::Texte3:
        return at(m_texte3, index);
    case BoxFamily::Texte4:
        return at(m_texte4, index);
    case BoxFamily::Texte6:
        return at(m_texte6, index);
    case BoxFamily::Texte7:
        return m_texte7;
    default:
        return nullptr;
    }
}

void CaseBoxes::showValue(BoxFamily family, int index) {
    m_syncing = true;
    switch (family) {
    case BoxFamily::Option4:
    case BoxFamily::Option5: {
        QRadioButton* option =
            family == BoxFamily::Option4 ? at(m_option4, index) : at(m_option5, index);
        const bool on = m_model.state(family, index) != 0;
        if (option && option->isChecked() != on) {
            // An exclusive group refuses to clear its checked button: a case may select none.
            QButtonGroup* group = option->group();
            if (group) group->setExclusive(false);
            option->setChecked(on);
            if (group) group->setExclusive(true);
        }
        break;
    }
    case BoxFamily::Coche1:
        if (QCheckBox* c = at(m_coche1, index)) c->setChecked(m_model.Coche1(index) != 0);
        break;
    default:
        if (family == BoxFamily::Texte3 && index == slot::kComment && m_comment) {
            const QString shown = commentForDisplay(m_model.Texte3(slot::kComment));
            if (m_comment->toPlainText() != shown) m_comment->setPlainText(shown);
        } else if (QLineEdit* b = box(family, index)) {
            // A value being typed is the user's until committed: the case does not overwrite it.
            if (b->hasFocus() && b->isModified()) break;
            const QString text = toQt(m_model.text(family, index));
            if (b->text() != text) b->setText(text);
            unmark(b);
        }
        break;
    }
    m_syncing = false;
}

void CaseBoxes::showAll() {
    for (int i = 0; i < CaseModel::kSlots; ++i) {
        showValue(BoxFamily::Texte3, i);
        showValue(BoxFamily::Texte4, i);
        showValue(BoxFamily::Texte6, i);
        showValue(BoxFamily::Option4, i);
        showValue(BoxFamily::Coche1, i);
        if (i < CaseModel::kSpecies) showValue(BoxFamily::Option5, i);
    }
    showValue(BoxFamily::Texte7, 0);
}

bool CaseBoxes::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving the box for another control finishes the typing. The window losing the focus
        // (a question box opening during a run, another program) does not: the box keeps the
        // window's focus and the value half typed stays the user's.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            finishEditing(box);
        }
    } else if (event->type() == QEvent::MouseMove) {
        for (int i = 0; i < CaseModel::kSlots; ++i) {
            if (m_texte3[static_cast<std::size_t>(i)] == watched) emit hovered(i);
        }
        if (m_comment && watched == m_comment->viewport()) emit hovered(slot::kComment);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace gyro
