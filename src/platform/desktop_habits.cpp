#include "platform/desktop_habits.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

bool isPlainEnter(const QKeyEvent* ke)
{
    return (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && !(ke->modifiers() & ~Qt::KeypadModifier);
}

// Qt gives an editable list a completer that finishes a typed "C00" as the
// first item beginning with it. It is taken away before the list is shown and
// again before anything is typed, since a list may be made editable late.
void keepTypedText(QObject* obj)
{
    auto* list = qobject_cast<QComboBox*>(obj);
    if (!list)
        if (auto* edit = qobject_cast<QLineEdit*>(obj))
            list = qobject_cast<QComboBox*>(edit->parent());
    if (list && list->isEditable() && list->completer())
        list->setCompleter(nullptr);
}

class DesktopHabits : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        switch (ev->type()) {
        case QEvent::Polish:
            // A button with auto-default on becomes the dialog's default while it
            // has the focus, and the first one becomes it when the dialog shows.
            // The buttons of a message box or file chooser keep Qt's own rule.
            if (auto* b = qobject_cast<QPushButton*>(obj);
                b && !b->isDefault() && !qobject_cast<QDialogButtonBox*>(b->parent()))
                b->setAutoDefault(false);
            keepTypedText(obj);
            break;
        case QEvent::KeyPress:
            if (auto* b = qobject_cast<QPushButton*>(obj); b && isPlainEnter(static_cast<QKeyEvent*>(ev))) {
                b->click();
                return true;
            }
            keepTypedText(obj);
            break;
        case QEvent::InputMethod:
            keepTypedText(obj);
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

void InstallDesktopHabits(QApplication& app)
{
    static const QString name = QStringLiteral("DesktopHabits");
    if (app.findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* habits = new DesktopHabits(&app);
    habits->setObjectName(name);
    app.installEventFilter(habits);
}
