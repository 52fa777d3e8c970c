#include "dialogs/prnt.h"

#include "data/queries.h"
#include "platform/vb.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QPointer<Prnt>& instance()
{
    static QPointer<Prnt> host;
    return host;
}
} // namespace

Prnt::Prnt()
    : ChildWindow(QStringLiteral("Prnt"))
    , m_preview(new ReportPreview(this))
    , m_label1(new QLabel(QStringLiteral("您的电脑没有安装打印机!"), this))
    , m_cry(this)
{
    setWindowTitle(QStringLiteral("打印"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label1);
    layout->addWidget(m_preview, 1);

    addCommand(QStringLiteral("&P.打印"), QStringLiteral("Menu_prnt"), [this] { Menu_prnt_Click(); });
    addCommand(QStringLiteral("&R.返回"), QStringLiteral("Menu_Rtn"), [this] { Menu_Rtn_Click(); });
}

Prnt* Prnt::Show()
{
    Prnt* host = instance();
    const bool fresh = !host;
    if (fresh) {
        host = new Prnt;
        instance() = host;
        host->formLoad();
    }
    host->showInHost();
    // In the main window's MDI area the frame takes the host's own size,
    // unless it came up maximized over a maximized window: then it fills the area.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(host->parentWidget()); fresh && sub && !sub->isMaximized())
        sub->resize(sub->sizeHint());
    host->raise();
    host->activateWindow();
    return host;
}

Prnt* Prnt::Loaded() { return instance(); }

QSize Prnt::sizeHint() const { return QSize(TwipsToPx(12060), TwipsToPx(8025)); }

void Prnt::formLoad()
{
    LangForm(this);
    resize(TwipsToPx(12060), TwipsToPx(8025));
    // The preview starts at the host's top left corner.
    m_cry.setWindowParent(m_preview);
    // The label is the host's note for a computer without a printer.
    m_label1->setVisible(ReportControl::DefaultPrinterName().isEmpty());
}

void Prnt::Menu_prnt_Click()
{
    m_cry.setDestination(1);
    m_cry.setAction(1);
    m_cry.setDestination(0);
}

void Prnt::Menu_Rtn_Click() { close(); }

void Prnt::closeEvent(QCloseEvent* event)
{
    // The host is no data window: closing it leaves the main window's tool
    // bar and status bar to the window that printed.
    event->accept();
    emit unloaded();
}
