#include "support/table_text.h"

#include "data/database.h"
#include "data/globals.h"
#include "dialogs/prnt.h"
#include "platform/flexgrid.h"

namespace {

QString RecordText(const RecordSet& rs, int r)
{
    QStringList cells;
    for (int c = 0; c < rs.fieldCount(); ++c)
        cells << rs.at(r, c).toString();
    return cells.join('|');
}

} // namespace

QStringList Records(const QString& sql)
{
    QStringList out;
    const RecordSet rs = Db().openRecordset(sql);
    for (int r = 0; r < rs.recordCount(); ++r)
        out << RecordText(rs, r);
    return out;
}

QString FirstRecord(const QString& sql)
{
    const RecordSet rs = Db().openRecordset(sql);
    return rs.recordCount() > 0 ? RecordText(rs, 0) : QString();
}

QStringList FirstColumn(const QString& sql)
{
    QStringList out;
    const RecordSet rs = Db().openRecordset(sql);
    for (int r = 0; r < rs.recordCount(); ++r)
        out << rs.at(r, 0).toString();
    return out;
}

QStringList GridLines(FlexGrid* g, int from)
{
    QStringList out;
    for (int r = from; r < g->rows(); ++r)
        out << g->rowTexts(r).join('|');
    return out;
}

QString GridRowText(FlexGrid* g, int r, int n)
{
    QStringList cells;
    for (int c = 0; c < n; ++c)
        cells << g->textMatrix(r, c);
    return cells.join('|');
}

QStringList PreviewPageTexts()
{
    Prnt* host = Prnt::Loaded();
    if (!host || !host->preview() || !host->preview()->report() || host->preview()->report()->pages.isEmpty())
        return {};
    return host->preview()->report()->pages[0].texts();
}
