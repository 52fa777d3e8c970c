#include "customers/a03.h"

#include "customers/customer_record.h"
#include "customers/quote_math.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "dialogs/toexcel.h"
#include "platform/cell_editor.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

namespace {

// The detail page's parts, in twips.
constexpr int kTopWidth = 11250;
constexpr int kTopHeight = 2500;
constexpr int kRemarkHeight = 500;
// The factor box and the remark lines take this many characters.
constexpr int kNameLength = 49;
constexpr int kRemarkLength = 100;
// The current customer is marked up to this list column.
constexpr int kMarkedLastCol = 6;

// The list shows code, short name, Chinese address, telephone, fax,
// salesman and remark; the other columns are carried for the detail page.
bool ListShowsColumn(int c)
{
    return c == 0 || c == 1 || c == 4 || c == 6 || c == 7 || c == 9 || c == 10;
}

QRect Box(int left, int top, int width)
{
    return QRect(left, top, width, 375);
}

QRect Caption(int left, int top, int width)
{
    return QRect(left, top + 60, width, 255);
}

} // namespace

A03::A03(QWidget* parent)
    : ListFrame("A03", parent)
{
    setWindowTitle("客户资料与报价");
    setTable("M03");
    setListSql("select M03.* FROM M03 ORDER BY M03.F1");
    setSearchHead("select M03.* FROM M03 ");
    setTabCaptions("客户资料列表", "客户资料明细");
    setKeepsDesignedPosition(true);
    setNameColumn(1);
    // The tabs keep their own width: the quote strip lies beside them.
    TabS->setExpanding(false);
    // The code column is drawn like the header.
    GD->setFixedCols(1);
    // Waybills name their sending customer.
    addReference({"B01", "F603"});

    FrmTop = new QFrame(Frm);
    FrmTop->setObjectName("FrmTop");
    FrmTop->resize(TwipsToPx(kTopWidth), TwipsToPx(kTopHeight));
    FrmBtm = new QFrame(Frm);
    FrmBtm->setObjectName("FrmBtm");
    FrmBtm->setFrameShape(QFrame::NoFrame);
    // Enlarged, it covers the quote grid.
    FrmBtm->setAutoFillBackground(true);

    struct Master {
        const char* header;
        const char* label;
        const char* column;
        QRect lab;
        QRect box;
    };
    // One per box, kCode to kSalesman.
    const Master master[] = {
        {"客户编码", "客户编码", "F1", Caption(30, 127, 950), Box(1020, 127, 2085)},
        {"客户简称", "客户简称", "F2", Caption(3345, 127, 940), Box(4315, 127, 2930)},
        {"中文全称", "中文名称", "F301", Caption(30, 605, 950), Box(1020, 605, 6225)},
        {"英文全称", "英文名称", "F302", Caption(30, 1083, 950), Box(1020, 1083, 6225)},
        {"中文地址", "中文地址", "F401", Caption(30, 1561, 950), Box(1020, 1561, 6225)},
        {"英文地址", "英文地址", "F402", Caption(30, 2040, 950), Box(1020, 2040, 6225)},
        {"电话", "电    话", "F5", Caption(7560, 127, 800), Box(8400, 127, 2730)},
        {"传真", "传    真", "F6", Caption(7560, 627, 800), Box(8400, 627, 2730)},
        {"信箱", "邮    箱", "F7", Caption(7560, 1105, 800), Box(8400, 1105, 2730)},
        {"业务员", "业务员", "F8", Caption(7560, 1583, 800), Box(8400, 1583, 2730)},
    };
    for (int k = kCode; k <= kSalesman; ++k) {
        const Master& m = master[k];
        Field f{.header = m.header, .label = m.label, .column = m.column, .maxLength = k == kCode ? 12 : kNameLength,
                .required = k <= kShortName, .labRect = m.lab, .txtRect = m.box, .index = k, .host = FrmTop};
        if (k == kSalesman) {
            // The salesman is picked from the list or typed.
            f.editor = FieldEditor::List;
            f.editorName = "CmbYWY";
        }
        addField(f);
    }
    addField({.header = "备注", .label = "备注", .column = "F9", .maxLength = kRemarkLength,
              .labRect = {600, 180, 700, 255}, .txtRect = Box(1350, 120, 8745), .index = kRemark, .labIndex = kRemarkLabel,
              .host = FrmBtm, .clearOnAdd = false});
    // The factor drives the re-float only; the customer row always stores 1.
    addField({.header = "加价系数", .label = "客户加价系数", .column = "P888", .labRect = {7560, 2100, 1600, 255},
              .txtRect = Box(9240, 2062, 900), .searchType = 1, .index = kFactor, .kind = FieldKind::Number,
              .labIndex = kFactorLabel, .host = FrmTop});
    // Two columns the list carries and no part of the system writes.
    addField({.header = "累计付款", .index = kPaid, .host = FrmBtm, .editable = false, .visible = false});
    addField({.header = "累计欠款", .index = kOwed, .host = FrmBtm, .editable = false, .visible = false});
    for (int i = 0; i < 4; ++i) {
        addField({.column = QStringLiteral("F9%1").arg(i + 1), .maxLength = kRemarkLength,
                  .txtRect = Box(1350, 660 + 540 * i, 8745), .index = kFirstMemo + i, .gridCol = kNoGridColumn,
                  .editorName = QStringLiteral("TxtMEMO(%1)").arg(i), .host = FrmBtm, .clearOnAdd = false,
                  .handled = false});
    }

    // The English name and address are typed in Latin letters.
    for (int k : {kEnglishName, kEnglishAddress})
        txt(k)->setInputMethodHints(Qt::ImhPreferLatin);

    CmdUpDown = new QPushButton(QStringLiteral("▲"), FrmBtm);
    CmdUpDown->setObjectName("CmdUpDown");
    CmdUpDown->setGeometry(TwipsToPx(10320), TwipsToPx(127), TwipsToPx(375), TwipsToPx(360));
    CmdUpDown->setFocusPolicy(Qt::TabFocus);
    connectButton(CmdUpDown, &A03::CmdUpDown_Click);

    CmdReNewPrice = new QPushButton(QStringLiteral("更新报价"), FrmTop);
    CmdReNewPrice->setObjectName("CmdReNewPrice");
    CmdReNewPrice->setGeometry(TwipsToPx(10200), TwipsToPx(2062), TwipsToPx(975), TwipsToPx(375));
    connectButton(CmdReNewPrice, &A03::CmdReNewPrice_Click);

    buildQuoteControls();

    addExportCommand("Menu_ToExcel", Menu_save);
    QMenu* print = addMenu("&P.打印", "Menu_print", Menu_save);
    Menu_print = print->menuAction();
    addBrowseCommand(Menu_print);
    Menu_print1 = print->addAction("&1.打印国际报价表");
    Menu_print1->setObjectName("Menu_print1");
    Menu_print2 = print->addAction("&1.打印国内报价表");
    Menu_print2->setObjectName("Menu_print2");
    connectCommand(Menu_print1, [this] { Menu_print1_Click(); });
    connectCommand(Menu_print2, [this] { Menu_print2_Click(); });

    // Tab order of the detail page: the master boxes, the salesman, the
    // factor, the quote strip and grid, the remark lines.
    QWidget* order[] = {txt(kCode),        txt(kShortName),       txt(kChineseName),     txt(kEnglishName),
                        txt(kChineseAddress), txt(kEnglishAddress), txt(kPhone),           txt(kFax),
                        txt(kMail),           cmb(kSalesman),       txt(kFactor),          TxtHPBM,
                        TxtSL,                GdMx,                 txt(kRemark),          CmdEnter,
                        CmdDel,               CmdReNewPrice,        CmdGdMxclear};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    QWidget* previous = CmdGdMxclear;
    for (int i = 0; i < 4; ++i) {
        QWidget* memo = findChild<QLineEdit*>(QStringLiteral("TxtMEMO(%1)").arg(i));
        setTabOrder(previous, memo);
        previous = memo;
    }
    setTabOrder(previous, CmdUpDown);
}

void A03::connectButton(QPushButton* button, void (A03::*handler)())
{
    ConnectGuarded(button, &QPushButton::clicked, this,
                   [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
}

void A03::formLoad()
{
    ListFrame::formLoad();
    FillSalesmanList();
    RunGuarded(LangStr(QString::fromUtf8(kQueryFailure)), [this] { SetupQuoteGrid(); });
}

void A03::FillSalesmanList()
{
    QComboBox* list = cmb(kSalesman);
    list->clear();
    RunGuarded(LangStr(QString::fromUtf8(kQueryFailure)), [&] {
        // The stored order: the list reads the table as it stands.
        const RecordSet rs = Db().openRecordset("select * from M030 ");
        for (int r = 0; r < rs.recordCount(); ++r)
            list->addItem(TrimBlanks(rs.at(r, 0).toString()));
    });
    if (list->count() == 0)
        list->addItem(LangStr("请先建立业务员档案"));
    list->setCurrentIndex(-1);
}

// ------------------------------------------------------------ layout

void A03::sizeColumns(int gridWidthTwips)
{
    // Seven shown columns share the grid; the width given is what lies right
    // of the fixed code column, which takes its share beside the other six.
    const int share = int(std::lround(gridWidthTwips / 6.0));
    for (int c = 0; c < GD->cols(); ++c)
        GD->setColWidth(c, ListShowsColumn(c) ? share : 0);
}

void A03::resizeEvent(QResizeEvent* event)
{
    ListFrame::resizeEvent(event);
    layoutDetail();
}

void A03::layoutDetail()
{
    const int fw = Frm->width();
    const int fh = Frm->height();
    const int topW = FrmTop->width();
    const int topH = FrmTop->height();
    FrmTop->move(std::max(0, (fw - topW) / 2), TwipsToPx(150));

    const int gridTop = topH + TwipsToPx(200);
    const int gridW = fw > topW ? fw - TwipsToPx(100) : topW;
    const int gridH = std::max(TwipsToPx(600), fh - (topH + TwipsToPx(kRemarkHeight)) - TwipsToPx(600));
    GdMx->setGeometry(TwipsToPx(80), gridTop, gridW, gridH);
    // Code and name, then nine price columns across what is left; the other
    // ten segments lie to the right.
    const int priceTwips = int(std::lround((PxToTwips(gridW) - 2200) / 9.0 - 20));
    GdMx->setColWidth(0, 600);
    GdMx->setColWidth(1, 1600);
    for (int c = kFirstPriceCol; c <= 10; ++c)
        GdMx->setColWidth(c, std::max(300, priceTwips));

    // The remark area stands under the grid, or over it while enlarged,
    // inside the page's border.
    const int border = Frm->frameWidth();
    if (m_remarksEnlarged)
        FrmBtm->setGeometry(border, gridTop, fw - 2 * border, gridH + TwipsToPx(kRemarkHeight));
    else
        FrmBtm->setGeometry(border, gridTop + gridH, fw - 2 * border, TwipsToPx(kRemarkHeight));
    FrmBtm->raise();

    // The quote strip and the clear button lie beside the tabs.
    const int stripH = std::max(TabS->height() - 2, 22);
    PicLRQ->setGeometry(TwipsToPx(3600), 1, TwipsToPx(8040), zoneListOpen() ? PicLRQ->height() : stripH);
    CmdGdMxclear->setGeometry(TwipsToPx(11640), 1, TwipsToPx(1005), stripH);
    PicLRQ->raise();
    CmdGdMxclear->raise();
}

bool A03::remarksEnlarged() const
{
    return m_remarksEnlarged;
}

void A03::setRemarksEnlarged(bool on)
{
    m_remarksEnlarged = on;
    // Webdings' arrows: "5" points up (enlarge), "6" down (shrink back).
    CmdUpDown->setText(on ? QStringLiteral("▼") : QStringLiteral("▲"));
    layoutDetail();
}

void A03::CmdUpDown_Click()
{
    setRemarksEnlarged(!m_remarksEnlarged);
}

// ------------------------------------------------------------ frame hooks

void A03::ShowPosition()
{
    ListFrame::ShowPosition();
    // The customer is marked from its code to its telephone (columns 0 to 6).
    const int row = CurRow - GD->fixedRows();
    QAbstractItemModel* model = GD->model();
    const QModelIndex from = model->index(row, 0);
    const QModelIndex to = model->index(row, kMarkedLastCol - GD->fixedCols());
    if (from.isValid() && to.isValid())
        GD->selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::ClearAndSelect);
}

QString A03::counterText() const
{
    if (GD->rows() == 2 && TrimBlanks(GD->textMatrix(1, 0)).isEmpty())
        return LangStr("无客户资料");
    return LangStr(
        QStringLiteral("客户资料列表：共 %1 条记录 当前为第 %2 条").arg(shownCount(GD->rows() - 1)).arg(CurRow));
}

void A03::recordShown()
{
    WaitCursor wait;
    LoadQuotes();
}

void A03::prepareEditors(int mode)
{
    ListFrame::prepareEditors(mode);
    const bool editing = mode != Browse;
    txt(kFactor)->setVisible(editing);
    if (QLabel* lab = Lab.value(kFactorLabel))
        lab->setVisible(editing);
    CmdReNewPrice->setVisible(editing);
    CmdReNewPrice->raise();
    CmdGdMxclear->setVisible(editing);
    collapseZoneList();
    PicLRQ->setVisible(editing);
    if (GdMx->hasCellEditor())
        GdMx->cellEditor()->cancel();
    if (m_remarksEnlarged)
        setRemarksEnlarged(false);
}

void A03::fieldEntered(const Field& f)
{
    collapseZoneList();
    QLineEdit* box = txt(f.index);
    if (!box || f.editor != FieldEditor::Box)
        return;
    // The Chinese full name starts as the short name.
    if (f.index == kChineseName && TrimBlanks(box->text()).isEmpty())
        box->setText(txt(kShortName)->text());
    box->selectAll();
}

QStringList A03::entryValues() const
{
    QStringList values = ListFrame::entryValues();
    // The short name is the customer's name in the ledger, where a "'"
    // always becomes "’": the waybills and the ledger windows must name the
    // party alike.
    if (values.size() > 1)
        values[1] = SqlText(values[1]);
    return values;
}

QStringList A03::storedValues(const QStringList& values) const
{
    QStringList stored = values;
    for (int pos = 0; pos < fieldCount() && pos < stored.size(); ++pos) {
        if (field(pos).column == QLatin1String("P888"))
            stored[pos] = QStringLiteral("1");
    }
    return stored;
}

void A03::writeDetails(const QString& key, const QString& oldKey)
{
    Q_UNUSED(oldKey) // its quotes went with its row (deleteRecord)
    // The grid is the customer's whole price list: one row per zone code,
    // whether or not the zone has a name.
    QList<CustomerQuote> quotes;
    for (int r = 2; r < GdMx->rows(); ++r) {
        const QString zone = TrimBlanks(GdMx->textMatrix(r, 0));
        if (zone.isEmpty())
            continue;
        CustomerQuote q{zone};
        for (int c = kFirstPriceCol; c < kQuoteCols; ++c)
            q.prices[size_t(c - kFirstPriceCol)] = quotePrice(r, c);
        quotes << q;
    }
    SaveCustomerQuotes(Db(), key, quotes);
}

void A03::deleteRecord(const QString& key)
{
    ListFrame::deleteRecord(key);
    DeleteCustomerQuotes(Db(), key);
}

QString A03::duplicateMessage(const QString& typedKey) const
{
    if (EditMode == Adding) {
        const QString owner = GetStr("select F2 from M03 where F1=" + SqlQuote(TrimBlanks(typedKey)));
        return "[" + owner + LangStr("]已经使用了[") + typedKey + LangStr("[这个编码，请重新设置编码!");
    }
    return LangStr("已经存在[") + typedKey + LangStr("]这个编号，请重新设置编号!");
}

QString A03::deleteQuestion(const QString& name) const
{
    return LangStr("真的要删除客户[") + name + LangStr("]的资料吗?");
}

void A03::fillSearchFields(Query& q)
{
    // The eleven text columns, under the list's headers; the short name is
    // stored as entryValues cleans it.
    for (int c = 0; c <= 10; ++c)
        q.addField(GD->textMatrix(0, c), "M03." + field(c).column, Query::TextField,
                   field(c).column == QLatin1String("F2") ? Query::Stored::Sanitised : Query::Stored::AsTyped);
}

void A03::searchClosed()
{
    // The list page shows after every search, a cancelled one too, before a
    // found statement fills it.
    if (TabS->currentIndex() == 1)
        TabS->setCurrentIndex(0);
}

void A03::listRefused(const DbError& e)
{
    // The engine's text alone, over an emptied list; the counter keeps its text.
    SetupGrid();
    RecCount = 0;
    MsgBox(e.message(), vbStyle::Information, gMsgTitle);
}

// ------------------------------------------------------------ commands

void A03::Menu_Add_Click()
{
    ListFrame::Menu_Add_Click();
    SetupQuoteGrid();
    txt(kFactor)->setText(QStringLiteral("1"));
}

bool A03::refuseEmptyList(const char* message)
{
    if (!listIsEmpty())
        return false;
    MsgBox(LangStr(QString::fromUtf8(message)), vbStyle::Information, gMsgTitle);
    return true;
}

void A03::Menu_edit_Click()
{
    if (!refuseEmptyList("没有客户资料可修改!"))
        ListFrame::Menu_edit_Click();
}

void A03::Menu_del_Click()
{
    if (refuseEmptyList("无客户资料可删除!"))
        return;
    ListFrame::Menu_del_Click();
    // An emptied list keeps its blank row current.
    if (CurRow < 1) {
        CurRow = 1;
        GD->setRow(1);
    }
}

void A03::Menu_save_Click()
{
    if (EditMode == Browse)
        return;
    if (m_remarksEnlarged)
        setRemarksEnlarged(false);
    // A price being typed is part of what is saved.
    TxtEnter_LostFocus();
    ListFrame::Menu_save_Click();
    // Saved: the page shows the customer, its remarks and quotes as stored.
    if (EditMode == Browse)
        ShowRecord();
}

void A03::Menu_ToExcel_Click()
{
    ExportGrid(TabS->currentIndex() == 0 ? GD : GdMx);
}

// ------------------------------------------------------------ quote sheets

void A03::Menu_print1_Click()
{
    printSheet(SheetScope::International);
}

void A03::Menu_print2_Click()
{
    printSheet(SheetScope::Domestic);
}

void A03::printSheet(SheetScope scope)
{
    if (refuseEmptyList("无数据可打印!"))
        return;
    // From the list page, the sheet is that of the customer selected there.
    if (TabS->currentIndex() == 0)
        TabS->setCurrentIndex(1);
    WaitCursor wait;
    QStringList remarks{txt(kRemark)->text()};
    for (int i = 0; i < 4; ++i)
        remarks << findChild<QLineEdit*>(QStringLiteral("TxtMEMO(%1)").arg(i))->text();
    const QStringList formulas = QuoteSheetFormulas(txt(kShortName)->text(), GdMx->rowTexts(1), remarks);
    PrintQuoteSheet(scope, quoteRows(), formulas);
}
