#include "pricing/a01.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "platform/msgbox.h"
#include "platform/vb.h"
#include "pricing/zone_record.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <cmath>

namespace {

QRect Px(int x, int y, int w, int h)
{
    return QRect(x * 15, y * 15, w * 15, h * 15);
}

const char* const kOpenEnd = "Kg以上";

QString SegmentEnd(double nextStart)
{
    return "Kg-" + CStr(nextStart - 1) + "Kg";
}

} // namespace

A01::A01(QWidget* parent)
    : ListFrame("A01", parent)
{
    setWindowTitle("出货渠道计价标准");
    setTable("M01");
    setListSql("select F1,F2,F3 from M01 order by F1");
    setSearchHead("Select M01.* from M01 ");
    setTabCaptions("渠道列表", "渠道资料");
    setWidthTwips(9000);
    setNameColumn(1);
    // Waybills and channel zones name their channel; the administrator's
    // delete takes them along (the zones with their places).
    addReference({"B01", "F202"});
    addReference({"M011", "F3"});

    addField({.header = "序号", .label = "渠道序号", .column = "F1", .maxLength = 1, .required = true,
              .labRect = Px(16, 17, 72, 20), .txtRect = Px(92, 14, 40, 22)});
    addField({.header = "出货渠道", .label = "渠道名称", .column = "F2", .maxLength = 49, .required = true,
              .labRect = Px(16, 47, 72, 20), .txtRect = Px(92, 44, 320, 22)});
    addField({.header = "备注", .label = "备注信息", .column = "F3", .maxLength = 50, .labRect = Px(16, 77, 72, 20),
              .txtRect = Px(92, 74, 320, 22)});

    // "文件资料：" [D0] "Kg起计价，续" [D1] "Kg加价；", the same for parcels.
    static const char* const kWeightCols[4] = {"D0", "D1", "S0", "S1"};
    static const char* const kWeightLabels[4] = {"文件资料：", "Kg起计价，续", "小包裹：", "Kg起计价，续"};
    for (int i = 0; i < 4; ++i) {
        const int y = 110 + (i / 2) * 30;
        const int x = i % 2 == 0 ? 16 : 146;
        const int labW = i % 2 == 0 ? 72 : 84;
        addField({.label = QString::fromUtf8(kWeightLabels[i]), .column = kWeightCols[i], .labRect = Px(x, y + 3, labW, 20),
                  .txtRect = Px(x + labW + 4, y, 50, 22), .index = kFirstWeight + i, .gridCol = kNoGridColumn,
                  .kind = FieldKind::Number, .format = "#0.0"});
        if (i % 2 == 1) {
            auto* tail = new QLabel("Kg加价；", Frm);
            tail->setGeometry(x + labW + 58, y + 3, 70, 20);
        }
    }
    addField({.label = "重包裹分", .column = "JFD", .labRect = Px(16, 173, 72, 20), .txtRect = Px(92, 170, 40, 22),
              .index = kCountBox, .gridCol = kNoGridColumn, .kind = FieldKind::Number});
    txt(kCountBox)->setToolTip("0-10之间的整数");
    auto* countTail = new QLabel("个计费段：", Frm);
    countTail->setGeometry(136, 173, 90, 20);
    // Ten segment starts, three to a line, each followed by the end of its segment.
    for (int k = 1; k <= 10; ++k) {
        const int x = 16 + ((k - 1) % 3) * 190;
        const int y = 204 + ((k - 1) / 3) * 30;
        addField({.label = kOpenEnd, .column = QStringLiteral("J%1").arg(k - 1), .labRect = Px(x + 58, y + 3, 120, 20),
                  .txtRect = Px(x, y, 54, 22), .index = kCountBox + k, .gridCol = kNoGridColumn,
                  .kind = FieldKind::Number});
    }
    // Before any channel is shown.
    for (int k = kFirstWeight; k < kCountBox; ++k)
        txt(k)->setText("0.5");
    txt(kCountBox)->setText("5");
    for (int k = kFirstSegment; k <= kLastSegment; ++k)
        txt(k)->setText("0");

    addExportCommand();
}

QString A01::shownText(const Field& f, const QString& stored) const
{
    // The standard's Null weights show as 0.
    if (f.kind == FieldKind::Number && TrimBlanks(stored).isEmpty())
        return ListFrame::shownText(f, QStringLiteral("0"));
    return ListFrame::shownText(f, stored);
}

void A01::showSegmentCount(int count)
{
    for (int k = 1; k <= 10; ++k) {
        txt(kCountBox + k)->setVisible(k <= count);
        Lab.value(kCountBox + k)->setVisible(k <= count);
    }
}

void A01::recordShown()
{
    // A segment shows while its start is not 0, whatever the count says.
    if (Val(txt(kCountBox)->text()) == 0) {
        showSegmentCount(0);
        return;
    }
    txt(kFirstSegment)->show();
    Lab.value(kFirstSegment)->show();
    for (int k = kFirstSegment + 1; k <= kLastSegment; ++k) {
        const double start = Val(txt(k)->text());
        txt(k)->setVisible(start != 0);
        Lab.value(k)->setVisible(start != 0);
        Lab.value(k - 1)->setText(start == 0 ? QString::fromUtf8(kOpenEnd) : SegmentEnd(start));
    }
}

void A01::Menu_Add_Click()
{
    ListFrame::Menu_Add_Click();
    showSegmentCount(0);
    for (int k = kFirstSegment; k <= kLastSegment; ++k)
        Lab.value(k)->setText(kOpenEnd);
}

void A01::Menu_del_Click()
{
    const bool onDetail = TabS->currentIndex() == 1;
    const int before = RecCount;
    ListFrame::Menu_del_Click();
    if (onDetail && RecCount != before)
        TabS->setCurrentIndex(1);
}

int A01::normaliseCount()
{
    // The whole part of the number typed, kept within 0..10.
    const int count = std::clamp(int(std::trunc(Val(txt(kCountBox)->text()))), 0, 10);
    txt(kCountBox)->setText(QString::number(count));
    showSegmentCount(count);
    return count;
}

void A01::Txt_Validate(int index)
{
    if (index != kCountBox || EditMode == Browse)
        return;
    if (normaliseCount() > 0)
        txt(kFirstSegment)->setFocus();
}

void A01::Txt_LostFocus(int index)
{
    if (index <= kFirstSegment || index > kLastSegment || EditMode == Browse)
        return;
    const double prev = Val(txt(index - 1)->text());
    if (prev >= Val(txt(index)->text()))
        txt(index)->setText(CStr(prev + 2));
    Lab.value(index - 1)->setText(SegmentEnd(Val(txt(index)->text())));
}

void A01::fieldEntered(const Field& f)
{
    // The text of a box entered is selected, to be typed over.
    if (QLineEdit* entered = txt(f.index))
        entered->selectAll();
}

void A01::fieldLeft(const Field& f)
{
    Txt_Validate(f.index);
    Txt_LostFocus(f.index);
}

bool A01::checkEntries()
{
    // The count is put right on saving too, so no channel is stored with
    // more than ten segments or with a shown segment that has no start.
    const int count = normaliseCount();
    for (int k = 1; k <= count; ++k) {
        if (Val(txt(kCountBox + k)->text()) == 0) {
            MsgBox(LangStr("请输入第") + QString::number(k) + LangStr("个计费段数值!"), vbStyle::Information, gMsgTitle);
            return false;
        }
    }
    // A start not above the one before it would leave that segment never charged.
    for (int k = 2; k <= count; ++k) {
        if (Val(txt(kCountBox + k)->text()) <= Val(txt(kCountBox + k - 1)->text())) {
            MsgBox(LangStr("第") + QString::number(k) + LangStr("个计费段的起始重量必须大于上一个计费段的起始重量!"),
                   vbStyle::Information, gMsgTitle);
            return false;
        }
    }
    return true;
}

QStringList A01::entryValues() const
{
    // The name is the channel's name in the ledger too: stored as the
    // ledger stores party names, so both read alike.
    QStringList values = ListFrame::entryValues();
    values[1] = SqlText(values[1]);
    return values;
}

QString A01::duplicateMessage(const QString& typedKey) const
{
    const QString owner = GetStr("select F2 from M01 where F1=" + SqlQuote(TrimBlanks(typedKey)));
    return "[" + owner + "]" + LangStr("已经使用了") + typedKey + LangStr("这个序号，请重新设置序号!");
}

QString A01::deleteQuestion(const QString& name) const
{
    return LangStr("真的要删除") + "[" + name + "]" + LangStr("吗?");
}

void A01::purgeReferences(const QString& key)
{
    // The places first, while their zones still name the channel.
    DeleteChannelPlaces(Db(), key);
    ListFrame::purgeReferences(key);
}

void A01::fillSearchFields(Query& q)
{
    q.addField("序号", "M01.F1", Query::TextField);
    q.addField("出货渠道", "M01.F2", Query::TextField, Query::Stored::Sanitised);
}
