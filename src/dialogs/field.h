#pragma once
#include <QObject>
#include <QString>

class QLineEdit;

// How a field of a list/detail window is entered on the detail page.
enum class FieldEditor {
    Box,   // the entry box Txt(k)
    List,  // a drop-down list Cmb(k) lying over Txt(k): shown while adding or
           // editing (taking the box's text), hidden while browsing
    Date,  // a date picker "DTP" lying over Txt(k), shown the same way
    Check, // a check box Chk(k) captioned with the field's label; no box
};

// What a field's stored value is made of.
enum class FieldKind {
    Text,   // the trimmed text
    Number, // the leading number of the text (0 when there is none)
    Date,   // a date in the short date form
    Code,   // the code of a "code.name" text: the text before its first "."
};

// Rights that mask a field: its box shows "*" for every character.
namespace FieldMask {
constexpr int None = 0;
// Masked for an operator without the price right; its list stays hidden
// and the box is out of reach while adding or editing.
constexpr int WithoutPriceRight = 1;
// Masked for every account but the administrator's.
constexpr int NotAdministrator = 2;
} // namespace FieldMask

// Grid column of a field that the list grid does not show: the detail page
// reads it from the record's own row.
constexpr int kNoGridColumn = -1;
// Grid column default: the field's control index (check boxes: none).
constexpr int kGridColumnOfIndex = -2;

// Keeps typed input within a length and, optionally, in capitals. Unlike
// QLineEdit's own limit it never cuts text the program puts in the box, so
// a stored value longer than the limit is shown and saved whole; typing can
// shorten such a text but not lengthen it.
class TypingRules : public QObject {
    Q_OBJECT
public:
    TypingRules(QLineEdit* box, int maxLength, bool upperCase);
    static TypingRules* of(QLineEdit* box);
    void setMaxLength(int n) { m_max = n; }
    void setUpperCase(bool on) { m_upper = on; }

private:
    void edited(const QString& text);

    QLineEdit* m_box;
    QString m_last;
    int m_max;
    bool m_upper;
};

// Applies (or changes) the typing rules of a box; 0 means no length limit.
void SetTypingRules(QLineEdit* box, int maxLength, bool upperCase);
