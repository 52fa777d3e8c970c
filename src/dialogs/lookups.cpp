#include "dialogs/lookups.h"

#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "platform/msgbox.h"

namespace {

// Runs a look-up; a failure shows the engine's text under the procedure's
// name, sets *failed and answers `none`.
template <typename T, typename Read>
T ShowingFailure(const char* procedure, Read read, T none, bool* failed)
{
    if (failed)
        *failed = false;
    try {
        return read();
    } catch (const std::exception& e) {
        if (failed)
            *failed = true;
        MsgBox(LangStr(QString::fromLatin1(procedure) + QStringLiteral("执行错误!系统返回如下信息：")) + QChar(13) +
                   QString::fromUtf8(e.what()),
               vbStyle::Information, gMsgTitle);
        return none;
    }
}

} // namespace

QString GetStr(const QString& sql, bool* failed)
{
    return ShowingFailure("GetStr", [&] { return GetFieldStrOrThrow(sql); }, QString(), failed);
}

double GetVal(const QString& sql, bool* failed)
{
    return ShowingFailure("GetVal", [&] { return GetFieldValOrThrow(sql); }, 0.0, failed);
}

QString GetNameByCode(QString& code, const QString& table)
{
    SqlText(code);
    if (code.isEmpty())
        return QString();
    code = CodeOf(code);
    return GetStr("select F2 from " + table + " where F1=" + SqlQuote(code));
}
