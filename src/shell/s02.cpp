#include "shell/s02.h"

#include "data/database.h"
#include "dialogs/error_boundary.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "dialogs/lookups.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/vb.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <cmath>

namespace {

// The rights in the order of their columns F60..F67.
const char* const kRightCaptions[8] = {
    "基本资料", "速递单据", "统计报表", "系统管理",
    "修改已出货运单", "速递单中的出重、成本价、客户价", "修改删除帐款记录", "帐款往来",
};

QRect TwipsRect(int x, int y, int w, int h)
{
    return QRect(TwipsToPx(x), TwipsToPx(y), TwipsToPx(w), TwipsToPx(h));
}

} // namespace

S02::S02(QWidget* parent)
    : ListFrame("S02", parent)
{
    setWindowTitle("系统操作员管理");
    setTable("TE1");
    setListSql("select * from TE1 order by F1");
    setTabCaptions("操作员列表", "操作员资料");
    setWidthTwips(4500);
    setReadFailurePrefix("读取操作员权限失败!系统返回如下信息：");
    // Editing operators never holds the program open.
    setUsesEditingFlag(false);
    // Every character typed here is stored in upper case, passwords included.
    addField({.header = "帐号", .label = "操作员帐号", .column = "F1", .maxLength = 4, .required = true,
              .labRect = {240, 300, 1000, 255}, .txtRect = {1320, 240, 2700, 330}, .upperCase = true});
    addField({.header = "姓名", .label = "操作员姓名", .column = "F2", .required = true,
              .labRect = {240, 780, 1000, 255}, .txtRect = {1320, 720, 2700, 330}, .upperCase = true});
    addField({.header = "密码", .label = "操作员密码", .column = "F3",
              .labRect = {240, 1260, 1000, 255}, .txtRect = {1320, 1200, 2700, 330}, .upperCase = true});
    // No search here; the command stays out of the menu bar.
    Menu_query->setVisible(false);

    auto* rightsLabel = new QLabel("操作员权限", Frm);
    rightsLabel->setObjectName("LabRights");
    rightsLabel->setGeometry(TwipsRect(240, 1740, 1500, 255));
    // The rights F60..F67, read from the operator's row. A new operator
    // starts with the rights of the one shown before.
    for (int i = 0; i < 8; ++i) {
        addField({.label = kRightCaptions[i], .column = QString("F%1").arg(60 + i), .txtRect = {480, 2040 + i * 300, 3900, 285},
                  .index = i, .editor = FieldEditor::Check, .clearOnAdd = false});
    }
    m_chk42 = new QCheckBox("标签条码", Frm);
    m_chk42->setObjectName("Chk(42)");
    m_chk42->setGeometry(TwipsRect(480, 2040 + 8 * 300, 3900, 285));
    m_chk42->setEnabled(false);
}

QCheckBox* S02::chk(int i) const
{
    return i == 42 ? m_chk42 : ListFrame::chk(i);
}

void S02::sizeColumns(int gridWidthTwips)
{
    for (int c = 0; c < GD->cols(); ++c)
        GD->setColWidth(c, int(std::lround(gridWidthTwips / 3.0)));
}

void S02::resizeEvent(QResizeEvent* event)
{
    ListFrame::resizeEvent(event);
    // The grid stands 30 twips below the top of the tab's area and leaves 430 below.
    QWidget* area = GD->parentWidget();
    const int gw = std::max(10, area->width() - TwipsToPx(100));
    const int gh = std::max(10, area->height() - TwipsToPx(430));
    GD->setGeometry(0, TwipsToPx(30), gw, gh);
    // Thirds of what the grid shows inside its border, so no scroll bar is needed.
    sizeColumns(PxToTwips(gw - 2 * GD->frameWidth()));
}

void S02::Menu_del_Click()
{
    const QString key = TrimBlanks(GD->textMatrix(CurRow, 0));
    if (key == QLatin1String(kAdminCode)) {
        MsgBox("001是管理员帐号，不能删除!", vbStyle::Information, gMsgTitle);
        return;
    }
    if (RecCount == 0)
        return;
    if (MsgBox("真的要删除" + GD->textMatrix(CurRow, 1) + "的资料吗?", vbStyle::YesNo + vbStyle::Question, gMsgTitle)
        != vbBtn::Yes)
        return;
    if (RunWrite("删除失败!系统返回如下信息：", [&] {
            Statement st(Db(), QStringLiteral("delete from TE1 WHERE F1=?1"));
            st.bind(1, key);
            st.run();
        }))
        removeCurrentRow();
}

QString S02::duplicateMessage(const QString& typedKey) const
{
    // Names the operator who holds the account, then the account as typed.
    const QString holder = GetStr("select F2 from TE1 where F1=" + SqlQuote(TrimBlanks(typedKey)));
    return "[" + holder + "]已经使用了" + typedKey + "这个编号，请重新设置编号!";
}
