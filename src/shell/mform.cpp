#include "shell/mform.h"

#include "shell/login.h"
#include "shell/s32.h"
#include "shell/startup.h"
#include "platform/window_registry.h"

#include "data/globals.h"
#include "data/queries.h"
#include "platform/command_guard.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

// The MDI area with the program's picture drawn once in its top-left corner.
class SysPicArea : public QMdiArea {
public:
    using QMdiArea::QMdiArea;
    void setPicture(const QPixmap& pic)
    {
        m_pic = pic;
        viewport()->update();
    }
    bool hasPicture() const { return !m_pic.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QMdiArea::paintEvent(event);
        if (m_pic.isNull())
            return;
        QPainter p(viewport());
        p.drawPixmap(0, 0, m_pic);
    }

private:
    QPixmap m_pic;
};

// Four sunken text panels of fixed widths. Panels that do not fit are cut off
// at the window's edge, so the widths never force the window's size.
class StatusPanels : public QWidget {
public:
    explicit StatusPanels(QWidget* parent)
        : QWidget(parent)
    {
        for (int i = 1; i <= 4; ++i) {
            auto* l = new QLabel(this);
            l->setObjectName(QStringLiteral("StB(%1)").arg(i));
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            l->setContentsMargins(3, 0, 3, 0);
            l->setTextFormat(Qt::PlainText);
            m_labels.append(l);
        }
        m_widths = {100, 100, 100, 100};
    }
    QLabel* label(int panel) const { return m_labels.value(panel - 1); }
    void setWidths(const QList<int>& widths)
    {
        m_widths = widths;
        layoutPanels();
        updateGeometry();
    }
    int width(int panel) const { return m_widths.value(panel - 1); }
    QSize sizeHint() const override
    {
        int w = 0;
        for (int x : m_widths)
            w += x;
        return {w, panelHeight()};
    }
    QSize minimumSizeHint() const override { return {0, panelHeight()}; }

protected:
    void resizeEvent(QResizeEvent*) override { layoutPanels(); }
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::FontChange) {
            for (QLabel* l : m_labels)
                l->setFont(font());
            updateGeometry();
            layoutPanels();
        }
        QWidget::changeEvent(e);
    }

private:
    int panelHeight() const { return fontMetrics().height() + 6; }
    void layoutPanels()
    {
        int x = 0;
        for (int i = 0; i < m_labels.size(); ++i) {
            const int w = m_widths.value(i);
            m_labels[i]->setGeometry(x, 0, w, height());
            x += w;
        }
    }
    QList<QLabel*> m_labels;
    QList<int> m_widths;
};

namespace {

MForm* s_current = nullptr;

enum class Kind { Child, Dialog, Backup, Restore, Relogin, Quit, Separator };

struct MenuItem {
    const char* name;
    const char* caption;
    Kind kind;
    const char* window = nullptr;
    int lb = 0;
    const char* title = nullptr;
};

struct TopMenu {
    const char* name;
    const char* caption;
    QList<MenuItem> items;
};

// The menu tree. Ledger windows are opened as their kind (LB) and caption from here.
const QList<TopMenu>& menuTree()
{
    static const QList<TopMenu> tree = {
        {"Menu_A", "&A.基本资料", {
            {"Menu_A01", "&1.出货渠道计价标准", Kind::Child, "A01"},
            {"Menu_A011", "&2.出货渠道区域成本", Kind::Child, "A011"},
            {"Menu_A02", "&3.本司分区与报价", Kind::Child, "A02"},
            {"Menu_A030", "&4.业务员资料", Kind::Child, "A030"},
            {"Menu_A03", "&5.客户资料与报价", Kind::Child, "A03"},
            {"Menu_A04", "&6.外务员资料", Kind::Child, "A04"},
            {"Menu_A05", "&7.始发地设置", Kind::Child, "A05"},
            {"Menu_A06", "&8.事故原因设置", Kind::Child, "A06"},
        }},
        // A command of its own, without items.
        {"Menu_b", "&B.速递单据", {}},
        {"Menu_C", "&C.统计报表", {
            {"Menu_C01", "&1.渠道出货明细表", Kind::Child, "C01"},
            {"Menu_C02", "&2.客户对帐明细表", Kind::Child, "C02"},
            {"Menu_C03", "&3.渠道对帐明细表", Kind::Child, "C03"},
            {"Menu_C04", "&4.月结表", Kind::Child, "C04"},
            {"Menu_C05", "&5.问题件通知单", Kind::Child, "C05"},
            {"Menu_C06", "&6.毛利表", Kind::Child, "C06"},
        }},
        {"Menu_wanglai", "&D.帐款往来", {
            {"Menu_YF", "&1.增加应付", Kind::Child, "zhLst", 9, "增加应付款"},
            {"Menu_ys", "&2.增加应收", Kind::Child, "zhLst", -9, "增加应收款"},
            {"menu_wll1", "-", Kind::Separator},
            {"Menu_FK", "&3.付款", Kind::Child, "PayLst", 10, "付款"},
            {"Menu_sk", "&4.收款", Kind::Child, "PayLst", -10, "收款"},
            {"menu_wll", "-", Kind::Separator},
            {"Menu_yfz", "&5.应付款总帐", Kind::Child, "KuanHz", 10, "应付货款总帐"},
            {"Menu_yfmx", "&6.应付款明细帐", Kind::Child, "KuanMx", 10, "应付帐款明细"},
            {"Menu_ysz", "&7.应收款总帐", Kind::Child, "KuanHz", -10, "应收帐款总帐"},
            {"Menu_ysmx", "&8.应收款明细帐", Kind::Child, "KuanMx", -10, "应收帐款明细"},
        }},
        {"Menu_S", "&S.系统管理", {
            {"Menu_S01", "&1.计价标准设置", Kind::Dialog, "S01"},
            {"Menu_S02", "&2.操作员管理", Kind::Child, "S02"},
            {"Menu_S03", "&3.系统数据初始化", Kind::Dialog, "S03"},
            {"Menu_S032", "&4.系统数据备份", Kind::Backup, "Backup"},
            {"Menu_S033", "&5.系统数据恢复", Kind::Restore, "S32"},
        }},
        {"Menu_sl", "&H.登录退出", {
            {"Relogin", "&1.更换登录用户", Kind::Relogin, "Login"},
            {"Menu_S2", "&2.操作员修改密码", Kind::Dialog, "S2"},
            {"About", "&2.关于本系统", Kind::Dialog, "AboutUS"},
            {"Quit", "&3.退出系统", Kind::Quit},
        }},
    };
    return tree;
}

const MenuItem* findItem(const QString& name)
{
    static const MenuItem menuB{"Menu_b", "&B.速递单据", Kind::Child, "B01"};
    if (name == QLatin1String(menuB.name))
        return &menuB;
    for (const TopMenu& top : menuTree())
        for (const MenuItem& item : top.items)
            if (name == QLatin1String(item.name))
                return &item;
    return nullptr;
}

struct ToolButton {
    const char* key;
    const char* caption;
    QStyle::StandardPixmap icon;
};

const QList<ToolButton>& toolButtons()
{
    static const QList<ToolButton> buttons = {
        {"d1", " 客户报价", QStyle::SP_FileDialogDetailedView},
        {"d2", " 业务开单", QStyle::SP_FileIcon},
        {"d3", "销售撮要表", QStyle::SP_FileDialogInfoView},
        {"d4", " 出货明细", QStyle::SP_FileDialogContentsView},
        {"fk", " 付 款", QStyle::SP_ArrowUp},
        {"sk", " 收 款", QStyle::SP_ArrowDown},
        {"quit", "退出系统", QStyle::SP_DialogCloseButton},
    };
    return buttons;
}

ChildWindow* childOf(QMdiSubWindow* sub)
{
    return sub ? qobject_cast<ChildWindow*>(sub->widget()) : nullptr;
}

// The frame of a child window. A child deleted on its own takes its frame with
// it (showChild); a frame being deleted deletes the child while it is itself
// half taken down, so it lets go of the child's destroyed signal first.
class ChildFrame : public QMdiSubWindow {
public:
    using QMdiSubWindow::QMdiSubWindow;
    ~ChildFrame() override
    {
        if (QWidget* w = widget())
            disconnect(w, &QObject::destroyed, this, nullptr);
    }
};

} // namespace

MForm::MForm(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("MForm");
    setWindowTitle("捷诺达raredade");
    s_current = this;
    SetMainHost(this);

    m_mdi = new SysPicArea(this);
    m_mdi->setObjectName("MDIArea");
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A closing child (a print preview, a report) gives the front back to the
    // window that was active before it, not to the oldest one.
    m_mdi->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(m_mdi);
    ConnectGuarded(m_mdi, &QMdiArea::subWindowActivated, this,
                   [this](QMdiSubWindow* sub) { showMenusOf(sub ? sub : m_mdi->currentSubWindow()); });

    buildMenus();
    buildToolBar();
    buildStatusBar();
    loadStep();
}

MForm::~MForm()
{
    // The children go down with the window; their frames must not re-arrange
    // a menu bar that is being taken apart.
    m_destroying = true;
    disconnect(m_mdi, nullptr, this, nullptr);
    if (GetMainHost() == this)
        SetMainHost(nullptr);
    if (s_current == this)
        s_current = nullptr;
}

MForm* MForm::current() { return s_current; }

const QStringList& MForm::rightsMenus()
{
    static const QStringList names = {"Menu_A", "Menu_b", "Menu_C", "Menu_S", "Menu_wanglai"};
    return names;
}

void MForm::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MenuBar");
    for (const TopMenu& top : menuTree()) {
        const QString name = QString::fromLatin1(top.name);
        if (top.items.isEmpty()) {
            // "&B.速递单据" is a command on the bar itself.
            m_menuB = new QAction(QString::fromUtf8(top.caption), this);
            m_menuB->setObjectName(name);
            ConnectGuarded(m_menuB, &QAction::triggered, this, [this] { runCommand("Menu_b"); });
            m_commands.insert(name, m_menuB);
            m_ownMenus.append(m_menuB);
            continue;
        }
        auto* menu = new QMenu(QString::fromUtf8(top.caption), this);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        for (const MenuItem& item : top.items) {
            QAction* a = nullptr;
            if (item.kind == Kind::Separator) {
                a = menu->addSeparator();
            } else {
                a = menu->addAction(QString::fromUtf8(item.caption));
                const QString itemName = QString::fromLatin1(item.name);
                ConnectGuarded(a, &QAction::triggered, this, [this, itemName] { runCommand(itemName); });
                m_commands.insert(itemName, a);
            }
            a->setObjectName(QString::fromLatin1(item.name));
        }
        m_topMenus.insert(name, menu);
        m_ownMenus.append(menu->menuAction());
    }
    bar->addActions(m_ownMenus);
}

void MForm::buildToolBar()
{
    m_tb = new QToolBar(this);
    m_tb->setObjectName("TB");
    m_tb->setMovable(false);
    m_tb->setFloatable(false);
    m_tb->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_tb->setIconSize(QSize(24, 24));
    m_tb->toggleViewAction()->setVisible(false);
    for (const ToolButton& b : toolButtons()) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = m_tb->addAction(style()->standardIcon(b.icon), QString::fromUtf8(b.caption));
        a->setObjectName(key);
        a->setData(key);
        ConnectGuarded(a, &QAction::triggered, this, [this, key] { toolBarClick(key); });
    }
    addToolBar(Qt::TopToolBarArea, m_tb);
}

void MForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("StB");
    bar->setSizeGripEnabled(false);
    m_panels = new StatusPanels(bar);
    bar->addWidget(m_panels, 1);
}

void MForm::loadStep()
{
    LangForm(this);
    QFont font(gLangFlag == 2 ? QStringLiteral("Times New Romen") : QStringLiteral("Times New Roman"), 9);
    statusBar()->setFont(font);
    m_panels->setFont(font);
    if (gLangFlag == 2) {
        // Images only.
        for (QAction* a : m_tb->actions())
            a->setText(QString());
        m_tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    const QString picPath = gAppPath + "syspic.dat";
    QPixmap pic;
    if (QFile::exists(picPath) && pic.load(picPath))
        m_mdi->setPicture(pic);
    setPanelText(1, LangStr("捷诺达raredade 速递业务管理系统"));
    setPanelText(2, LangStr("操作员："));
    applyPanelWidths();
    setPanelText(4, TodayText());
}

void MForm::applyPanelWidths()
{
    // Widths follow the screen, not the window: a quarter each, then panel 2
    // halved and given to panel 1 - 3/8, 1/8, 1/8, 3/8 of the screen width.
    QScreen* scr = screen() ? screen() : QGuiApplication::primaryScreen();
    const float w = scr ? float(scr->geometry().width()) : 1024.0f;
    float p[4] = {w / 4, w / 4, w / 4, w / 4};
    p[1] = p[1] / 2;
    p[0] = p[0] + p[1];
    p[2] = p[1];
    p[3] = p[0];
    m_panels->setWidths({qRound(p[0]), qRound(p[1]), qRound(p[2]), qRound(p[3])});
}

void MForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyPanelWidths();
}

int MForm::panelWidth(int panel) const { return m_panels->width(panel); }
bool MForm::hasBackgroundPicture() const { return m_mdi->hasPicture(); }

void MForm::setPanelText(int panel, const QString& text)
{
    if (QLabel* l = m_panels->label(panel))
        l->setText(text);
}

QString MForm::panelText(int panel) const
{
    QLabel* l = m_panels->label(panel);
    return l ? l->text() : QString();
}

void MForm::setToolBarVisible(bool visible) { m_tb->setVisible(visible); }
bool MForm::toolBarVisible() const { return !m_tb->isHidden(); }
QMdiArea* MForm::mdiArea() const { return m_mdi; }

void MForm::showChild(QWidget* child, bool maximized)
{
    QMdiSubWindow* sub = nullptr;
    for (QMdiSubWindow* s : m_mdi->subWindowList())
        if (s->widget() == child)
            sub = s;
    if (!sub) {
        // The frame takes the size the window was given (or would like).
        const QSize want = child->testAttribute(Qt::WA_Resized) ? child->size() : child->sizeHint();
        sub = new ChildFrame;
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWidget(child);
        m_mdi->addSubWindow(sub);
        if (child->windowIcon().cacheKey() == QApplication::windowIcon().cacheKey())
            sub->setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
        // The frame adds its borders and title bar: the window inside keeps its size.
        const QMargins frame = sub->contentsMargins();
        sub->resize(want.expandedTo(QSize(120, 40)) + QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
        QPointer<QMdiSubWindow> guard(sub);
        // The child unloads itself (its own close guard has run): take its frame with it.
        if (auto* cw = qobject_cast<ChildWindow*>(child)) {
            ConnectGuarded(cw, &ChildWindow::unloaded, this, [this, guard] {
                if (!guard)
                    return;
                guard->close();
                QMdiSubWindow* next = nullptr;
                for (QMdiSubWindow* s : m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder))
                    if (s != guard && s->isVisible())
                        next = s;
                showMenusOf(next);
            });
        }
        connect(child, &QObject::destroyed, sub, [guard] {
            if (guard)
                guard->deleteLater();
        });
    }
    if (maximized)
        sub->showMaximized();
    else
        sub->show();
    m_mdi->setActiveSubWindow(sub);
    showMenusOf(sub);
}

void MForm::showMenusOf(QMdiSubWindow* sub)
{
    if (m_destroying)
        return;
    // A child's menus take the place of the main window's while it is active.
    QList<QAction*> wanted = m_ownMenus;
    if (ChildWindow* c = childOf(sub); c && !c->menus().isEmpty()) {
        wanted.clear();
        for (QMenu* m : c->menus())
            wanted.append(m->menuAction());
    }
    QMenuBar* bar = menuBar();
    if (bar->actions() == wanted)
        return;
    for (QAction* a : bar->actions())
        bar->removeAction(a);
    bar->addActions(wanted);
}

void MForm::setTopMenuEnabled(const QString& name, bool enabled)
{
    if (name == QLatin1String("Menu_b")) {
        m_menuB->setEnabled(enabled);
        return;
    }
    if (QMenu* m = m_topMenus.value(name)) {
        m->setEnabled(enabled);
        m->menuAction()->setEnabled(enabled);
    }
}

bool MForm::topMenuEnabled(const QString& name) const
{
    if (name == QLatin1String("Menu_b"))
        return m_menuB->isEnabled();
    QMenu* m = m_topMenus.value(name);
    return m && m->menuAction()->isEnabled();
}

QAction* MForm::command(const QString& objectName) const { return m_commands.value(objectName); }

void MForm::toolBarClick(const QString& key)
{
    // The right is the top menu's, never the item's.
    if (key == "d1" && topMenuEnabled("Menu_A"))
        runCommand("Menu_A03");
    else if (key == "d2" && topMenuEnabled("Menu_b"))
        runCommand("Menu_b");
    else if (key == "d4" && topMenuEnabled("Menu_C"))
        runCommand("Menu_C01");
    else if (key == "fk" && topMenuEnabled("Menu_wanglai"))
        runCommand("Menu_FK");
    else if (key == "sk" && topMenuEnabled("Menu_wanglai"))
        runCommand("Menu_sk");
    else if (key == "quit")
        close();
    else
        MsgBox(LangStr("对不起,您没有此权限!"), vbStyle::Information, QString());
}

void MForm::runCommand(const QString& name)
{
    const MenuItem* item = findItem(name);
    if (!item)
        return;
    const QString window = QString::fromLatin1(item->window ? item->window : "");
    try {
        switch (item->kind) {
        case Kind::Child: {
            WindowRegistry::openChild(window, item->lb,
                                      item->title ? LangStr(QString::fromUtf8(item->title)) : QString());
            break;
        }
        case Kind::Dialog:
        case Kind::Backup:
            WindowRegistry::runDialog(window, this);
            break;
        case Kind::Restore:
            restore();
            break;
        case Kind::Relogin:
            relogin();
            break;
        case Kind::Quit:
            close();
            break;
        case Kind::Separator:
            break;
        }
    } catch (const std::exception& e) {
        // A window whose load step failed is not kept half-built for the next
        // command, and the bar it hid comes back.
        if (ChildWindow* w = WindowRegistry::loaded(window); w && !w->isVisible())
            delete w;
        setToolBarVisible(true);
        MsgBox(QString::fromUtf8(e.what()), vbStyle::Information, gMsgTitle);
    }
}

void MForm::relogin()
{
    Login login(this);
    try {
        login.formLoad();
    } catch (const std::exception& e) {
        MsgBox(QString::fromUtf8(e.what()), vbStyle::Information, gMsgTitle);
        return;
    }
    // "退 出" ends the program here too, with child windows open or not.
    if (WindowRegistry::execModal(login) != QDialog::Accepted)
        EndProgram(0);
}

void MForm::restore()
{
    S32 dlg(this);
    WindowRegistry::execModal(dlg);
}

void MForm::endNow()
{
    m_ending = true;
    hide();
}

void MForm::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    if (gEditing.isSet()) {
        MsgBox(LangStr("操作员正在编辑数据,请先[保存]数据或[取消]编辑!"), vbStyle::Exclamation, LangStr("提示"));
        event->ignore();
        return;
    }
    // Children first, each with its own close guard; then the database.
    if (!WindowRegistry::closeAll()) {
        event->ignore();
        return;
    }
    m_mdi->closeAllSubWindows();
    for (QMdiSubWindow* s : m_mdi->subWindowList()) {
        if (!s->isHidden()) {
            event->ignore();
            return;
        }
    }
    gDb.reset();
    event->accept();
}
