#include "accounts/zhlst.h"

zhLst::zhLst(int lb, QWidget* parent)
    : LedgerEntryWindow(QStringLiteral("zhLst"), lb, parent)
{
}

QStringList zhLst::headers() const
{
    return {"单据编码", "发生日期", "关系单位", "相关单据", "摘要", "欠款金额", "经手人", "制单人", "备注", ""};
}
