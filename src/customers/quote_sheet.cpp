#include "customers/quote_sheet.h"

#include "customers/quote_math.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "dialogs/error_boundary.h"
#include "dialogs/report_window.h"
#include "platform/vb.h"

namespace {

// Zone code, zone name and the nine printed prices (columns 0 to 10).
constexpr int kSheetCols = 11;

const QStringList& ScratchColumns()
{
    static const QStringList cols = {"F1", "F2", "F31", "F32", "F33", "F34", "F35", "F36", "F37", "F38", "F39"};
    return cols;
}

} // namespace

QString QuoteSheetTemplate(SheetScope scope)
{
    return scope == SheetScope::International ? QStringLiteral("prnTM03.rpt") : QStringLiteral("prnTM032.rpt");
}

QList<QStringList> QuoteSheetRows(const QList<QStringList>& quoteRows, const QSet<QString>& foreignZones,
                                  SheetScope scope)
{
    QList<QStringList> rows;
    for (const QStringList& quote : quoteRows) {
        const QString code = quote.value(0);
        // A blank row (a customer without quotes keeps one) prints nothing.
        if (TrimBlanks(code).isEmpty())
            continue;
        const bool foreign = foreignZones.contains(code.toUpper());
        if (foreign != (scope == SheetScope::International))
            continue;
        QStringList row;
        for (int c = 0; c < kSheetCols; ++c)
            row << quote.value(c);
        rows << row;
    }
    return rows;
}

QStringList QuoteSheetFormulas(const QString& shortName, const QStringList& lowerCaptions, const QStringList& remarks)
{
    QStringList formulas;
    formulas << "TO='TO:" + shortName + "'";
    for (int i = 1; i <= 9; ++i)
        formulas << QStringLiteral("P%1='").arg(i) + lowerCaptions.value(kFirstPriceCol + i - 1) + "'";
    for (int i = 1; i <= 5; ++i)
        formulas << QStringLiteral("B%1='").arg(i) + remarks.value(i - 1) + "'";
    return formulas;
}

QSet<QString> ForeignZoneCodes()
{
    // One look-up for the whole sheet; the engine compares codes without
    // regard to case, and so does the set.
    QSet<QString> codes;
    const RecordSet rs = Db().openRecordset(QStringLiteral("select F1 from M02 where F3='国外'"));
    for (int r = 0; r < rs.recordCount(); ++r)
        codes.insert(rs.at(r, 0).toString().toUpper());
    return codes;
}

bool PrintQuoteSheet(SheetScope scope, const QList<QStringList>& quoteRows, const QStringList& formulas)
{
    const QString name = QuoteSheetTemplate(scope);
    QSet<QString> foreign;
    if (!RunGuarded(LangStr(QString::fromUtf8(kCommandFailure)), [&] { foreign = ForeignZoneCodes(); }))
        return false;
    // The host checks the template before the scratch table is touched.
    return PrintThroughHost({"PRNTM03", ScratchColumns(), QuoteSheetRows(quoteRows, foreign, scope), name, formulas,
                             LangStr("报表文件") + name + LangStr("丢失!")});
}
