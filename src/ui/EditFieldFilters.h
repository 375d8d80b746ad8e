#pragma once

#include <QClipboard>
#include <QComboBox>
#include <QObject>
#include <QValidator>
#include <functional>

class QLineEdit;

namespace vrklad {

// Cyrillic letters as cp1251 has them: А–я, Ё and ё.
bool IsCyrillicLetter(QChar c);

// The "upper case" and "digits only" properties of an edit field: typed and
// pasted letters become capitals; with digits only, anything else is refused.
class FieldValidator : public QValidator {
    Q_OBJECT
public:
    FieldValidator(bool upperCase, bool digitsOnly, QObject* parent = nullptr);
    void SetDigitsOnly(bool digitsOnly) { m_digitsOnly = digitsOnly; }
    bool DigitsOnly() const { return m_digitsOnly; }
    State validate(QString& input, int& pos) const override;

private:
    bool m_upperCase;
    bool m_digitsOnly;
};

// The key and paste rules of one edit field of the record panel. A refused
// key is swallowed here, with its balloon hint where the rule has one, so
// that nothing after this filter sees the press. Pastes — the paste keys,
// the context menu's entry and the middle button — go through the paste
// rule; the clipboard keeps its content.
class EditFieldFilter : public QObject {
    Q_OBJECT
public:
    enum class KeyRule {
        None,
        Fio,                // Cyrillic letters, single spaces and hyphens
        CertificateSeries,  // Cyrillic letters, while `certificate` holds
        Letter,             // a Cyrillic letter or a digit
        Klass,              // digits up to the highest class
    };
    enum class PasteRule {
        None,
        Klass,    // the digits, when the result stays a class number
        Letters,  // Cyrillic letters only, or digits only when the field takes digits only
    };
    struct Context {
        std::function<bool()> certificate;  // the document is a birth certificate
        std::function<int()> maxKlass;
    };

    EditFieldFilter(QLineEdit* field, KeyRule keyRule, PasteRule pasteRule, Context context);

    // Pastes the clipboard's text through the paste rule.
    void Paste(QClipboard::Mode mode = QClipboard::Clipboard);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the key is refused (and swallowed).
    bool RefuseKey(const class QKeyEvent& key);
    bool FieldDigitsOnly() const;

    QLineEdit* m_field;
    KeyRule m_keyRule;
    PasteRule m_pasteRule;
    Context m_context;
};

// A drop-down list that can be made read-only: it then neither opens nor
// changes its entry by keys or the wheel, while its text stays readable.
class ReadOnlyComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_readOnly; }
    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_readOnly = false;
};

}  // namespace vrklad
