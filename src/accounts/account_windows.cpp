#include "accounts/account_windows.h"

#include "accounts/kuanhz.h"
#include "accounts/kuanmx.h"
#include "accounts/paylst.h"
#include "accounts/zhlst.h"
#include "platform/window_registry.h"

void RegisterAccountWindows()
{
    // Each opens maximised; the main window tells it its side (LB) and caption.
    // The balance refresh is opened by the detail ledger itself.
    const WindowRegistry::ChildOptions maximized{.maximized = true};
    WindowRegistry::registerChild("zhLst", [] { return new zhLst; }, maximized);
    WindowRegistry::registerChild("PayLst", [] { return new PayLst; }, maximized);
    WindowRegistry::registerChild("KuanMx", [] { return new KuanMx; }, maximized);
    WindowRegistry::registerChild("KuanHz", [] { return new KuanHz; }, maximized);
}
