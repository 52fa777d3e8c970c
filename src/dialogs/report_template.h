#pragma once
#include <QLineF>
#include <QList>
#include <QMap>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <stdexcept>

// A report that cannot be produced: a missing or malformed template, a
// column or formula the template names but does not get. The message names
// the template and is shown to the operator as it is.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Chooses a detail band for a row: COLUMN = "text", COLUMN != "text" or
// COLUMN ~ "text" (contains). Both sides are compared without surrounding blanks.
struct RptCondition {
    enum Op { None, Equal, NotEqual, Contains };
    Op op = None;
    QString column;
    QString value;
    bool matches(const QString& cell) const;
};

// One thing drawn in a band. Positions are millimetres from the band's top
// left corner (the left margin, the band's top).
struct RptItem {
    enum Kind { Text, Field, Sum, Count, Line, Box };
    Kind kind = Text;
    QRectF rect;             // text, field, sum, count, box
    QLineF line;             // line
    QString text;            // text: content with {formula}, {page}, {pages}
    QString column;          // field, sum: a scratch column or TABLE.COLUMN of a join
    QString format;          // field, sum, count: a number format such as "#0.00"
    int align = 0;           // Qt::Alignment flags
    QString family;          // empty: the template's font
    double size = 0;         // points; 0: the template's size
    bool bold = false;
    bool wrap = false;       // broken into lines inside the box; lines that do not fit are left out
    bool grow = false;       // wrap, and in a detail band the row grows until every line fits
    bool elide = false;      // a text cut for its box ends in "…", cut at a whole character
    bool suppress = false;   // field in a detail band: blank when the row above on the page shows the same
    double penWidth = 0.2;   // line, box: millimetres
    RptCondition when;       // sum, count: only the printed rows that meet it
    int lineNo = 0;
};

struct RptBand {
    enum Kind { Title, Header, Detail, Footer, Summary };
    Kind kind = Detail;
    double height = 0;       // millimetres
    RptCondition when;       // detail bands only
    QList<RptItem> items;
    int lineNo = 0;
};

struct RptJoin {
    QString table;
    QString fromColumn;      // a scratch column, or TABLE.COLUMN of a table joined above
    QString tableColumn;     // column of the joined table that must equal it
};

// A report template in our own text format (templates/README.md).
class ReportTemplate {
public:
    // Reads a template file; throws ReportError naming the file when it is
    // missing or malformed.
    static ReportTemplate load(const QString& path);
    // name is what messages call the template (its file name).
    static ReportTemplate parse(const QString& text, const QString& name);

    QString name;
    QString table;
    QList<RptJoin> joins;
    QSizeF pageSize{210, 297};          // millimetres, as laid out (landscape: wider)
    QMarginsF margins{15, 15, 15, 15};
    QString family;
    double size = 10;
    // Formulas with a default value; keys in lower case.
    QMap<QString, QString> formulaDefaults;
    QList<RptBand> bands;

    const RptBand* band(RptBand::Kind kind) const;
    QList<const RptBand*> detailBands() const;
    // Every column the template reads (fields, sums, conditions, joins), as written.
    QStringList columnsUsed() const;
    // Every formula name used in a text item, in lower case, without page/pages.
    QStringList formulasUsed() const;
};

// The font family of reports when a template names none: the installed CJK font.
QString DefaultReportFamily();

// Replaces {name} by the formula's value ({page} and {pages} by the page
// numbers); {{ and }} stand for braces. formulas has lower-case keys.
QString SubstituteFormulas(const QString& text, const QMap<QString, QString>& formulas, int page, int pages);
// The names inside braces of a text, lower case.
QStringList FormulaNames(const QString& text);
