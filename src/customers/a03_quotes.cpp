// The customer window's quotes: the quote grid GdMx, the quote strip PicLRQ
// with its zone drop-down, the clear and re-float buttons and the in-cell
// price editor.
#include "customers/a03.h"

#include "customers/quote_math.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "platform/cell_editor.h"
#include "platform/command_guard.h"
#include "platform/flexgrid.h"
#include "platform/mainhost.h"
#include "platform/msgbox.h"
#include "platform/vb.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

namespace {

constexpr quint32 kEntryColor = 0xC0FFC0; // light green of the strip's boxes and the price editor
constexpr quint32 kRed = 0x0000FF;
constexpr int kOpenStripTwips = 3000;
constexpr int kZoneListTwips = 2600;
const char* const kDeleteCaption = "删除报价";
const char* const kBatchCaption = "批量增加";

const char* const kZonePrices = "select F1,F2,P101 ,P102,P201,P202,P301,P302,P303,P304,P305,P306,P307,P308,P309,"
                                "P310,P311,P312,P313,P314,P315 from M02 ";

// A typed code prefix as a Jet pattern that matches it literally, followed
// by "*": the pattern characters stand for themselves.
QString PrefixPattern(const QString& prefix)
{
    QString p;
    for (const QChar ch : prefix) {
        if (ch == '*' || ch == '?' || ch == '#' || ch == '[')
            p += QStringLiteral("[") + ch + "]";
        else
            p += ch;
    }
    return p + "*";
}

void Paint(QLineEdit* box, quint32 vbColor)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, VbColor(vbColor));
    box->setPalette(pal);
}

void SetStatus(const QString& text)
{
    if (MainHost* host = GetMainHost())
        host->setPanelText(4, text);
}

} // namespace

void A03::buildQuoteControls()
{
    GdMx = new FlexGrid(Frm);
    GdMx->setObjectName("GdMx");
    GdMx->setFixedCols(0);
    // Straight to the handler, not as a command: a command gives the focus
    // back where it was and would take it from the price editor the click opens.
    ConnectGuarded(GdMx, &FlexGrid::clicked, this, [this] { GdMx_Click(); });
    GdMx->installEventFilter(this);

    FlexCellEditor* editor = GdMx->cellEditor();
    editor->setColors(VbColor(kEntryColor), VbColor(kRed));
    editor->setOpenOnClick(true);
    // Prices of a zone are typed over while adding or editing; code and name stay.
    editor->setEditorFor([this](int row, int col) {
        const bool open = EditMode != Browse && col >= kFirstPriceCol
            && !TrimBlanks(GdMx->textMatrix(row, 0)).isEmpty();
        return open ? CellEditorSpec::text() : CellEditorSpec{};
    });
    editor->setValidator([this, editor](int row, int col, QString& text) {
        // A price typed over is the price typed, even where it reads as the
        // text shown; one passed through keeps the number it stands for.
        if (editor->lineEdit()->isModified())
            GdMx->setCellValue(row, col, QVariant());
        text = TypedPrice(col, text);
        return true;
    });
    // Enter puts the price in and stays on the cell.
    editor->setNext([](int&, int&, CellCommit how) { return how != CellCommit::Enter; });

    PicLRQ = new QFrame(this);
    PicLRQ->setObjectName("PicLRQ");
    PicLRQ->setFrameShape(QFrame::StyledPanel);
    PicLRQ->setAutoFillBackground(true);
    auto* row = new QWidget(PicLRQ);
    row->setObjectName("PicLRQBar");
    auto* strip = new QHBoxLayout(row);
    strip->setContentsMargins(4, 0, 4, 0);
    strip->setSpacing(4);
    // Each control of the strip under its name, in the strip's order.
    const auto put = [&](auto* control, const char* name, int width = 0) {
        control->setObjectName(name);
        if (width > 0)
            control->setFixedWidth(width);
        strip->addWidget(control);
        return control;
    };
    strip->addWidget(new QLabel(QStringLiteral("区域编码："), row));
    TxtHPBM = put(new QLineEdit(row), "TxtHPBM", 80);
    CmdDownList = put(new QPushButton(QStringLiteral("▼"), row), "CmdDownList", 22);
    CmdDownList->setFocusPolicy(Qt::NoFocus);
    strip->addSpacing(8);
    strip->addWidget(new QLabel(QStringLiteral("客户加价系数："), row));
    TxtSL = put(new QLineEdit(row), "TxtSL", 60);
    CmdEnter = put(new QPushButton(QStringLiteral("增加报价"), row), "CmdEnter");
    CmdDel = put(new QPushButton(QString::fromUtf8(kDeleteCaption), row), "CmdDel");
    strip->addStretch();

    GdDownList = new FlexGrid(PicLRQ);
    GdDownList->setObjectName("GdDownList");
    GdDownList->setFixedCols(0);
    GdDownList->setSelectionByRow(true);
    GdDownList->hide();
    GdDownList->installEventFilter(this);
    ConnectGuarded(GdDownList, &FlexGrid::dblClick, this, [this] { runCommand([this] { GdDownList_Choose(); }); });

    CmdGdMxclear = new QPushButton(QStringLiteral("清空报价"), this);
    CmdGdMxclear->setObjectName("CmdGdMxclear");

    for (QLineEdit* box : {TxtHPBM, TxtSL})
        box->installEventFilter(this);
    connectButton(CmdEnter, &A03::CmdEnter_Click);
    connectButton(CmdDel, &A03::CmdDel_Click);
    connectButton(CmdDownList, &A03::CmdDownList_Click);
    connectButton(CmdGdMxclear, &A03::CmdGdMxclear_Click);

    PicLRQ->hide();
    CmdGdMxclear->hide();
    // The captions come from the pricing standard once the window loads.
    GdMx->setCols(kQuoteCols);
    GdMx->setRows(3);
    GdMx->setFixedRows(2);
}

// ------------------------------------------------------------ the grid

void A03::SetupQuoteGrid()
{
    StandardWeights weights;
    const RecordSet rs = Db().openRecordset(
        "SELECT F1,F2,F3,F4,F5,F6,F7,F8,F9,F10,F11,F12,F13,F14,F15,F16,F17,F18,F19,P888 FROM MS1");
    if (rs.recordCount() > 0) {
        for (int i = 0; i < 19; ++i) {
            const Value& v = rs.at(0, i);
            weights.push_back(v.isNull() ? std::nullopt : std::optional<double>(v.toDouble()));
        }
    }
    const QuoteCaptions captions = MakeQuoteCaptions(weights);

    GdMx->clear();
    GdMx->setRows(3);
    GdMx->setCols(kQuoteCols);
    GdMx->setFixedRows(2);
    for (int c = 0; c < kQuoteCols; ++c) {
        GdMx->setTextMatrix(0, c, LangStr(captions.upper[c]));
        GdMx->setTextMatrix(1, c, LangStr(captions.lower[c]));
        GdMx->setCellAlignment(1, c, Qt::AlignCenter);
        if (c >= kFirstPriceCol && c < kFirstSegmentCol)
            GdMx->setCellAlignment(0, c, Qt::AlignCenter);
    }
    // The price groups span their columns; code and name span both rows.
    // Zones stay apart, however alike their names (a click names one zone).
    GdMx->setMergeCells(true);
    GdMx->setMergeScrolling(false);
    GdMx->setMergeRow(0, true);
    GdMx->setMergeCol(0, true);
    GdMx->setMergeCol(1, true);
    for (int c = kFirstPriceCol; c < kQuoteCols; ++c)
        GdMx->setColAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    m_quoteRow = 1;
    // The current row is the lower caption row: no quote is marked.
    GdMx->clearSelection();
}

void A03::LoadQuotes()
{
    try {
        SetupQuoteGrid();
        const QString code = customerCode();
        if (code.isEmpty())
            return;
        const RecordSet rs = Db().openRecordset(
            "select M031.F1,M02.F2,M031.F2,M031.F3,M031.F4,M031.F5,M031.F6,M031.F7,M031.F8,M031.F9,M031.F10,"
            "M031.F11,M031.F12,M031.F13,M031.F14,M031.F15,M031.F16,M031.F17,M031.F18,M031.F19,M031.F20 "
            "FROM M031,M02 WHERE M031.F1=M02.F1 AND M031.F0=" + SqlQuote(code) + " ORDER BY M031.F1");
        const int n = rs.recordCount();
        if (n == 0)
            return;
        GdMx->setRedraw(false);
        GdMx->setRows(2 + n);
        for (int r = 0; r < n; ++r) {
            GdMx->setTextMatrix(2 + r, 0, rs.at(r, 0).toString());
            GdMx->setTextMatrix(2 + r, 1, rs.at(r, 1).toString());
            for (int c = kFirstPriceCol; c < kQuoteCols; ++c) {
                const Value& v = rs.at(r, c);
                GdMx->setTextMatrix(2 + r, c, LoadedPrice(c, v.isNull() ? std::nullopt : std::optional(v.toDouble())));
                // A first or step price shows rounded; saved untouched, it stays as stored.
                if (!v.isNull())
                    GdMx->setCellValue(2 + r, c, v.toDouble());
            }
        }
        GdMx->setRedraw(true);
        m_quoteRow = 1;
        ShowQuotePosition();
    } catch (const DbError& e) {
        GdMx->setRedraw(true);
        MsgBox(e.message(), vbStyle::Information, gMsgTitle);
    }
}

void A03::ShowQuotePosition()
{
    if (m_quoteRow >= GdMx->fixedRows())
        GdMx->setRow(m_quoteRow);
    else
        GdMx->clearSelection();
    if (quoteGridEmpty() && GdMx->rows() == 3)
        SetStatus(LangStr("无报价"));
    else
        SetStatus(LangStr(QStringLiteral("报价单：共 %1 条记录 当前为第 %2 条").arg(GdMx->rows() - 2).arg(m_quoteRow - 1)));
}

int A03::FindQuoteRow(const QString& zoneCode) const
{
    const QString code = TrimBlanks(zoneCode);
    // The blank row of an empty grid is no zone.
    if (code.isEmpty())
        return 0;
    for (int r = 2; r < GdMx->rows(); ++r) {
        if (TrimBlanks(GdMx->textMatrix(r, 0)) == code)
            return r;
    }
    return 0;
}

bool A03::quoteGridEmpty() const
{
    // A zone is known by its code; a zone without a name is still quoted.
    return TrimBlanks(GdMx->textMatrix(2, 0)).isEmpty();
}

QList<QStringList> A03::quoteRows() const
{
    QList<QStringList> rows;
    for (int r = 2; r < GdMx->rows(); ++r)
        rows << GdMx->rowTexts(r);
    return rows;
}

double A03::quotePrice(int r, int c) const
{
    const QVariant stored = GdMx->cellValue(r, c);
    return stored.isValid() ? stored.toDouble() : Val(GdMx->textMatrix(r, c));
}

void A03::putQuotePrice(int r, int c, const QString& text)
{
    GdMx->setTextMatrix(r, c, text);
    GdMx->setCellValue(r, c, QVariant());
}

QString A03::customerCode() const
{
    return TrimBlanks(txt(kCode)->text());
}

// ------------------------------------------------------------ adding, deleting

bool A03::AddQuotes()
{
    const double f = Val(TxtSL->text());
    if (f == 0)
        return false;
    const QString zone = TrimBlanks(TxtHPBM->text());
    QString sql = QString::fromUtf8(kZonePrices);
    if (CmdDel->text() != QString::fromUtf8(kBatchCaption)) {
        if (const int r = FindQuoteRow(zone)) {
            const QString question = LangStr("已经存在针对该区域的报价！") + QChar(13) + LangStr("需要在现有报价基础上，再次浮动报价吗？");
            if (MsgBox(question, vbStyle::YesNo + vbStyle::Question, "提示") == vbBtn::Yes) {
                for (int c = kFirstPriceCol; c < kQuoteCols; ++c)
                    putQuotePrice(r, c, RefloatedPrice(quotePrice(r, c), f));
            }
            return false;
        }
        sql += " where F1=" + SqlQuote(zone);
    } else {
        sql += " where F1 like " + SqlQuote(PrefixPattern(zone));
    }

    const RecordSet rs = Db().openRecordset(sql);
    if (rs.recordCount() == 0) {
        MsgBox(LangStr("无效的") + GdMx->textMatrix(0, 0) + LangStr("编码!"), vbStyle::Information, gMsgTitle);
        ShowQuotePosition();
        return false;
    }
    const int rowTwips = GdMx->rowHeight(GdMx->rows() - 1);
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QString code = TrimBlanks(rs.at(r, 0).toString());
        // Zones already quoted keep their prices.
        if (FindQuoteRow(code) != 0)
            continue;
        QStringList cells{code, TrimBlanks(rs.at(r, 1).toString())};
        for (int c = kFirstPriceCol; c < kQuoteCols; ++c)
            cells << NewQuotePrice(c, rs.at(r, c).toDouble(), f);
        GdMx->addItem(cells);
        GdMx->setRowHeight(GdMx->rows() - 1, rowTwips);
    }
    if (quoteGridEmpty() && GdMx->rows() > 3)
        GdMx->removeItem(2);
    CmdDel->setText(QString::fromUtf8(kDeleteCaption));
    m_quoteRow = GdMx->rows() - 1;
    ShowQuotePosition();
    return true;
}

void A03::CmdEnter_Click()
{
    if (CmdDel->text() == QString::fromUtf8(kBatchCaption))
        TxtHPBM->setText(TrimBlanks(GdDownList->textMatrix(GdDownList->row(), 0)));
    AddQuotes();
    focusZoneBox();
}

void A03::CmdDel_Click()
{
    if (CmdDel->text() == QString::fromUtf8(kBatchCaption)) {
        AddQuotes();
        focusZoneBox();
        return;
    }
    if (TrimBlanks(TxtHPBM->text()).isEmpty()) {
        MsgBox(LangStr("请输入要删除的区域编码或点击要删除的行!"), vbStyle::Information, gMsgTitle);
        setFocusAfterCommand(TxtHPBM);
        return;
    }
    const int r = FindQuoteRow(TxtHPBM->text());
    if (r == 0) {
        MsgBox(LangStr("此客户资料中没有指定区域编号的相关报价：") + TxtHPBM->text() + "!", vbStyle::Information, gMsgTitle);
        return;
    }
    const QString question = LangStr("真的要删除[") + TrimBlanks(GdMx->textMatrix(r, 1)) + LangStr("]的报价吗?");
    if (MsgBox(question, vbStyle::YesNo + vbStyle::Question, gMsgTitle) == vbBtn::Yes) {
        if (GdMx->rows() >= 4) {
            GdMx->removeItem(r);
        } else {
            // The only zone: the grid is back to its blank row.
            for (int c = 0; c < kQuoteCols; ++c)
                GdMx->setTextMatrix(r, c, QString());
        }
    }
    m_quoteRow = std::min(r, GdMx->rows() - 1);
    ShowQuotePosition();
}

void A03::CmdGdMxclear_Click()
{
    // The stored quotes stay until the customer is saved.
    SetupQuoteGrid();
}

void A03::CmdReNewPrice_Click()
{
    const double f = Val(txt(kFactor)->text());
    if (!IsMeaningfulFactor(f)) {
        MsgBox(LangStr("请首先输入有意义的加价系数！"), vbStyle::Information, "提示");
        return;
    }
    if (quoteGridEmpty()) {
        MsgBox(LangStr("请先输入报价资料！"), vbStyle::Information, "提示");
        return;
    }
    const QString question = LangStr("您打算把下列所有报价再浮动") + RefloatPercentText(f) + LangStr("%吗？");
    if (MsgBox(question, vbStyle::YesNo + vbStyle::Information, "提示") != vbBtn::Yes)
        return;
    TxtEnter_LostFocus();
    for (int r = 2; r < GdMx->rows(); ++r) {
        for (int c = kFirstPriceCol; c < kQuoteCols; ++c)
            putQuotePrice(r, c, RefloatedPrice(quotePrice(r, c), f));
    }
    MsgBox(LangStr("报价已更新！请及时保存更新的报价！"), vbStyle::Information, "提示");
}

// ------------------------------------------------------------ the zone list

bool A03::zoneListOpen() const
{
    return GdDownList->isVisible() || PicLRQ->height() > TwipsToPx(kOpenStripTwips) / 2;
}

void A03::collapseZoneList()
{
    if (!zoneListOpen())
        return;
    GdDownList->hide();
    PicLRQ->resize(PicLRQ->width(), std::max(TabS->height() - 2, 22));
    CmdDel->setText(QString::fromUtf8(kDeleteCaption));
}

void A03::focusZoneBox()
{
    // Coming into the zone box closes the list, also when the window is not
    // the active one and the box hears of no focus.
    setFocusAfterCommand(TxtHPBM);
    collapseZoneList();
}

void A03::CmdDownList_Click()
{
    if (zoneListOpen()) {
        focusZoneBox();
        return;
    }
    SetupZoneList();
    FillZoneList();
    const int barH = PicLRQ->height();
    PicLRQ->resize(PicLRQ->width(), TwipsToPx(kOpenStripTwips));
    GdDownList->setGeometry(2, barH, PicLRQ->width() - 4, TwipsToPx(kZoneListTwips));
    const int colTwips = int(std::lround(PxToTwips(GdDownList->width()) / 3.0 - 50));
    for (int c = 0; c < 3; ++c)
        GdDownList->setColWidth(c, colTwips);
    GdDownList->show();
    GdDownList->raise();
    PicLRQ->raise();
    setFocusAfterCommand(GdDownList);
    GdDownList->setRow(GdDownList->row());
}

void A03::SetupZoneList()
{
    GdDownList->clear();
    GdDownList->setRows(2);
    GdDownList->setCols(3);
    const char* const captions[] = {"区域编码", "区域名称", "英文名称"};
    for (int c = 0; c < 3; ++c) {
        GdDownList->setTextMatrix(0, c, LangStr(captions[c]));
        GdDownList->setFixedAlignment(c, Qt::AlignCenter);
    }
    GdDownList->setRow(1);
}

void A03::FillZoneList()
{
    const RecordSet rs = Db().openRecordset("select M02.F1,M02.F2,M02.F4 from M02  WHERE M02.F1 LIKE "
                                            + SqlQuote(PrefixPattern(TrimBlanks(TxtHPBM->text())))
                                            + " order by M02.F1");
    const int n = rs.recordCount();
    if (n > 0) {
        GdDownList->setRows(1 + n);
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < 3; ++c)
                GdDownList->setTextMatrix(1 + r, c, rs.at(r, c).toString());
        }
    }
    if (!TrimBlanks(GdDownList->textMatrix(1, 0)).isEmpty())
        CmdDel->setText(QString::fromUtf8(kBatchCaption));
}

void A03::GdDownList_Choose()
{
    const QString code = TrimBlanks(GdDownList->textMatrix(GdDownList->row(), 0));
    if (code.isEmpty())
        return;
    TxtHPBM->setText(code);
    // One zone picked: the strip closes and adds that zone alone.
    setFocusAfterCommand(TxtSL);
    collapseZoneList();
}

// ------------------------------------------------------------ the cell editor

void A03::GdMx_Click()
{
    m_quoteRow = GdMx->row();
    ShowQuotePosition();
    if (GdMx->col() == 0)
        GdMx->selectRow(m_quoteRow - GdMx->fixedRows());
    // In add or edit mode a click names the zone the delete button acts on.
    if (EditMode != Browse)
        TxtHPBM->setText(GdMx->textMatrix(m_quoteRow, 0));
}

void A03::TxtEnter_LostFocus()
{
    if (GdMx->hasCellEditor())
        GdMx->cellEditor()->commit();
}

// ------------------------------------------------------------ keys and focus

bool A03::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    auto* box = qobject_cast<QLineEdit*>(watched);
    if ((box == TxtHPBM || box == TxtSL) && box) {
        if (type == QEvent::FocusIn) {
            Paint(box, kEntryColor);
            if (box == TxtSL) {
                const double factor = Val(txt(kFactor)->text());
                if (factor != 0)
                    TxtSL->setText(CStr(factor));
            }
            box->selectAll();
            collapseZoneList();
            CmdDel->setText(QString::fromUtf8(kDeleteCaption));
        } else if (type == QEvent::FocusOut) {
            Paint(box, kWindowColor);
        } else if (type == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                if (box == TxtHPBM)
                    TxtSL->setFocus();
                else if (TrimBlanks(TxtHPBM->text()).isEmpty())
                    TxtHPBM->setFocus();
                else
                    runCommand([this] { CmdEnter_Click(); });
                return true;
            }
        } else if (type == QEvent::KeyRelease && box == TxtHPBM && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down) {
            runCommand([this] { CmdDownList_Click(); });
            return true;
        }
    } else if (watched == GdDownList && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runCommand([this] { GdDownList_Choose(); });
            return true;
        }
        if (key == Qt::Key_Escape) {
            focusZoneBox();
            return true;
        }
    } else if (watched == GdMx && type == QEvent::FocusIn) {
        collapseZoneList();
    }
    return ListFrame::eventFilter(watched, event);
}
