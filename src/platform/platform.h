#pragma once
#include <QCursor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class QEvent;
class QWidget;

// Per-user settings by application, section and key.
QString GetSetting(const QString& app, const QString& section, const QString& key, const QString& defaultValue = QString());
void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value);

// Windows-style locale id for a locale name: zh_TW 1028, en_US 1033, zh_CN 2052.
int LocaleIdFor(const QString& localeName);
int SystemLocaleId();

// A password box that shows one "*" for every character typed.
class QLineEdit;
void ShowAsStars(QLineEdit* box);

// A centred row of the command buttons "Cmd(0)", "Cmd(1)", ... of a dialog; a
// click calls onClick with the button's index. The buttons are written into out[].
class QHBoxLayout;
class QPushButton;
QHBoxLayout* MakeCommandRow(QWidget* owner, const QStringList& captions, QPushButton** out,
                            std::function<void(int)> onClick);

// Enter in an entry field moves the focus to the next field.
void InstallEnterMovesOn(QWidget* root);

// Whether `box` losing the focus (a FocusOut event) is a move to another
// control of `window`, the one move that checks what was typed into it. A menu
// or other popup opening (the box keeps the focus behind it), another window
// taking the focus and the window closing leave the box unchecked.
bool FocusMovesWithin(const QWidget* window, const QWidget* box, const QEvent* focusOut);

// The desktop's beep, for a key the control refuses. Tests install a
// responder that counts the beeps; an empty function restores the beep.
void Beep();
void SetBeepResponder(std::function<void()> responder);

// Wait cursor for the life of the object; events are processed so the window repaints.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
void LetRepaint();

// The normal pointer for the life of the object, however many wait cursors
// are up: a box or window that waits for the operator must not look like a
// hang. The wait cursors it took down go back up when it ends.
class NormalPointer {
public:
    NormalPointer();
    ~NormalPointer();
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;

private:
    QList<QCursor> m_taken; // bottom of the stack first
};
