#include "ui/EditFieldFilters.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

#include "ui/ToolTip.h"

namespace vrklad {
namespace {

const QString kBadChar = QStringLiteral("Недопустимый символ");

bool IsSpaceOrHyphen(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('-'); }

// Where typed or pasted text goes: the selection, or the insertion point.
struct Insertion {
    int start;
    int end;
};

Insertion InsertionOf(const QLineEdit* field) {
    if (field->hasSelectedText()) {
        const int start = field->selectionStart();
        return {start, start + static_cast<int>(field->selectedText().size())};
    }
    return {field->cursorPosition(), field->cursorPosition()};
}

QString TextWith(const QLineEdit* field, const QString& inserted) {
    const Insertion at = InsertionOf(field);
    QString text = field->text();
    text.replace(at.start, at.end - at.start, inserted);
    return text;
}

bool WithinKlass(const QString& text, int maxKlass, bool* isNumber = nullptr) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (isNumber != nullptr) *isNumber = ok;
    return ok && value <= maxKlass;
}

}  // namespace

bool IsCyrillicLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0410 && u <= 0x044F) || u == 0x0401 || u == 0x0451;
}

FieldValidator::FieldValidator(bool upperCase, bool digitsOnly, QObject* parent)
    : QValidator(parent), m_upperCase(upperCase), m_digitsOnly(digitsOnly) {}

QValidator::State FieldValidator::validate(QString& input, int&) const {
    if (m_digitsOnly) {
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
        }
    }
    if (m_upperCase) input = input.toUpper();
    return Acceptable;
}

EditFieldFilter::EditFieldFilter(QLineEdit* field, KeyRule keyRule, PasteRule pasteRule,
                                 Context context)
    : QObject(field),
      m_field(field),
      m_keyRule(keyRule),
      m_pasteRule(pasteRule),
      m_context(std::move(context)) {
    field->installEventFilter(this);
    if (pasteRule != PasteRule::None) {
        // Dropped text would bypass the paste rule.
        field->setAcceptDrops(false);
    }
}

bool EditFieldFilter::FieldDigitsOnly() const {
    const auto* validator = qobject_cast<const FieldValidator*>(m_field->validator());
    return validator != nullptr && validator->DigitsOnly();
}

bool EditFieldFilter::RefuseKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers();
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    const bool chordHeld =
        ctrl || mods.testFlag(Qt::AltModifier) || mods.testFlag(Qt::MetaModifier);
    QString text = key.text();
    // Ctrl with a letter types a control character, whatever the platform
    // puts into the event.
    if (text.isEmpty() && ctrl && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z) {
        text = QChar(char16_t(key.key() - Qt::Key_A + 1));
    }
    if (text.isEmpty() || key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) return false;
    const QChar c = text.at(0);
    const bool backspace = c == QLatin1Char('\b') || key.key() == Qt::Key_Backspace;
    const bool editable = !m_field->isReadOnly();

    switch (m_keyRule) {
        case KeyRule::Fio: {
            // Works on read-only fields too.
            if (mods.testFlag(Qt::AltModifier) && !ctrl) return false;
            if (backspace || IsCyrillicLetter(c)) return false;
            if (IsSpaceOrHyphen(c)) {
                const QString t = m_field->text();
                const Insertion at = InsertionOf(m_field);
                const bool afterSeparator = at.start >= 2 && IsSpaceOrHyphen(t.at(at.start - 1));
                const bool beforeSeparator = at.end < t.size() && IsSpaceOrHyphen(t.at(at.end));
                if (!afterSeparator && !beforeSeparator) return false;
            }
            ToolTip::ShowBalloonAtCaret(
                m_field, kBadChar,
                QStringLiteral("В написании ФИО можно использовать только буквы русского алфавита "
                               "и знаки дефис и пробел"),
                ToolTip::Icon::Error);
            return true;
        }
        case KeyRule::CertificateSeries:
            if (!editable || !m_context.certificate || !m_context.certificate()) return false;
            if (backspace || IsCyrillicLetter(c) || chordHeld) return false;
            ToolTip::ShowBalloonAtCaret(
                m_field, kBadChar,
                QStringLiteral(
                    "Серия свидетельства о рождении содержит две буквы русского алфавита"),
                ToolTip::Icon::Error);
            return true;
        case KeyRule::Letter:
            if (!editable) return false;
            if (backspace || c.isDigit() || IsCyrillicLetter(c) || chordHeld) return false;
            ToolTip::ShowBalloonAtCaret(
                m_field, kBadChar,
                QStringLiteral("Здесь можно ввести только букву кириллицы или цифру"),
                ToolTip::Icon::Error);
            return true;
        case KeyRule::Klass: {
            if (!editable || c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
            const int maxKlass = m_context.maxKlass ? m_context.maxKlass() : 0;
            bool isNumber = false;
            if (WithinKlass(TextWith(m_field, QString(c)), maxKlass, &isNumber)) return false;
            if (isNumber) {
                ToolTip::ShowBalloonAtCaret(
                    m_field, QStringLiteral("Неверное значение"),
                    QStringLiteral("Номер класса\\курса не может превышать ") +
                        QString::number(maxKlass),
                    ToolTip::Icon::Warning);
            }
            return true;
        }
        case KeyRule::None:
            break;
    }
    return false;
}

void EditFieldFilter::Paste(QClipboard::Mode mode) {
    if (m_field->isReadOnly() || !m_field->isEnabled()) return;
    const QString pasted = QApplication::clipboard()->text(mode);
    QString kept;
    switch (m_pasteRule) {
        case PasteRule::Klass: {
            for (const QChar c : pasted) {
                if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) kept += c;
            }
            const int maxKlass = m_context.maxKlass ? m_context.maxKlass() : 0;
            if (kept.isEmpty() || !WithinKlass(TextWith(m_field, kept), maxKlass)) return;
            break;
        }
        case PasteRule::Letters: {
            const bool digits = FieldDigitsOnly();
            for (const QChar c : pasted) {
                if (digits ? (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                           : IsCyrillicLetter(c)) {
                    kept += c;
                }
            }
            break;
        }
        case PasteRule::None:
            kept = pasted;
            break;
    }
    m_field->insert(kept);
}

bool EditFieldFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_field) return false;
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (RefuseKey(*key)) return true;
            if (m_pasteRule != PasteRule::None && key->matches(QKeySequence::Paste)) {
                Paste();
                return true;
            }
            return false;
        }
        case QEvent::ContextMenu: {
            if (m_pasteRule == PasteRule::None) return false;
            const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            QPointer<QMenu> menu = m_field->createStandardContextMenu();
            for (QAction* action : menu->actions()) {
                if (action->objectName() == QStringLiteral("edit-paste")) {
                    action->disconnect();
                    connect(action, &QAction::triggered, this, [this] { Paste(); });
                }
            }
            menu->exec(menuEvent->globalPos());
            delete menu;
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (m_pasteRule != PasteRule::None &&
                static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) {
                if (QApplication::clipboard()->supportsSelection()) Paste(QClipboard::Selection);
                return true;
            }
            return false;
        default:
            return false;
    }
}

void ReadOnlyComboBox::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    if (isEditable() && lineEdit() != nullptr) lineEdit()->setReadOnly(readOnly);
}

void ReadOnlyComboBox::showPopup() {
    if (!m_readOnly) QComboBox::showPopup();
}

void ReadOnlyComboBox::keyPressEvent(QKeyEvent* event) {
    if (m_readOnly) {
        switch (event->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_F4:
                event->ignore();
                return;
            default:
                if (!isEditable()) {
                    event->ignore();
                    return;
                }
                break;
        }
    }
    QComboBox::keyPressEvent(event);
}

void ReadOnlyComboBox::wheelEvent(QWheelEvent* event) {
    if (m_readOnly) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

}  // namespace vrklad
