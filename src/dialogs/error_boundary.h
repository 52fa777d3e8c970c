#pragma once
#include <QString>
#include <functional>

class DbError;

// The words for a failure met by a command that has none of its own.
inline constexpr const char* kCommandFailure = "操作执行错误!系统返回如下信息：";

// One way of reporting a statement the engine refused: the caller's words
// ("保存失败!系统返回如下信息："), a line break and the engine's text, with the
// information icon under the message title.
void ShowDbFailure(const QString& prefix, const DbError& e);

// Runs a write of several statements in one transaction. On a DbError the
// transaction rolls back, the failure is shown with `prefix` and false is
// returned; nothing half-done stays in the file.
bool RunWrite(const QString& prefix, const std::function<void()>& write);

// Runs a command; a DbError that escapes it is shown with `prefix` instead of
// ending the program. Returns false when one did.
bool RunGuarded(const QString& prefix, const std::function<void()>& command);
