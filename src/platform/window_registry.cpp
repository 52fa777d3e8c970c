#include "platform/window_registry.h"

#include "platform/mainhost.h"
#include "platform/modal.h"

#include <QDialog>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace {

struct ChildEntry {
    WindowRegistry::ChildFactory factory;
    WindowRegistry::ChildOptions options;
};

QHash<QString, ChildEntry>& children()
{
    static QHash<QString, ChildEntry> h;
    return h;
}

QHash<QString, WindowRegistry::DialogRunner>& dialogs()
{
    static QHash<QString, WindowRegistry::DialogRunner> h;
    return h;
}

QHash<QString, QPointer<ChildWindow>>& instances()
{
    static QHash<QString, QPointer<ChildWindow>> h;
    return h;
}

// Stands in for a window that is not built yet; it honours the unload contract.
class PlaceholderWindow : public ChildWindow {
public:
    explicit PlaceholderWindow(const QString& name)
        : ChildWindow(name)
    {
        setWindowTitle(name);
        auto* lay = new QVBoxLayout(this);
        lay->addWidget(new QLabel(name, this));
        resize(480, 320);
    }
};

} // namespace

namespace WindowRegistry {

void registerChild(const QString& name, ChildFactory factory, ChildOptions options)
{
    children().insert(name, ChildEntry{std::move(factory), options});
}

void registerDialog(const QString& name, DialogRunner runner)
{
    dialogs().insert(name, std::move(runner));
}

bool isRegistered(const QString& name)
{
    return children().contains(name) || dialogs().contains(name);
}

ChildWindow* loaded(const QString& name)
{
    return instances().value(name).data();
}

ChildWindow* openChild(const QString& name, int lb, const QString& caption)
{
    if (MainHost* host = GetMainHost())
        host->setToolBarVisible(false);
    ChildWindow* w = loaded(name);
    const bool fresh = !w;
    const auto it = children().constFind(name);
    const ChildOptions opts = it != children().constEnd() ? it->options : ChildOptions{};
    if (fresh) {
        w = it != children().constEnd() ? it->factory() : new PlaceholderWindow(name);
        w->setWritesDateOnUnload(opts.writesDateOnUnload);
        instances().insert(name, w);
    }
    if (lb != 0 || !caption.isEmpty())
        w->openAs(lb, caption);
    if (fresh)
        w->formLoad();
    w->showInHost(fresh && opts.maximized);
    w->raise();
    w->activateWindow();
    return w;
}

void runDialog(const QString& name, QWidget* parent)
{
    auto it = dialogs().constFind(name);
    if (it != dialogs().constEnd()) {
        (*it)(parent);
        return;
    }
    QDialog dlg(parent);
    dlg.setObjectName(name);
    dlg.setWindowTitle(name);
    auto* lay = new QVBoxLayout(&dlg);
    lay->addWidget(new QLabel(name, &dlg));
    execModal(dlg);
}

void setModalDriver(ModalDriver driver)
{
    SetModalDriver(std::move(driver));
}

int execModal(QDialog& dialog)
{
    return ExecModal(dialog);
}

bool closeAll()
{
    const auto list = instances().values();
    for (const QPointer<ChildWindow>& w : list) {
        if (w && !w->close())
            return false;
    }
    return true;
}

} // namespace WindowRegistry
