#include "dialogs/field.h"

#include "platform/command_guard.h"

#include <QLineEdit>

TypingRules::TypingRules(QLineEdit* box, int maxLength, bool upperCase)
    : QObject(box)
    , m_box(box)
    , m_last(box->text())
    , m_max(maxLength)
    , m_upper(upperCase)
{
    setObjectName(QStringLiteral("TypingRules"));
    ConnectGuarded(box, &QLineEdit::textEdited, this, [this](const QString& text) { edited(text); });
    // The box's text after every change, the program's included: what the
    // next keystroke is measured against. (Read from the box, not the signal,
    // which may carry a text corrected meanwhile.)
    ConnectGuarded(box, &QLineEdit::textChanged, this, [this] { m_last = m_box->text(); });
}

TypingRules* TypingRules::of(QLineEdit* box)
{
    return box ? box->findChild<TypingRules*>(QStringLiteral("TypingRules"), Qt::FindDirectChildrenOnly) : nullptr;
}

void TypingRules::edited(const QString& text)
{
    // What the keystroke or paste put in: the part between the common
    // beginning and the common end of the old and the new text.
    const QString& old = m_last;
    qsizetype head = 0;
    while (head < old.size() && head < text.size() && old[head] == text[head])
        ++head;
    qsizetype tail = 0;
    while (tail < old.size() - head && tail < text.size() - head
           && old[old.size() - 1 - tail] == text[text.size() - 1 - tail])
        ++tail;
    QString inserted = text.mid(head, text.size() - head - tail);
    // Only what is typed becomes capitals; a stored text keeps its letters.
    if (m_upper)
        inserted = inserted.toUpper();
    // Cut so the whole fits, as typing into a full box does; a text already
    // longer than the limit may not grow.
    const qsizetype room = std::max<qsizetype>(m_max, old.size());
    if (m_max > 0 && text.size() > room)
        inserted.truncate(std::max<qsizetype>(0, inserted.size() - (text.size() - room)));
    const QString t = text.left(head) + inserted + text.right(tail);
    if (t == text)
        return;
    m_box->setText(t);
    m_box->setCursorPosition(int(head + inserted.size()));
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
