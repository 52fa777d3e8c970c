#include "delivery_notes/note_grid.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/codelist.h"
#include "dialogs/lookups.h"
#include "dialogs/report_grid.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QEvent>
#include <cmath>
#include <vector>

namespace {

QString moneyText(const Value& v)
{
    if (v.isNull())
        return QString();
    // Text that is no number shows as it is, as the money format leaves it.
    bool ok = false;
    const double x = v.toDouble(&ok);
    return ok ? Format(x, gMoneyFmt) : v.toString();
}

class ColumnSizer : public QObject {
public:
    explicit ColumnSizer(FlexGrid* gd)
        : QObject(gd), m_gd(gd) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            SizeNoteColumns(m_gd);
        return QObject::eventFilter(watched, event);
    }

private:
    FlexGrid* m_gd;
};

} // namespace

FlexGrid* MakeNoteGrid(QWidget* parent)
{
    auto* gd = new FlexGrid(parent);
    gd->setObjectName("GD");
    gd->setSelectionByRow(true);
    gd->setFixedCols(0);
    KeepNoteColumnsSized(gd);
    return gd;
}

void SetupNoteGrid(FlexGrid* gd, const QStringList& headers, const QList<int>& moneyCols)
{
    gd->clear();
    gd->setRows(2);
    gd->setCols(int(headers.size()));
    for (int c = 0; c < headers.size(); ++c) {
        gd->setTextMatrix(0, c, LangStr(headers[c]));
        gd->setFixedAlignment(c, Qt::AlignCenter);
    }
    for (int c : moneyCols)
        gd->setColAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
}

void FillNoteRows(FlexGrid* gd, const RecordSet& rs, int moneyCol, const QList<int>& sumCols)
{
    const int n = rs.recordCount();
    if (n <= 0)
        return;
    const int cols = gd->cols();
    const int fields = std::min(cols, rs.fieldCount());
    std::vector<QString> cells = TotalsGridCells(gd->rowTexts(0), rs, [&](int r, QString* row) {
        for (int c = 0; c < fields; ++c)
            row[c] = c == moneyCol ? moneyText(rs.at(r, c)) : rs.at(r, c).toString();
    }, sumCols);
    gd->setAll(n + 2, cols, std::move(cells));
}

void SizeNoteColumns(FlexGrid* gd)
{
    const int n = gd->cols();
    if (n <= 0)
        return;
    const int inner = PxToTwips(gd->isVisible() ? gd->viewport()->width() : gd->width() - 2 * gd->frameWidth());
    const int w = int(std::lround(double(inner) / n - 30));
    for (int c = 0; c < n; ++c)
        gd->setColWidth(c, std::max(0, w));
}

void KeepNoteColumnsSized(FlexGrid* gd)
{
    gd->viewport()->installEventFilter(new ColumnSizer(gd));
}

bool StepOffSumsRow(FlexGrid* gd)
{
    const int last = gd->rows() - 1;
    if (last <= 1 || gd->row() != last || !gd->textMatrix(last, 1).isEmpty())
        return false;
    gd->setRow(last - 1);
    gd->setRowSel(last - 1);
    return true;
}

QComboBox* MakeNoteCustomerBox(QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName("CmbKH");
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    return list;
}

void FillNoteCustomers(QComboBox* list, const QStringList& first)
{
    try {
        FillCodeList(list, "select * from TA2 order by F1");
    } catch (const DbError& e) {
        list->clear();
        MsgBox(e.message(), vbStyle::Information, gMsgTitle);
    }
    list->insertItems(0, first);
}

QString NoteCustomerCode(const QString& text)
{
    const int dot = int(text.indexOf(QLatin1Char('.')));
    return dot >= 0 ? text.left(dot) : TrimBlanks(text);
}

QString NoteCustomerName(const QString& code, bool* failed)
{
    return GetStr("select F2 from TA2 where F1=" + SqlQuote(code), failed);
}
