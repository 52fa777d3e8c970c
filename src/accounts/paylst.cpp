#include "accounts/paylst.h"

PayLst::PayLst(int lb, QWidget* parent)
    : LedgerEntryWindow(QStringLiteral("PayLst"), lb, parent)
{
}

QStringList PayLst::headers() const
{
    if (LB == 10)
        return {"付款凭证", "付款日期", "收款单位", "相关单据", "付款方式", "付款金额", "经手人", "制单人", "备注", ""};
    return {"收款凭证", "收款日期", "付款单位", "相关单据", "收款方式", "收款金额", "经手人", "制单人", "备注", ""};
}
