#pragma once
#include "platform/command_guard.h"

#include <QString>
#include <functional>

class DbError;

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

// The boundary of every command and widget signal (installed by the
// application as the platform's CommandBoundary): a DbError is shown with
// `prefix` as RunGuarded shows it, any other failure with kCommandFailure and
// its text, as ShowUnexpectedFailure shows it. Nothing escapes it.
void RunCommandGuarded(const QString& prefix, const std::function<void()>& command);

// Shows a failure that no command's own words cover: kCommandFailure, a line
// break and its text. One met while such a box is shown (the box runs events
// too) is only written to the error stream.
void ShowUnexpectedFailure(const QString& text);
