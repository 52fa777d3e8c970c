#include "shell/s03.h"

#include "data/database.h"
#include "dialogs/error_boundary.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/queries.h"
#include "data/temp_files.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace {
// Each box and the tables it empties, in the order they are emptied.
const char* const kCaptions[4] = {"清除所有基本资料", "清除所有客户及报信息", "清除所有速递单据", "清除所有往来帐"};

QStringList statementsOf(int box)
{
    switch (box) {
    case 0: return {"delete from M01", "delete from m011", "delete from M0111", "delete from M02", "delete from m021", "delete from M04"};
    case 1: return {"delete from M03", "delete from M031", "delete from M030"};
    case 2: return {"delete from B01"};
    case 3: return {}; // the ledger: EmptyLedger, with what it keeps beside it
    }
    return {};
}
} // namespace

S03::S03(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("S03");
    setWindowTitle("清除数据");

    auto* lay = new QVBoxLayout(this);
    for (int i = 0; i < 4; ++i) {
        m_chk[i] = new QCheckBox(kCaptions[i], this);
        m_chk[i]->setObjectName(QString("Chk(%1)").arg(i));
        lay->addWidget(m_chk[i]);
    }
    lay->addSpacing(8);
    auto* buttons = MakeCommandRow(this, {"清 除", "退 出"}, m_cmd, [this](int i) { cmdClick(i); });
    lay->addLayout(buttons);
    setFixedWidth(300);

    LangForm(this);
}

void S03::cmdClick(int index)
{
    if (index == 0)
        clearData();
    else
        reject();
}

void S03::clearData()
{
    bool chk[4];
    for (int i = 0; i < 4; ++i)
        chk[i] = m_chk[i]->isChecked();

    if (!chk[0] && !chk[1] && !chk[2] && !chk[3]) {
        MsgBox("请选择要清除的对象!", vbStyle::Information, gMsgTitle);
        return;
    }
    if (MsgBox("数据清除后将无法恢复!真的继续吗?", vbStyle::YesNo + vbStyle::Question, "警告") != vbBtn::Yes)
        return;
    // Master data and customers are what the waybills point at: they may only go with them.
    if (chk[0] && !chk[2]) {
        MsgBox("清除了基本资料，速递单据相关信息也将无法存在！请同时选择删除速递单据信息", vbStyle::Information, gMsgTitle);
        return;
    }
    if (chk[1] && !chk[2]) {
        MsgBox("清除了客户资料，速递单据相关信息也将无法存在！请同时选择删除速递单据信息", vbStyle::Information, gMsgTitle);
        return;
    }

    // All or nothing: a failing statement leaves every table as it was. The
    // clear overwrites every page it frees, and until the commit the
    // transaction keeps a copy of each: on disk, not in memory.
    const TempFilesOnDisk copiesOnDisk(Db());
    const bool cleared = RunWrite("数据清除失败!系统返回如下信息：", [&] {
        WaitCursor wait;
        for (int i = 0; i < 4; ++i) {
            if (!chk[i])
                continue;
            for (const QString& sql : statementsOf(i))
                Db().execute(sql);
            if (i == 3)
                EmptyLedger(Db());
        }
    });
    if (!cleared)
        return;
    MsgBox("数据清除成功!", vbStyle::Information, gMsgTitle);
}
