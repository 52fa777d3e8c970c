#include "waybills/b01.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/posting.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "dialogs/codelist.h"
#include "dialogs/error_boundary.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"
#include "platform/window_registry.h"
#include "waybills/cost.h"
#include "waybills/fee.h"
#include "waybills/price_rows.h"
#include "waybills/waybill.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

using namespace WaybillBox;

namespace {

// ------------------------------------------------------------ the field map

// Box k's caption; its column and whether it holds a number are the
// waybill's own (WaybillColumns).
const char* const kCaptions[kWaybillBoxes] = {
    "速递单号", "寄件日期", "转单号", "备注", "始发地", "出货渠道", "目的区域", "目的地", "发件人公司名",
    "Shipper'Company", "发件人地址", "Shipper'Address", "收件人公司名", "Consignee'Company", "收件人地址",
    "Consignee'Address", "联系电话", "服务类型", "货品名称", "海关申明价值", "件数", "收重(KG)", "初重(KG)",
    "出重(KG)", "体积(CM)", "付款方式", "基本费用", "附加费用", "总计费用", "制单人", "外务员", "发件客户",
    "审核人", "燃油费率", "出货成本", "燃油费率", "问题事故", "事故原因", "处理结果", "事故说明", "出货区域",
    "收件人签收", "收件时间", "其它费用", "其它费用", "附加费用", "长", "宽", "高",
};

// Weights out, fees, factors and costs: masked for an operator without the price right.
const int kPriceFields[] = {kWeightOut, kBasicFee, kExtraFee, kFactor, kOtherFee, kTotal,
                            kCostExtra, kCostFactor, kCostOther, kCost, kChannel, kChannelZone};

const QStringList kHeaders = {"速递单号", "寄件日期", "目的地", "服务类型", "货品件数", "付款方式",
                                  "出货渠道", "发件客户", "外务员", "出货审核", "备注"};

const QString kColumns = QStringLiteral("B01.F1,B01.F101,B01.F2031,B01.F301,B01.F401,B01.F501,M01.F2,M03.F2,B01.F602,B01.F604,B01.F103 ");
const QString kListSql = "select " + kColumns
    + "FROM (B01 LEFT JOIN M03 ON B01.F603=M03.F1)  left join M01 on M01.f1=B01.f202    ORDER BY B01.F101 ";
const QString kSearchHead = "select " + kColumns + "FROM (B01 LEFT JOIN M03 ON B01.F603=M03.F1)  left join M01 on M01.F1=B01.F202 ";

const QString kNotShipped = QStringLiteral("未出货");
const QString kNotChecked = QStringLiteral("未审核");

bool IsShippedStatus(const QString& status)
{
    const QString t = TrimBlanks(status);
    return t != kNotShipped && t != kNotChecked;
}

// ------------------------------------------------------------ the page layout

// Rows of the detail page, top to bottom: three fields to a row, or two
// wide ones (the names and addresses).
constexpr int kTop = 150, kPitch = 390, kBoxH = 300, kLeft = 120;

struct Slot {
    QRect lab, txt;
};

Slot Third(int row, int col)
{
    const int x = kLeft + col * 4150, y = kTop + row * kPitch;
    return {QRect(x, y + 45, 1250, 255), QRect(x + 1280, y, 2750, kBoxH)};
}

Slot Half(int row, int col)
{
    const int y = kTop + row * kPitch;
    // The left half's box starts where the first third's does.
    if (col == 0)
        return {QRect(kLeft, y + 45, 1250, 255), QRect(kLeft + 1280, y, 4820, kBoxH)};
    const int x = kLeft + 6225;
    return {QRect(x, y + 45, 1900, 255), QRect(x + 1930, y, 4170, kBoxH)};
}

// Length, width and height share the last two thirds of a row.
Slot Small(int row, int i)
{
    const int x = kLeft + 4150 + i * 2767, y = kTop + row * kPitch;
    return {QRect(x, y + 45, 400, 255), QRect(x + 420, y, 2226, kBoxH)};
}

// Field k's place, in the order the fields follow each other on the page.
struct Placed {
    int k;
    Slot slot;
};

QList<Placed> PageLayout()
{
    // One line a row of the page.
    // clang-format off
    return {
        {kNumber, Third(0, 0)},          {kSent, Third(0, 1)},              {kTransferNo, Third(0, 2)},
        {kCustomer, Third(1, 0)},        {kStaff, Third(1, 1)},             {kOrigin, Third(1, 2)},
        {kShipperCompany, Half(2, 0)},   {kShipperCompanyEn, Half(2, 1)},
        {kShipperAddress, Half(3, 0)},   {kShipperAddressEn, Half(3, 1)},
        {kConsigneeCompany, Half(4, 0)}, {kConsigneeCompanyEn, Half(4, 1)},
        {kConsigneeAddress, Half(5, 0)}, {kConsigneeAddressEn, Half(5, 1)},
        {kPhone, Third(6, 0)},           {kZone, Third(6, 1)},              {kPlace, Third(6, 2)},
        {kService, Third(7, 0)},         {kGoods, Third(7, 1)},             {kDeclaredValue, Third(7, 2)},
        {kPieces, Third(8, 0)},          {kWeightIn, Third(8, 1)},          {kWeightFirst, Third(8, 2)},
        {kVolume, Third(9, 0)},          {kLength, Small(9, 0)},            {kWidth, Small(9, 1)},         {kHeight, Small(9, 2)},
        {kPayment, Third(10, 0)},        {kBasicFee, Third(10, 1)},         {kExtraFee, Third(10, 2)},
        {kFactor, Third(11, 0)},         {kOtherFee, Third(11, 1)},         {kTotal, Third(11, 2)},
        {kChannel, Third(12, 0)},        {kChannelZone, Third(12, 1)},      {kWeightOut, Third(12, 2)},
        {kCostExtra, Third(13, 0)},      {kCostFactor, Third(13, 1)},       {kCostOther, Third(13, 2)},
        {kCost, Third(14, 0)},           {kMaker, Third(14, 1)},            {kStatus, Third(14, 2)},
        {kRemark, Half(15, 0)},
        {kIncident, Third(16, 0)},       {kReason, Third(16, 1)},           {kOutcome, Third(16, 2)},
        {kIncidentNote, Third(17, 0)},   {kSignedBy, Third(17, 1)},         {kSignedAt, Third(17, 2)},
    };
    // clang-format on
}
constexpr int kShippedRow = 15;
constexpr int kDesignedWidth = 13500, kDesignedHeight = 8100;

// ------------------------------------------------------------ lists

// The field-staff list shows names; showing a waybill puts name.remark in it.
// A name that is an item is taken whole (a name may hold a "."); otherwise the
// longest name that the text begins with, then the text before its first ".".
QString StaffName(const QComboBox* list)
{
    const QString t = TrimBlanks(list->currentText());
    QString best;
    for (int i = 0; i < list->count(); ++i) {
        const QString item = list->itemText(i);
        if (item == t)
            return t;
        if (t.startsWith(item + QLatin1Char('.')) && item.size() > best.size())
            best = item;
    }
    return best.isEmpty() ? CodeOf(t) : best;
}

// How a list is filled: a statement at load (code.name, or names alone) or
// fixed items; the place and channel-zone lists follow their zone and channel.
struct ListSource {
    int k;
    const char* sql;
    bool withName;
    QStringList items;
};

const QList<ListSource>& ListSources()
{
    static const QList<ListSource> sources = {
        {kOrigin, "select F1 from M05 order by F1", false, {}},
        {kReason, "select F1 from M06 order by F1", false, {}},
        {kZone, "select F1,F2 from M02 order by F1", true, {}},
        {kCustomer, "select F1,F2 from M03 order by F1", true, {}},
        {kChannel, "select F1,F2 from M01 order by F1", true, {}},
        {kStaff, "select F1,F2 from M04 order by F1", false, {}},
        {kService, "", true, {"D.文件(File)", "S.物品(Parcel)"}},
        {kPayment, "", true, {"月结.Account", "现金.Cash", "到付.Charge On Delivery"}},
        {kPlace, "", false, {}},
        {kChannelZone, "", true, {}},
    };
    return sources;
}

// Box k's field: its caption and column, its editor and kind, and who may see it.
ListFrame::Field BoxField(int k, const Slot& place)
{
    const WaybillColumn& c = WaybillColumns()[k];
    ListFrame::Field f{.label = kCaptions[k], .column = c.name, .maxLength = k == kNumber ? 15 : 0, .labRect = place.lab,
            .txtRect = place.txt, .index = k, .gridCol = kNoGridColumn};
    f.kind = c.number ? FieldKind::Number : k == kSent ? FieldKind::Date : FieldKind::Text;
    if (k == kSent)
        f.editor = FieldEditor::Date;
    for (const ListSource& l : ListSources()) {
        if (l.k != k)
            continue;
        f.editor = FieldEditor::List;
        f.listSql = QString::fromUtf8(l.sql);
        f.listWithName = l.withName;
        f.items = l.items;
        f.kind = l.withName ? FieldKind::Code : FieldKind::Text;
    }
    if (std::find(std::begin(kPriceFields), std::end(kPriceFields), k) != std::end(kPriceFields))
        f.mask = FieldMask::WithoutPriceRight;
    if (k == kCost)
        f.mask |= FieldMask::NotAdministrator;
    // The status follows the shipped box; it is not typed, and Tab and
    // Enter pass it by.
    f.editable = k != kStatus;
    f.tabStop = k != kStatus;
    return f;
}

// A box read-only for as long as this lives; then as it was before.
class LockedWhile {
public:
    explicit LockedWhile(QLineEdit* box)
        : m_box(box)
        , m_was(box->isReadOnly())
    {
        box->setReadOnly(true);
    }
    ~LockedWhile() { m_box->setReadOnly(m_was); }
    LockedWhile(const LockedWhile&) = delete;
    LockedWhile& operator=(const LockedWhile&) = delete;

private:
    QLineEdit* m_box;
    bool m_was;
};

bool IsLookupFailure(const QString& r)
{
    return r.isEmpty() || r == QLatin1String("NoFound");
}

QString SettingKey(const QString& account)
{
    return QStringLiteral("B01Origin_") + account;
}

// The list without its joins: the channel and customer codes stand where
// their names go, and the names come from Names.
const QString kBareListSql = QStringLiteral("select F1,F101,F2031,F301,F401,F501,F202,F603,F602,F604,F103 from B01 ORDER BY F101");
constexpr int kChannelCol = 6, kCustomerCol = 7;

// Names of a master table by code, matched as the file matches text: ASCII
// letters without regard to case. A code as stored is found without folding.
class Names {
public:
    void add(const char* code, const char* name)
    {
        const std::string value = name ? name : "";
        m_names.emplace(code, value);
        m_names.emplace(fold(code), value);
    }
    bool has(const char* code) const { return m_names.count(fold(code)) > 0; }
    const std::string* find(std::string_view code) const
    {
        auto it = m_names.find(code);
        if (it == m_names.end())
            it = m_names.find(fold(code));
        return it == m_names.end() ? nullptr : &it->second;
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    static std::string fold(std::string_view code)
    {
        std::string s(code);
        for (char& ch : s)
            if (ch >= 'A' && ch <= 'Z')
                ch = char(ch - 'A' + 'a');
        return s;
    }
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> m_names;
};

// False when two rows share a code: the join would list such a waybill twice,
// so the list is then read with its joins.
bool ReadNames(const char* table, Names& names)
{
    Statement st(Db(), QStringLiteral("select F1,F2 from %1").arg(QLatin1String(table)));
    while (st.step()) {
        const char* code = st.columnUtf8(0);
        if (!code)
            continue;
        if (names.has(code))
            return false;
        names.add(code, st.columnUtf8(1));
    }
    return true;
}

} // namespace

int RememberedOrigin(const QString& account)
{
    return int(std::lround(Val(GetSetting("Quenvarix", "Express", SettingKey(account), "0"))));
}

void RememberOrigin(const QString& account, int index)
{
    // Writing the settings file costs more than the rest of a save: only a
    // changed choice is written.
    const QString value = QString::number(index);
    if (GetSetting("Quenvarix", "Express", SettingKey(account)) != value)
        SaveSetting("Quenvarix", "Express", SettingKey(account), value);
}

// ============================================================ the window

B01::B01(QWidget* parent)
    : ListFrame("B01", parent)
{
    setWindowTitle("速递单");
    setTable("B01");
    setGridColumns(kHeaders);
    setListSql(kListSql);
    setSearchHead(kSearchHead);
    setSearchFieldIndex(0);
    setTabCaptions("速递单列表", "速递单资料");
    // The register keeps its designed place and size, the whole page in view.
    setKeepsDesignedPosition(true);
    resize(TwipsToPx(kDesignedWidth), TwipsToPx(kDesignedHeight));

    Menu_Check = addCommand("&C.出货", "Menu_Check", [this] { Menu_Check_Click(); }, Menu_query);
    addBrowseCommand(Menu_Check);
    addExportCommand();
    Menu_JSQ = addCommand("&J.计算器", "Menu_JSQ", [this] { Menu_JSQ_Click(); }, Menu_ToExcel);

    buildDetailPage();
}

void B01::buildDetailPage()
{
    QMap<int, Slot> place;
    for (const Placed& p : PageLayout())
        place[p.k] = p.slot;
    // Fields in index order, every one read from the waybill's own row.
    for (int k = 0; k < kWaybillBoxes; ++k)
        addField(BoxField(k, place[k]));
    // Names and addresses in English, and the telephone, are typed in Latin letters.
    for (int k : {kShipperCompanyEn, kShipperAddressEn, kConsigneeCompanyEn, kConsigneeAddressEn, kPhone})
        Txt[k]->setInputMethodHints(Qt::ImhPreferLatin);
    Txt[kFactor]->setToolTip("代收费");
    Txt[kCostFactor]->setToolTip("运送员车费");

    ChkChuHuo = new QCheckBox("已出货", Frm);
    ChkChuHuo->setObjectName("ChkChuHuo");
    const Slot s = Half(kShippedRow, 1);
    ChkChuHuo->setGeometry(TwipsToPx(s.lab.x()), TwipsToPx(s.txt.y()), TwipsToPx(1500), TwipsToPx(kBoxH));
    addEntryControl(ChkChuHuo);
    ConnectGuarded(Txt[kStatus], &QLineEdit::textChanged, this, [this] { statusChanged(); });
    ConnectGuarded(ChkChuHuo, &QCheckBox::toggled, this, [this] { ChkChuHuo_Click(); });

    chainTabOrder();
}

void B01::chainTabOrder()
{
    // Tab follows the page, each list or picker before the box it lies over.
    QWidget* prev = nullptr;
    const auto chain = [&prev](QWidget* w) {
        if (prev)
            QWidget::setTabOrder(prev, w);
        prev = w;
    };
    for (const Placed& p : PageLayout()) {
        if (p.k == kSent)
            chain(DTP);
        if (QComboBox* list = Cmb.value(p.k))
            chain(list);
        chain(Txt[p.k]);
        if (p.k == kRemark)
            chain(ChkChuHuo);
    }
}

QString B01::text(int k) const
{
    return Txt[k]->text();
}

void B01::setText(int k, const QString& value)
{
    Txt[k]->setText(value);
}

// ------------------------------------------------------------ list and record

struct B01::ListNames {
    Names customers, channels;
};

B01::~B01() = default;

QString B01::fillStatement(const QString& sql)
{
    // The full list takes its two names from the small master tables held
    // here, which spares two index searches a waybill; a search runs as written.
    m_names.reset();
    if (sql != kListSql)
        return sql;
    auto names = std::make_unique<ListNames>();
    if (!ReadNames("M03", names->customers) || !ReadNames("M01", names->channels))
        return sql;
    m_names = std::move(names);
    return kBareListSql;
}

void B01::addCell(FlexTextStore& store, const RowView& row, int col) const
{
    if (!m_names || (col != kChannelCol && col != kCustomerCol)) {
        ListFrame::addCell(store, row, col);
        return;
    }
    const Names& names = col == kChannelCol ? m_names->channels : m_names->customers;
    const std::string* name = row.value(col).isNull() ? nullptr : names.find(row.text(col));
    store.addCell(name ? std::string_view(*name) : std::string_view());
}

QString B01::counterText() const
{
    // The grid's rows are counted: a shipped waybill leaves the list, not the count.
    if (listIsEmpty())
        return QStringLiteral("速递单：无单据信息");
    return QStringLiteral("速递单：共 %1 条记录 当前为第 %2 条").arg(shownCount(GD->rows() - 1)).arg(CurRow);
}

QString B01::shownText(const Field& f, const QString& stored) const
{
    const auto withName = [&](const QString& table, const QString& code) {
        return stored + "." + GetStr("select F2 from " + table + " where F1=" + SqlQuote(code));
    };
    switch (f.index) {
    case kCustomer: return withName("M03", stored);
    case kChannel: return withName("M01", stored);
    case kZone: return withName("M02", stored);
    case kChannelZone: return withName("M011", TrimBlanks(stored));
    case kStaff: return withName("M04", stored);
    case kService: return stored == QLatin1String("D") ? QStringLiteral("D.文件(File)") : QStringLiteral("S.物品(Parcel)");
    case kPayment:
        if (stored == QStringLiteral("月结"))
            return QStringLiteral("月结.Account");
        if (stored == QStringLiteral("现金"))
            return QStringLiteral("现金.Cash");
        if (stored == QStringLiteral("到付"))
            return QStringLiteral("到付.Charge On Delivery");
        return stored;
    default: return ListFrame::shownText(f, stored);
    }
}

void B01::recordShown()
{
    // No such waybill: every box stays empty, with no "." or service type
    // made up from nothing.
    if (text(kNumber).isEmpty()) {
        for (int k : {kChannel, kZone, kService, kStaff, kCustomer, kChannelZone})
            setText(k, QString());
    }
}

void B01::listRefused(const DbError& e)
{
    // A refused statement empties the list and says so in the engine's own words.
    SetupGrid();
    RecCount = 0;
    MsgBox(e.message(), vbStyle::Information, gMsgTitle);
}

// ------------------------------------------------------------ modes

void B01::prepareEditors(int mode)
{
    ListFrame::prepareEditors(mode);
    if (mode == Browse || gCanSeePrices)
        return;
    // Masked boxes stay out of the Tab order, but a click reaches them and
    // they take typing unseen: the fee, total and cost compute for an operator
    // who may not see them, the factor and the extra fees can be given, and
    // the waybill can be saved (an empty factor would make its total 0). The
    // channel and its zone are chosen in their lists, which stay hidden; their
    // boxes take no focus, for leaving them would refill the hidden zone list.
    for (int k : kPriceFields) {
        if (k == kChannel || k == kChannelZone)
            continue;
        Txt[k]->setFocusPolicy(Qt::ClickFocus);
        Txt[k]->setReadOnly(false);
    }
}

// ------------------------------------------------------------ commands

void B01::Menu_Add_Click()
{
    EditMode = Adding;
    BeginEdit();
    // A new waybill starts from nothing of the one shown before: the boxes are
    // empty, and so are the lists that followed its zone and channel.
    for (QLineEdit* t : std::as_const(Txt))
        t->clear();
    for (int k : {kPlace, kChannelZone})
        Cmb[k]->clear();
    for (const ListSource& l : ListSources())
        Cmb[l.k]->setEditText(QString());
    DTP->setDate(QDate::currentDate());
    setText(kMaker, gUserName);
    Txt[kNumber]->setReadOnly(false);
    Cmb[kCustomer]->setFocus();
    // "未审核" unticks the shipped box, which in add mode writes "未出货"; the
    // box may be unticked already, so its rule is applied here as well.
    setText(kStatus, kNotChecked);
    if (text(kStatus) == kNotChecked)
        ChkChuHuo_Click();
    presetOrigin();
    Txt[kNumber]->clear();
    Txt[kTransferNo]->clear();
    Cmb[kPayment]->setCurrentIndex(0);
    if (Cmb[kStaff]->count() > 0)
        Cmb[kStaff]->setCurrentIndex(0);
}

void B01::presetOrigin()
{
    const int index = RememberedOrigin(gUserCode);
    if (index >= 0 && index < Cmb[kOrigin]->count())
        Cmb[kOrigin]->setCurrentIndex(index);
}

void B01::Menu_edit_Click()
{
    // Nothing to edit in an empty list.
    if (listIsEmpty() || CurRow < 1)
        return;
    ShowRecord();
    if (ChkChuHuo->isChecked() && !gCanEditShipped) {
        MsgBox("该速递单已经审核出货,您没有修改权限!", vbStyle::Information, gMsgTitle);
        return;
    }
    // The lists take the boxes' texts and the picker the send date (today's
    // when the box holds none).
    EditMode = Editing;
    BeginEdit();
    setText(kMaker, gUserName);
    Txt[kNumber]->setReadOnly(false);
    Txt[kNumber]->setFocus();
}

void B01::Menu_del_Click()
{
    if (RecCount == 0 || listIsEmpty() || CurRow < 1)
        return;
    ShowRecord();
    if (ChkChuHuo->isChecked() && gUserCode != QLatin1String(kAdminCode)) {
        MsgBox("该速递单已经审核出货,非系统管理员,无权删除!", vbStyle::Information, gMsgTitle);
        return;
    }
    const QString shown = GD->textMatrix(CurRow, 0);
    const QString question = QStringLiteral("数据删除后将不可恢复！") + QChar(13) + "真的要删除单号为:" + shown + "的单据吗？";
    if (MsgBox(question, vbStyle::YesNo + vbStyle::Question, "警告") != vbBtn::Yes)
        return;
    // The waybill goes with its entries, and the balances after them follow.
    const QString number = TrimBlanks(shown);
    const bool done = RunWrite(LangStr(QString::fromUtf8(kDeleteFailure)), [&] {
        const WaitCursor wait;
        DeleteWaybill(number);
    });
    if (done)
        removeCurrentRow();
}

void B01::Menu_Check_Click()
{
    const QString number = TrimBlanks(GD->textMatrix(CurRow, 0));
    bool failed = false;
    const QString status = GetStr("select F604 from B01 WHERE F1=" + SqlQuote(number), &failed);
    if (failed)
        return;
    if (status != kNotShipped && status != kNotChecked) {
        MsgBox("该单已经出货!不能再次进行出货操作", vbStyle::Information, gMsgTitle);
        return;
    }
    MarkWaybillChecked(number, gUserName);
    // A shipped waybill leaves the list until it is filled again.
    if (GD->rows() > 2) {
        GD->removeItem(CurRow);
        CurRow = CurRow - 1;
    } else {
        SetupGrid();
        CurRow = 1;
    }
    GD->setRow(std::max(1, CurRow));
    if (TabS->currentIndex() == 1)
        ShowRecord();
    else
        GD_RowColChange();
}

void B01::fillSearchFields(Query& q)
{
    // The first seven read as the list's headers do.
    const std::pair<int, const char*> listed[] = {{0, "B01.F1"}, {1, "B01.F101"}, {2, "B01.F2031"}, {3, "B01.F301"},
                                                  {5, "B01.F501"}, {7, "M03.F2"}, {8, "B01.F602"}};
    for (const auto& [col, field] : listed)
        q.addField(GD->textMatrix(0, col), field, col == 1 ? Query::DateField : Query::TextField,
                   col == 7 ? Query::Stored::Sanitised : Query::Stored::AsTyped); // the customer's short name
    q.addField("始发地", "B01.F201", Query::TextField);
    q.addField("渠道编码", "B01.F202", Query::TextField);
    q.addField("区域编码", "B01.F203", Query::TextField);
    q.GD->setTextMatrix(q.CmbF->count() - 1, 0, "区域区码"); // the table's own spelling
    q.addField("转单号", "B01.F102", Query::TextField);
    q.addField("制单人", "B01.F601", Query::TextField);
    q.addField("审核人", "B01.F604", Query::TextField);
}

void B01::Menu_query_Click()
{
    ListFrame::Menu_query_Click();
    // The dialog took the counter for its hint: a search that found nothing
    // says so.
    if (!PubSql.isEmpty() && listIsEmpty())
        ShowPosition();
    if (TabS->currentIndex() == 1)
        TabS->setCurrentIndex(0);
}

void B01::Menu_JSQ_Click()
{
    // The calculator beside the program: a native one, or the Windows one
    // where that can run. A calculator that does not start is not reported.
    for (const QString& name : {QStringLiteral("jisuan"), QStringLiteral("jisuan.exe")}) {
        const QFileInfo f(gAppPath + name);
        if (f.isFile() && f.isExecutable()) {
            StartProgram(f.filePath());
            return;
        }
    }
    if (QFileInfo(gAppPath + "jisuan.exe").isFile())
        return;
    MsgBox(QStringLiteral("计算器(jisuan.exe)文件丢失！") + QChar(13) + "请找到jisuan.exe文件，并复制到本系统所在文件夹内！",
           vbStyle::Information, gMsgTitle);
}

void B01::Menu_save_Click()
{
    if (EditMode != Browse)
        saveWaybill();
}

// ------------------------------------------------------------ saving

bool B01::copyRequired(int k)
{
    QComboBox* list = Cmb[k];
    const QString caption = Lab[k]->text();
    const QString t = TrimBlanks(list->currentText());
    // Origins, places and field staff are names, kept whole.
    if (k == kOrigin || k == kPlace || k == kStaff) {
        if (t.isEmpty()) {
            MsgBox(LangStr("请输入") + caption + "!", vbStyle::Information, gMsgTitle);
            return false;
        }
        // A staff text that begins with "." names no one: the save stops
        // without a message, as for a code list.
        const QString name = k == kStaff ? StaffName(list) : t;
        setText(k, name);
        return !name.isEmpty();
    }
    return !CopyComboCodeRequired(list, Txt[k], caption).isEmpty();
}

std::optional<QString> B01::checkCode(int k, const QString& sql)
{
    bool failed = false;
    const QString found = GetStr(sql, &failed);
    if (failed)
        return std::nullopt;
    if (!IsLookupFailure(found))
        return found;
    MsgBox(Lab[k]->text() + "输入错误！", vbStyle::Information, gMsgTitle);
    return std::nullopt;
}

bool B01::copyBoxes()
{
    for (int k = kLength; k <= kHeight; ++k)
        setText(k, CStr(Val(text(k))));
    setText(kSent, DateText(DTP->date()));
    for (int k : {kCustomer, kStaff, kService, kPayment, kZone, kOrigin}) {
        if (!copyRequired(k))
            return false;
    }
    RememberOrigin(gUserCode, Cmb[kOrigin]->findText(TrimBlanks(Cmb[kOrigin]->currentText()), Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (!copyRequired(kPlace))
        return false;
    CopyComboCode(Cmb[kChannel], Txt[kChannel]);
    CopyComboCode(Cmb[kChannelZone], Txt[kChannelZone]);
    setText(kReason, TrimBlanks(Cmb[kReason]->currentText()));
    return true;
}

bool B01::checkCodes(Waybill& w)
{
    const auto key = [this](int k) { return SqlQuote(TrimBlanks(text(k))); };
    // The customer's and the channel's checks read the names their entries
    // are posted under.
    const std::optional<QString> customerName = checkCode(kCustomer, "select F2 from M03 where F1=" + key(kCustomer));
    if (!customerName)
        return false;
    std::optional<QString> channelName = QString();
    if (!TrimBlanks(text(kChannel)).isEmpty()
        && !(channelName = checkCode(kChannel, "select F2 from M01 where F1=" + key(kChannel))))
        return false;
    if (!checkCode(kOrigin, "select F1 from M05 where F1=" + key(kOrigin))
        || !checkCode(kZone, "select F2 from M02 where F1=" + key(kZone))
        || !checkCode(kStaff, "select F1 from M04 where F1=" + key(kStaff)))
        return false;
    w.customerName = *customerName;
    w.channelName = *channelName;
    return true;
}

bool B01::checkChoices()
{
    const QString service = text(kService), payment = text(kPayment);
    if (service != QLatin1String("S") && service != QLatin1String("D")) {
        MsgBox(Lab[kService]->text() + "输入错误！", vbStyle::Information, gMsgTitle);
        return false;
    }
    if (payment != QStringLiteral("到付") && payment != QStringLiteral("现金") && payment != QStringLiteral("月结")) {
        MsgBox(Lab[kPayment]->text() + "输入错误！", vbStyle::Information, gMsgTitle);
        return false;
    }
    for (int k : {kNumber, kPlace}) {
        if (TrimBlanks(text(k)).isEmpty()) {
            MsgBox(LangStr("请输入") + Lab[k]->text() + "!", vbStyle::Information, gMsgTitle);
            return false;
        }
    }
    if (Val(text(kTotal)) == 0) {
        MsgBox(LangStr("请输入") + Lab[kTotal]->text() + "!", vbStyle::Information, gMsgTitle);
        return false;
    }
    return true;
}

bool B01::checkNumberFree(const QString& number, const QString& oldKey)
{
    bool failed = false;
    const QString found = GetStr("select F1 from B01 where F1=" + SqlQuote(number), &failed);
    if (failed)
        return false;
    // In an edit the number found may be the waybill's own.
    if (!IsLookupFailure(found) && (EditMode == Adding || found != oldKey)) {
        MsgBox("[" + found + "]已经使用了" + text(kNumber) + "这个速递单号，请重新设置!", vbStyle::Information, gMsgTitle);
        setFocusAfterCommand(Txt[kNumber]);
        return false;
    }
    // The waybill posts under "YS"/"YF" and its number: an entry already
    // holding one would be overwritten or deleted with the waybill's own.
    QString held;
    if (!RunGuarded(LangStr(QString::fromUtf8(kSaveFailure)), [&] {
            held = WaybillNumberHeldBy(number, EditMode == Editing && number.compare(oldKey, Qt::CaseInsensitive) == 0);
        }))
        return false;
    if (!held.isEmpty()) {
        MsgBox("帐款单据[" + held + "]已经使用了" + text(kNumber) + "这个速递单号，请重新设置!", vbStyle::Information, gMsgTitle);
        setFocusAfterCommand(Txt[kNumber]);
        return false;
    }
    return true;
}

void B01::fillRecord(Waybill& w) const
{
    for (int k = 0; k < kWaybillBoxes; ++k) {
        if (WaybillColumns()[k].number)
            w.number[k] = Val(text(k));
        else
            w.text[k] = TrimBlanks(text(k));
    }
    w.sent = DTP->date();
    w.numberAs = text(kNumber);
    w.shipped = ChkChuHuo->isChecked();
}

bool B01::saveWaybill()
{
    Waybill w;
    if (!copyBoxes() || !checkCodes(w) || !checkChoices())
        return false;
    const QString number = TrimBlanks(text(kNumber));
    const QString oldKey = EditMode == Editing ? TrimBlanks(currentKey()) : QString();
    if (!checkNumberFree(number, oldKey))
        return false;
    bool failed = false;
    w.handler = GetStr("select F2 from M04 where F1=" + SqlQuote(TrimBlanks(text(kStaff))), &failed);
    if (failed)
        return false;
    fillRecord(w);

    // An edit replaces the stored row, even one stored without a number.
    const QString old = EditMode == Editing && oldKey.isNull() ? QStringLiteral("") : oldKey;
    QString warning;
    if (!RunWrite(LangStr(QString::fromUtf8(kSaveFailure)), [&] {
            const WaitCursor wait;
            warning = SaveWaybill(w, old);
        }))
        return false;

    setText(kChannel, text(kChannel) + "." + w.channelName);
    const QStringList row = {number, text(kSent), TrimBlanks(text(kPlace)), text(kService), CStr(Val(text(kPieces))),
                             text(kPayment), w.channelName, w.customerName, TrimBlanks(text(kStaff)),
                             TrimBlanks(text(kStatus)), TrimBlanks(text(kRemark))};
    showSavedRow(row);
    if (!warning.isEmpty())
        MsgBox(warning, vbStyle::Information, QString());
    return true;
}

// ------------------------------------------------------------ computed boxes

void B01::fieldEntered(const Field& f)
{
    switch (f.index) {
    case kCustomer:
        m_customerText = TrimBlanks(Cmb[kCustomer]->currentText());
        break;
    case kBasicFee:
        computeInBox(kBasicFee, &B01::CalcCustomerFee);
        break;
    case kCost:
        computeInBox(kCost, &B01::CalcShippingCost);
        break;
    case kTotal:
        CalcTotal();
        break;
    default:
        break;
    }
}

void B01::computeInBox(int k, void (B01::*calc)())
{
    // The box takes no typing while its value is worked out, and takes it
    // again however the working out ends: a price table that cannot be read
    // leaves a value the operator has to type.
    const LockedWhile locked(Txt[k]);
    const WaitCursor wait;
    (this->*calc)();
}

void B01::CalcCustomerFee()
{
    const FeeRequest req{Cmb[kCustomer]->currentText(), Cmb[kZone]->currentText(), Val(text(kWeightIn)),
                         Cmb[kService]->currentText()};
    const std::optional<PricingStandard> standard = ReadPricingStandard();
    std::optional<CustomerQuote> quote;
    if (standard)
        quote = ReadCustomerQuote(CodeOf(req.customer), CodeOf(req.zone));
    const CalcOutcome out = ::CalcCustomerFee(req, standard ? &*standard : nullptr, quote ? &*quote : nullptr);
    switch (out.kind) {
    case CalcOutcome::Result:
        setText(kBasicFee, out.text);
        break;
    case CalcOutcome::Message:
        MsgBox(out.text, vbStyle::Information, gMsgTitle);
        break;
    case CalcOutcome::NoStandard:
        MsgBox(out.text, vbStyle::Exclamation, "意外错误");
        WindowRegistry::runDialog("S01", this);
        break;
    case CalcOutcome::Silent:
        break;
    }
}

void B01::CalcShippingCost()
{
    const CostRequest req{Cmb[kChannel]->currentText(), Cmb[kChannelZone]->currentText(), Val(text(kWeightOut)),
                          Cmb[kService]->currentText(), Val(text(kCostFactor)), Val(text(kCostExtra)), Val(text(kCostOther))};
    const std::optional<ChannelStandard> channel = ReadChannelStandard(CodeOf(req.channel));
    std::optional<ChannelZoneCost> zone;
    if (channel)
        zone = ReadChannelZoneCost(CodeOf(req.zone));
    const CalcOutcome out = ::CalcShippingCost(req, channel ? &*channel : nullptr, zone ? &*zone : nullptr);
    if (!out.factorText.isEmpty())
        setText(kCostFactor, out.factorText);
    if (out.kind == CalcOutcome::Result)
        setText(kCost, out.text);
    else if (out.kind == CalcOutcome::Message)
        MsgBox(out.text, vbStyle::Information, gMsgTitle);
}

void B01::CalcTotal()
{
    setText(kTotal, TotalFeeText(Val(text(kBasicFee)), Val(text(kExtraFee)), Val(text(kFactor)), Val(text(kOtherFee))));
}

// ------------------------------------------------------------ lists

void B01::fieldLeft(const Field& f)
{
    if (f.index == kChannel)
        channelChosen();
    else if (f.index == kZone)
        zoneChosen();
    else if (f.index == kCustomer)
        customerChosen();
}

void B01::channelChosen()
{
    QComboBox* zones = Cmb[kChannelZone];
    const QString t = TrimBlanks(Cmb[kChannel]->currentText());
    if (t.isEmpty()) {
        // No channel, no channel zone.
        zones->clear();
        zones->setEditText(QString());
        return;
    }
    // Leaving the channel list always starts from the channel's first zone.
    FillCodeList(zones, "select F1,F2 FROM M011 WHERE F3=" + SqlQuote(CodeOf(t)) + " order by F1");
    if (zones->count() > 0)
        zones->setCurrentIndex(0);
}

void B01::zoneChosen()
{
    const QString t = TrimBlanks(Cmb[kZone]->currentText());
    if (t.isEmpty())
        return;
    // The place typed or chosen before survives the refill.
    QComboBox* places = Cmb[kPlace];
    const QString kept = places->currentText();
    FillCodeList(places, "select F1,F2 FROM M021 WHERE F0=" + SqlQuote(CodeOf(t)), false);
    places->setEditText(kept);
}

void B01::customerChosen()
{
    // Only another customer overwrites the shipper details typed by hand.
    const QString t = TrimBlanks(Cmb[kCustomer]->currentText());
    if (t.isEmpty() || t == m_customerText)
        return;
    m_customerText = t;
    const RecordSet rs = Db().openRecordset("select F301,F302,F401,F402,F1,F2 FROM M03 WHERE F1=" + SqlQuote(CodeOf(t)));
    if (rs.recordCount() == 0)
        return;
    for (int i = 0; i < 4; ++i)
        setText(kShipperCompany + i, TrimBlanks(rs.at(0, i).toString()));
    Cmb[kCustomer]->setEditText(TrimBlanks(rs.at(0, 4).toString()) + "." + TrimBlanks(rs.at(0, 5).toString()));
    m_customerText = TrimBlanks(Cmb[kCustomer]->currentText());
}

// ------------------------------------------------------------ shipped box

void B01::statusChanged()
{
    const bool shipped = IsShippedStatus(text(kStatus));
    if (ChkChuHuo->isChecked() != shipped)
        ChkChuHuo->setChecked(shipped);
}

void B01::ChkChuHuo_Click()
{
    if (EditMode == Browse) {
        // Browsing shows the status; it does not change it.
        statusChanged();
        return;
    }
    setText(kStatus, ChkChuHuo->isChecked() ? gUserName : kNotShipped);
}
