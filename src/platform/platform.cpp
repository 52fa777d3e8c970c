#include "platform/platform.h"

#include "platform/command_guard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>
#include <QWidget>

namespace {
QString settingsKey(const QString& section, const QString& key) { return section + "/" + key; }
}

QString GetSetting(const QString& app, const QString& section, const QString& key, const QString& defaultValue)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, app, app);
    return s.value(settingsKey(section, key), defaultValue).toString();
}

void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, app, app);
    s.setValue(settingsKey(section, key), value);
    s.sync();
}

int LocaleIdFor(const QString& localeName)
{
    QString n = localeName;
    n.replace('-', '_');
    const int dot = int(n.indexOf('.'));
    if (dot >= 0)
        n = n.left(dot);
    if (n.compare("zh_TW", Qt::CaseInsensitive) == 0 || n.compare("zh_Hant_TW", Qt::CaseInsensitive) == 0)
        return 1028;
    if (n.compare("en_US", Qt::CaseInsensitive) == 0)
        return 1033;
    if (n.compare("zh_CN", Qt::CaseInsensitive) == 0 || n.compare("zh_Hans_CN", Qt::CaseInsensitive) == 0)
        return 2052;
    if (n.compare("ja_JP", Qt::CaseInsensitive) == 0)
        return 1041;
    if (n.compare("en_GB", Qt::CaseInsensitive) == 0)
        return 2057;
    if (n.compare("zh_HK", Qt::CaseInsensitive) == 0)
        return 3076;
    return 0;
}

int SystemLocaleId()
{
    // LANG/LC_ALL as the desktop sets them; QLocale::system() knows them too.
    for (const char* var : {"LC_ALL", "LANG"}) {
        const QByteArray v = qgetenv(var);
        if (!v.isEmpty())
            return LocaleIdFor(QString::fromLocal8Bit(v));
    }
    return LocaleIdFor(QLocale::system().name());
}

namespace {
class EnterMovesOn : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        if (ev->type() != QEvent::KeyPress)
            return false;
        auto* ke = static_cast<QKeyEvent*>(ev);
        if (ke->key() != Qt::Key_Return && ke->key() != Qt::Key_Enter)
            return false;
        if (ke->modifiers() & ~(Qt::KeypadModifier))
            return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w)
            return false;
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractSpinBox*>(w))
            return false;
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->view() && combo->view()->isVisible())
            return false;
        // Move on as a Tab keystroke would.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(w, &tab);
        return true;
    }
};
} // namespace

void ShowAsStars(QLineEdit* box)
{
    box->setEchoMode(QLineEdit::Password);
    // Whatever mark the style would draw, the system shows "*".
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

QHBoxLayout* MakeCommandRow(QWidget* owner, const QStringList& captions, QPushButton** out,
                            std::function<void(int)> onClick)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QPushButton(captions[i], owner);
        b->setObjectName(QStringLiteral("Cmd(%1)").arg(i));
        ConnectGuarded(b, &QPushButton::clicked, owner, [onClick, i] { onClick(i); });
        row->addWidget(b);
        out[i] = b;
    }
    row->addStretch();
    return row;
}

bool FocusMovesWithin(const QWidget* window, const QWidget* box, const QEvent* focusOut)
{
    if (focusOut->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(focusOut)->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return false;
    // The focus widget is already the one the focus goes to.
    const QWidget* next = QApplication::focusWidget();
    return next && next != box && window->isVisible() && window->isAncestorOf(next);
}

namespace {
std::function<void()>& beepResponder()
{
    static std::function<void()> r;
    return r;
}
} // namespace

void Beep()
{
    if (beepResponder())
        beepResponder()();
    else
        QApplication::beep();
}

void SetBeepResponder(std::function<void()> responder) { beepResponder() = std::move(responder); }

void InstallEnterMovesOn(QWidget* root)
{
    auto* filter = new EnterMovesOn(root);
    const auto kids = root->findChildren<QWidget*>();
    for (QWidget* w : kids) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w))
            w->installEventFilter(filter);
    }
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

NormalPointer::NormalPointer()
{
    while (const QCursor* c = QApplication::overrideCursor()) {
        m_taken.prepend(*c);
        QApplication::restoreOverrideCursor();
    }
}

NormalPointer::~NormalPointer()
{
    for (const QCursor& c : m_taken)
        QApplication::setOverrideCursor(c);
}

void LetRepaint()
{
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
