#include "dialogs/field.h"

#include <QLineEdit>

TypingRules::TypingRules(QLineEdit* box, int maxLength, bool upperCase)
    : QObject(box)
    , m_box(box)
    , m_last(box->text())
    , m_max(maxLength)
    , m_upper(upperCase)
{
    setObjectName(QStringLiteral("TypingRules"));
    connect(box, &QLineEdit::textEdited, this, &TypingRules::edited);
    // The box's text after every change, the program's included: what the
    // next keystroke is measured against. (Read from the box, not the signal,
    // which may carry a text corrected meanwhile.)
    connect(box, &QLineEdit::textChanged, this, [this] { m_last = m_box->text(); });
}

TypingRules* TypingRules::of(QLineEdit* box)
{
    return box ? box->findChild<TypingRules*>(QStringLiteral("TypingRules"), Qt::FindDirectChildrenOnly) : nullptr;
}

void TypingRules::edited(const QString& text)
{
    QString t = m_upper ? text.toUpper() : text;
    int cursor = m_box->cursorPosition();
    const int room = std::max<qsizetype>(m_max, m_last.size());
    if (m_max > 0 && t.size() > room) {
        // What the keystroke or paste put in: the part between the common
        // beginning and the common end of the old and new texts. It is cut
        // so the whole fits, as typing into a full box does.
        const QString& old = m_last;
        qsizetype head = 0;
        while (head < old.size() && head < t.size() && old[head] == t[head])
            ++head;
        qsizetype tail = 0;
        while (tail < old.size() - head && tail < t.size() - head && old[old.size() - 1 - tail] == t[t.size() - 1 - tail])
            ++tail;
        const qsizetype inserted = t.size() - head - tail;
        const qsizetype keep = std::max<qsizetype>(0, inserted - (t.size() - room));
        t = t.left(head + keep) + t.right(tail);
        cursor = int(head + keep);
    }
    if (t == text)
        return;
    m_box->setText(t);
    m_box->setCursorPosition(std::min(cursor, int(t.size())));
}

void SetTypingRules(QLineEdit* box, int maxLength, bool upperCase)
{
    if (TypingRules* r = TypingRules::of(box)) {
        r->setMaxLength(maxLength);
        r->setUpperCase(upperCase);
        return;
    }
    new TypingRules(box, maxLength, upperCase);
}
