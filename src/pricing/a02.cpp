#include "pricing/a02.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "dialogs/error_boundary.h"
#include "dialogs/query.h"
#include "platform/vb.h"
#include "pricing/world_maps.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

// Lab(9)..Lab(27) as designed, kept while the pricing standard has no row.
QString DesignedCaption(int k)
{
    switch (k) {
    case 9: return QStringLiteral("文件首0.5Kg");
    case 10: return QStringLiteral("文件续0.5Kg");
    case 11: return QStringLiteral("小包裹首0.5Kg");
    case 12: return QStringLiteral("小包裹续0.5Kg");
    case 13: return QStringLiteral("21Kg~~45Kg");
    case 14: return QStringLiteral("46Kg~~70Kg");
    case 15: return QStringLiteral("71Kg~~100Kg");
    case 16: return QStringLiteral("101Kg~~200Kg");
    default: return QStringLiteral("201Kg以上");
    }
}

const char* const kPriceColumns[19] = {"P101", "P102", "P201", "P202", "P301", "P302", "P303", "P304", "P305", "P306",
                                       "P307", "P308", "P309", "P310", "P311", "P312", "P313", "P314", "P315"};

// The list's columns: code, names, delivery days, remark and the nineteen prices.
QString ListColumns()
{
    QString cols = QStringLiteral("M02.F1,M02.F2,M02.F4,M02.F6,M02.F8");
    for (const char* price : kPriceColumns)
        cols += QStringLiteral(",M02.") + QLatin1String(price);
    return cols;
}

} // namespace

A02::A02(QWidget* parent)
    : ZoneWindow("A02", "M02", "M021", kEnglishName, parent)
{
    setWindowTitle("本公司速递区域资料与报价");
    const QString columns = ListColumns();
    setListSql(QStringLiteral("select %1 from M02 order by M02.F1").arg(columns));
    setSearchHead(QStringLiteral("select %1 from M02 ").arg(columns));
    setSearchFieldIndex(2);
    QStringList headers = {"区域编号", "区域概称(中文)", "区域概称(英文)", "送达时日", "备注"};
    while (headers.size() < 25)
        headers << QString();
    setGridColumns(headers);

    addCodeField(0);
    // The scope: a list shown only while adding or editing.
    addField({.column = "F3", .txtRect = Px(286, 14, 84, 22), .index = kScope, .gridCol = kNoGridColumn,
              .editor = FieldEditor::List, .editorName = "cmbFw", .items = {"国内", "国外"}, .clearOnAdd = false,
              .visible = false});
    cmb(kScope)->setEditable(false);
    Labfw = new QLabel("范围", Frm);
    Labfw->setObjectName("Labfw");
    Labfw->setGeometry(246, 17, 36, 20);
    addNameFields(1, 2, kDays, 3, kRemark, 4);

    // The nineteen prices: the four first and step prices on the first line,
    // then the fifteen heavy-parcel segments, four to a line.
    FrmPrice->setTitle("报价(元)");
    FrmPrice->setGeometry(8, 192, 740, 166);
    for (int i = 0; i < 19; ++i)
        addPriceField(i, DesignedCaption(kFirstPrice + i), kPriceColumns[i], 5 + i, i < 4 ? QStringLiteral("#0.0") : QString());
    finishDetailPage(364);
    // Print does nothing; it starts out of use, like save and cancel, until
    // the first return to browsing.
    addPrintCommand()->setEnabled(false);
    addExportCommand();
}

void A02::formLoad()
{
    LoadStandardCaptions();
    ZoneWindow::formLoad();
}

void A02::LoadStandardCaptions()
{
    RecordSet rs;
    if (!RunGuarded(LangStr(QString::fromUtf8(kQueryFailure)), [&] {
            rs = Db().openRecordset("select F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888 from ms1");
        }))
        return;
    if (rs.recordCount() == 0)
        return;
    for (int k = kFirstPrice; k < kFirstPrice + 4; ++k) {
        const Value& v = rs.at(0, k - kFirstPrice);
        const QString designed = DesignedCaption(k);
        Lab[k]->setText(designed.left(designed.size() - 5) + (v.isNull() ? QStringLiteral("0.5") : Format(v.toDouble(), "#0.0")) + "Kg");
    }
    // Segment k starts at F(4 + k); it ends 1 Kg below the next start.
    auto start = [&](int k) { return static_cast<float>(rs.at(0, 3 + k).toDouble()); };
    for (int k = 1; k <= 14; ++k)
        Lab[kSegmentBase + k]->setText(SingleText(start(k)) + "Kg~~" + SingleText(start(k + 1) - 1.0f) + "Kg");
    Lab[kLastPrice]->setText(SingleText(start(15)) + "Kg以上");
}

QString A02::shownText(const Field& f, const QString& stored) const
{
    // Only the exact text "国内" is domestic; anything else, "" included, is foreign.
    if (f.index == kScope && f.editor == FieldEditor::List)
        return stored == QStringLiteral("国内") ? QStringLiteral("国内") : QStringLiteral("国外");
    return ZoneWindow::shownText(f, stored);
}

void A02::prepareEditors(int mode)
{
    ZoneWindow::prepareEditors(mode);
    Labfw->setVisible(mode != Browse);
}

void A02::recordShown()
{
    ZoneWindow::recordShown();
    cmb(kScope)->setCurrentIndex(txt(kScope)->text() == QStringLiteral("国内") ? 0 : 1);
}

bool A02::checkEntries()
{
    return checkPlaces() && checkPrices(kFirstPrice, kLastPrice, LangStr("价格不能为负值！"));
}

void A02::fillSearchFields(Query& q)
{
    addZoneSearchFields(q);
}
