#pragma once
#include <QObject>
#include <QString>
#include <cstddef>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

// The words for a failure met by a command that has none of its own.
inline constexpr const char* kCommandFailure = "操作执行错误!系统返回如下信息：";

// The error boundary that every handler of a menu command, a button or another
// widget signal runs in, so that no failure crosses Qt's event dispatch. The
// program installs its boundary at start (dialogs/error_boundary.h: a database
// failure shown after the command's words, any other after kCommandFailure);
// until then a handler runs bare.
using CommandBoundary = void (*)(const QString& failure, const std::function<void()>& handler);
void SetCommandBoundary(CommandBoundary boundary);
// Runs `handler` inside the boundary; `failure` is the command's own words.
void RunInBoundary(const QString& failure, const std::function<void()>& handler);

namespace command_guard_detail {
// Calls f with as many of the signal's leading arguments as it takes, as
// connect() would.
template <typename F, typename Args, std::size_t... I> void CallWithLeading(F& f, Args& args, std::index_sequence<I...>)
{
    if constexpr (std::is_invocable_v<F&, std::tuple_element_t<I, Args>...>)
        std::invoke(f, std::get<I>(args)...);
    else if constexpr (sizeof...(I) > 0)
        CallWithLeading(f, args, std::make_index_sequence<sizeof...(I) - 1>{});
    else
        static_assert(sizeof...(I) > 0, "the handler takes none of the signal's arguments");
}
} // namespace command_guard_detail

// connect() for a handler of a command, a button or another widget signal: the
// handler (a function object taking the signal's leading arguments, or none)
// runs inside the boundary with `failure` as its words.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection ConnectGuarded(const Sender* sender, Signal signal, const QObject* context, Handler handler,
                                       const QString& failure = QString::fromUtf8(kCommandFailure))
{
    return QObject::connect(sender, signal, context, [handler = std::move(handler), failure](auto&&... args) mutable {
        auto leading = std::forward_as_tuple(args...);
        RunInBoundary(failure, [&] {
            command_guard_detail::CallWithLeading(handler, leading, std::make_index_sequence<sizeof...(args)>{});
        });
    });
}
