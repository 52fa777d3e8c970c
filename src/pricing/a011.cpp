#include "pricing/a011.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/vb.h"
#include "pricing/world_maps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

namespace {

// The list's 22 columns, the channel name first; the search selects them
// too and groups by them.
const QString kZoneColumns = QStringLiteral(
    "M011.F1,M011.F2,M011.F6,M011.F8,M01.F1,M011.F4,M011.P101,M011.P102,M011.P201,M011.P202,M011.P300,M011.P301,"
    "M011.P302,M011.P303,M011.P304,M011.P305,M011.P306,M011.P307,M011.P308,M011.P309,M011.P3");
const QString kListColumns = "M01.F2 AS LB," + kZoneColumns;
const QString kGroupColumns = "M01.F2," + kZoneColumns;

constexpr int kChannelNameCol = 0;
constexpr int kChannelCodeCol = 5;
constexpr int kCountCol = 21;

const char* const kFirstStepCaptions[4] = {"文件首 0.5Kg", "文件续 0.5Kg", "小包裹首0.5Kg", "小包裹续0.5Kg"};
const char* const kCostColumns[14] = {"P101", "P102", "P201", "P202", "P300", "P301", "P302",
                                      "P303", "P304", "P305", "P306", "P307", "P308", "P309"};

} // namespace

A011::A011(QWidget* parent)
    : ZoneWindow("A011", "M011", "M0111", kEnglishName, parent)
{
    setWindowTitle("出货渠道区域成本");
    setListSql(QStringLiteral("select %1 from M011,M01 WHERE M011.F3=M01.F1 order by M011.F1").arg(kListColumns));
    setSearchHead(QStringLiteral("select %1 from (M011 left join M01 on  M011.F3=M01.F1) left join M0111 ON M0111.F0=M011.F1 ")
                      .arg(kListColumns));
    setSearchFieldIndex(2);
    setKeyGridColumn(1);
    setNameColumn(2);
    QStringList headers = {"所属渠道", "区域编号", "区域概称(中文)", "送达时日", "备注", "所属渠道编号", "区域概称(英文)"};
    while (headers.size() < 22)
        headers << QString();
    setGridColumns(headers);

    addCodeField(1);
    // The channel: its name while browsing, the list of channels while adding or editing.
    // Checked after the code and the Chinese name (checkEntries).
    m_channelField = addField({.label = "所属出货渠道", .column = "F3", .labRect = Px(240, 17, 90, 20),
                               .txtRect = Px(330, 14, 160, 22), .index = kChannel, .gridCol = kChannelNameCol,
                               .editor = FieldEditor::List, .kind = FieldKind::Code, .editorName = "CmbLB",
                               .listSql = "select * from M01 order by F1"});
    CmbLB = cmb(kChannel);
    addNameFields(2, 6, kDays, 3, kRemark, 4);

    // The costs: the four first and step costs on the first line, then the
    // ten heavy segments, each with its flag, four to a line.
    FrmPrice->setTitle("出货成本(元)");
    FrmPrice->setGeometry(8, 192, 740, 138);
    for (int i = 0; i < 14; ++i) {
        const bool segment = i >= 4;
        addPriceField(i, segment ? QString::number(i - 3) : QString::fromUtf8(kFirstStepCaptions[i]), kCostColumns[i], 7 + i);
        if (segment) {
            addField({.column = QStringLiteral("A3%1").arg(i - 4), .txtRect = priceFlagRect(i), .index = kFirstPrice + i,
                      .gridCol = kNoGridColumn, .editor = FieldEditor::Check, .host = FrmPrice, .clearOnAdd = false});
        }
    }
    Label1 = new QLabel("注:出货成本分段价格右侧复选框如果被勾选,表示该重量段计价按首重价格+续重价格方式计算", Frm);
    Label1->setObjectName("Label1");
    Label1->setGeometry(12, 334, 740, 20);
    // The segment count saved with the zone.
    TxtD = new QLineEdit(Frm);
    TxtD->setObjectName("TxtD");
    TxtD->hide();

    finishDetailPage(358);
    addPrintCommand();
    addExportCommand("Menu_toExcel");
}

void A011::LoadChannelCaptions(const QString& channelCode)
{
    RecordSet rs;
    if (!RunGuarded(LangStr(QString::fromUtf8(kQueryFailure)),
                    [&] { rs = Db().openRecordset("select * from M01 where F1=" + SqlQuote(channelCode)); }))
        return;
    if (rs.recordCount() == 0)
        return;
    // Weights are read as single-precision numbers, Null as 0.
    auto weight = [&](int field) { return field < rs.fieldCount() ? static_cast<float>(rs.at(0, field).toDouble()) : 0.0f; };
    for (int k = 0; k < 4; ++k) {
        const float v = weight(3 + k);
        QLabel* label = Lab.value(kFirstPrice + k);
        // A weight the channel does not charge by has no cost to enter.
        label->setVisible(v > 0);
        Txt.value(kFirstPrice + k)->setVisible(v > 0);
        if (v > 0)
            label->setText(label->text().left(4) + Format(v, "#0.0") + "Kg");
    }
    for (int k = 1; k <= 10; ++k) {
        const float start = weight(7 + k);
        const float next = k < 10 ? weight(8 + k) : 0.0f;
        QString caption = SingleText(start) + "Kg";
        caption += next == 0.0f ? QStringLiteral("以上") : "-" + SingleText(next - 1.0f) + "Kg";
        Lab.value(kSegmentBase + k)->setText(caption);
    }
}

void A011::showSegments(int count)
{
    for (int k = 1; k <= 10; ++k) {
        const bool shown = k <= count;
        Txt.value(kSegmentBase + k)->setVisible(shown);
        Lab.value(kSegmentBase + k)->setVisible(shown);
        Chk.value(kSegmentBase + k)->setVisible(shown);
    }
}

void A011::CmbLB_Validate()
{
    if (EditMode == Browse)
        return;
    const QString code = CodeOf(CmbLB->currentText());
    const int n = int(std::round(GetVal("select JFD from M01 where F1=" + SqlQuote(code))));
    if (n > 0)
        LoadChannelCaptions(code);
    Txt.value(kSegmentBase)->show();
    Lab.value(kSegmentBase)->show();
    showSegments(n);
    TxtD->setText(QString::number(n));
}

void A011::CmbLB_LostFocus()
{
    if (EditMode == Browse)
        return;
    // A zone code starts with its channel's first character unless one was typed.
    if (TrimBlanks(txt(kZoneCode)->text()).isEmpty())
        txt(kZoneCode)->setText(CmbLB->currentText().left(1));
}

void A011::fieldLeft(const Field& f)
{
    if (&f == &field(m_channelField)) {
        CmbLB_Validate();
        CmbLB_LostFocus();
    }
}

void A011::recordShown()
{
    ZoneWindow::recordShown();
    const QString channelCode = TrimBlanks(GD->textMatrix(CurRow, kChannelCodeCol));
    CmbLB->setEditText(channelCode + "." + TrimBlanks(txt(kChannel)->text()));
    // As many segments as were stored with the zone, captioned by the
    // channel's current standard.
    const int n = int(std::round(Val(GD->textMatrix(CurRow, kCountCol))));
    TxtD->setText(QString::number(n));
    showSegments(n);
    LoadChannelCaptions(channelCode);
}

void A011::Menu_Add_Click()
{
    ZoneWindow::Menu_Add_Click();
    if (CmbLB->count() > 0)
        CmbLB->setCurrentIndex(0);
    for (int k = 1; k <= 10; ++k)
        Lab.value(kSegmentBase + k)->setText(QString::number(k));
    CmbLB->setFocus();
}

void A011::Menu_edit_Click()
{
    ZoneWindow::Menu_edit_Click();
    if (EditMode == Editing)
        CmbLB->setEditText(TrimBlanks(GD->textMatrix(CurRow, kChannelCodeCol)) + "." + TrimBlanks(txt(kChannel)->text()));
}

bool A011::checkEntries()
{
    if (TrimBlanks(CmbLB->currentText()).isEmpty()) {
        MsgBox(emptyMessage(field(m_channelField)), vbStyle::Information, gMsgTitle);
        return false;
    }
    // The list's text has been cut to its code in Txt(2).
    m_channelCode = TrimBlanks(txt(kChannel)->text());
    bool failed = false;
    const QString found = GetStr("select F1 from M01 where F1=" + SqlQuote(m_channelCode), &failed);
    if (failed)
        return false;
    if (found.isEmpty()) {
        MsgBox(Lab.value(kChannel)->text() + LangStr("编号输入错误!"), vbStyle::Information, gMsgTitle);
        setFocusAfterCommand(CmbLB);
        return false;
    }
    CmbLB->setEditText(m_channelCode);
    txt(kChannel)->setText(TrimBlanks(GetStr("select F2 from M01 where F1=" + SqlQuote(m_channelCode))));
    return checkPlaces() && checkPrices(kFirstPrice, kLastCost, LangStr("出货成本不能为负值！"));
}

QStringList A011::storedValues(const QStringList& values) const
{
    QStringList stored = values;
    for (int pos = 0; pos < fieldCount() && pos < stored.size(); ++pos) {
        // The box shows the channel's name by now; the row keeps its code.
        if (pos == m_channelField)
            stored[pos] = m_channelCode;
        // A set segment flag is stored as True, -1.
        else if (field(pos).editor == FieldEditor::Check && stored[pos] == QLatin1String("1"))
            stored[pos] = QStringLiteral("-1");
    }
    return stored;
}

QList<ListFrame::StoredColumn> A011::extraColumns() const { return {{"P3", FieldKind::Number, TxtD->text()}}; }

QStringList A011::gridRowCells(const QStringList& values) const
{
    QStringList cells = ZoneWindow::gridRowCells(values);
    cells[kChannelCodeCol] = m_channelCode;
    cells[kCountCol] = CStr(Val(TxtD->text()));
    return cells;
}

void A011::fillSearchFields(Query& q)
{
    q.addField("所属渠道", "M01.F2", Query::TextField, Query::Stored::Sanitised);
    addZoneSearchFields(q);
    q.addField("地区名称(中文)", "M0111.F1", Query::TextField);
    q.addField("地区名称(英文)", "M0111.F2", Query::TextField);
}

QString A011::searchStatement(const QString& found) const
{
    // A search joins the places, so that a place finds its zone; the grouping
    // lists each zone once however many of its places match.
    return found + " GROUP BY " + kGroupColumns + " ";
}
