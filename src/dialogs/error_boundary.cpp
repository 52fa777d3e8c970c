#include "dialogs/error_boundary.h"

#include "data/database.h"
#include "data/globals.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <cstdio>
#include <exception>
#include <optional>

void ShowDbFailure(const QString& prefix, const DbError& e)
{
    MsgBox(prefix + QLatin1Char('\r') + e.message(), vbStyle::Information, gMsgTitle);
}

bool RunGuarded(const QString& prefix, const std::function<void()>& command)
{
    try {
        command();
    } catch (const DbError& e) {
        ShowDbFailure(prefix, e);
        return false;
    }
    return true;
}

bool RunWrite(const QString& prefix, const std::function<void()>& write)
{
    return RunGuarded(prefix, [&] {
        std::optional<Transaction> t;
        {
            // Another copy's write may keep this one waiting for the write lock.
            const WaitCursor wait;
            t.emplace(Db());
        }
        write();
        t->commit();
    });
}

void RunCommandGuarded(const QString& prefix, const std::function<void()>& command)
{
    try {
        RunGuarded(prefix, command);
    } catch (const std::exception& e) {
        ShowUnexpectedFailure(QString::fromLocal8Bit(e.what()));
    }
}

void ShowUnexpectedFailure(const QString& text)
{
    static bool showing = false;
    if (showing) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return;
    }
    showing = true;
    MsgBox(QString::fromUtf8(kCommandFailure) + QLatin1Char('\r') + text, vbStyle::Information, gMsgTitle);
    showing = false;
}
