#include "dialogs/report_layout.h"

#include "data/database.h"
#include "platform/faces.h"
#include "platform/vb.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <array>
#include <cmath>
#include <limits>
#include <memory>

const double kReportNumberFloorPt = 5;

ReportRows::ReportRows(const QStringList& columns, std::vector<QString> cells)
    : m_cells(std::move(cells)), m_cols(int(columns.size()))
{
    for (int i = 0; i < columns.size(); ++i)
        m_index.insert(columns[i].toLower(), i);
    m_rows = m_cols ? int(m_cells.size() / size_t(m_cols)) : 0;
}

QStringList LaidPage::texts() const
{
    QStringList out;
    for (const LaidItem& it : items)
        if (it.kind == LaidItem::Text)
            out << it.text;
    return out;
}

namespace {

QStringList tableColumns(Database& db, const QString& table, const QString& tplName)
{
    try {
        return db.openRecordset(QStringLiteral("select * from %1 where 0=1").arg(table)).fieldNames();
    } catch (const DbError&) {
        throw ReportError(QStringLiteral("报表文件%1所用的数据表%2不存在!").arg(tplName, table));
    }
}

bool hasColumn(const QStringList& cols, const QString& c)
{
    for (const QString& x : cols)
        if (x.compare(c, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

ReportRows ReadReportRows(const ReportTemplate& tpl, Database& db)
{
    // Aliases: s for the scratch table, j1, j2 ... for the joined tables.
    QHash<QString, QString> alias;
    QHash<QString, QStringList> columnsOf;
    alias.insert(tpl.table.toLower(), "s");
    columnsOf.insert(tpl.table.toLower(), tableColumns(db, tpl.table, tpl.name));
    QString from = tpl.table + " s";
    for (int i = 0; i < tpl.joins.size(); ++i) {
        const RptJoin& j = tpl.joins[i];
        const QString a = QStringLiteral("j%1").arg(i + 1);
        const QStringList cols = tableColumns(db, j.table, tpl.name);
        columnsOf.insert(j.table.toLower(), cols);
        // The left side: a scratch column, or a column of a table joined above.
        const int dot = int(j.fromColumn.indexOf('.'));
        const QString fromTable = dot < 0 ? tpl.table : j.fromColumn.left(dot);
        const QString fromName = dot < 0 ? j.fromColumn : j.fromColumn.mid(dot + 1);
        if (!hasColumn(columnsOf.value(fromTable.toLower()), fromName))
            throw ReportError(QStringLiteral("报表文件%1所用的字段%2在数据表%3中不存在!").arg(tpl.name, fromName, fromTable));
        if (!hasColumn(cols, j.tableColumn))
            throw ReportError(QStringLiteral("报表文件%1所用的字段%2在数据表%3中不存在!").arg(tpl.name, j.tableColumn, j.table));
        alias.insert(j.table.toLower(), a);
        from += QStringLiteral(" left join %1 %2 on %2.%3 = %4.%5")
                    .arg(j.table, a, j.tableColumn, alias.value(fromTable.toLower()), fromName);
    }

    const QStringList used = tpl.columnsUsed();
    QStringList select;
    for (const QString& col : used) {
        const int dot = int(col.indexOf('.'));
        const QString table = dot < 0 ? tpl.table : col.left(dot);
        const QString name = dot < 0 ? col : col.mid(dot + 1);
        if (!hasColumn(columnsOf.value(table.toLower()), name))
            throw ReportError(QStringLiteral("报表文件%1所用的字段%2在数据表%3中不存在!").arg(tpl.name, name, table));
        select << alias.value(table.toLower()) + '.' + name;
    }
    // The row id keeps the insertion order and gives a column when none is printed.
    select << "s.rowid";
    RecordSet rs;
    try {
        rs = db.openRecordset(QStringLiteral("select %1 from %2 order by s.rowid").arg(select.join(','), from));
    } catch (const DbError& e) {
        throw ReportError(QStringLiteral("报表文件%1读取数据失败: %2").arg(tpl.name, e.message()));
    }
    std::vector<QString> cells;
    const int cols = int(used.size());
    cells.reserve(size_t(rs.recordCount()) * (cols + 1));
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int c = 0; c <= cols; ++c)
            cells.push_back(c < cols ? rs.at(r, c).toString() : QString());
    return ReportRows(QStringList(used) << QStringLiteral("rowid"), std::move(cells));
}

namespace {

struct Placement {
    const RptBand* band;
    const RptItem* item;
    double top;      // the band's top on the page, mm
    int row;         // the detail row, -1 outside detail bands
    double height;   // the band's height here: more than written when a text grows it
};

// Where a band grows: the bottom of its highest growing text. What lies at or
// below it moves down by the growth, what reaches across it stretches.
double growLine(const RptBand& band)
{
    double at = band.height;
    for (const RptItem& it : band.items)
        if (it.grow)
            at = qMin(at, it.rect.bottom());
    return at;
}

struct PageDraft {
    QList<Placement> placements;
    int firstRow = -1;
    int lastRow = -1;
};

QString formatValue(const QString& value, const QString& format)
{
    if (format.isEmpty())
        return value;
    // Only numbers take the format: a caption the window wrote into a money
    // column ("合计", "-") prints as written, never as 0.00.
    bool isNumber = false;
    const double v = TrimBlanks(value).toDouble(&isNumber);
    return isNumber && qIsFinite(v) ? Format(v, format) : value;
}

// Texts are laid out in units of a fine resolution, without hinting, and
// drawn scaled to the device: a screen rounds a font to whole pixels, which
// would make the preview's glyphs wider than the printer's and a text that
// fits on paper overflow on screen.
constexpr double kFitDpi = 1200;
constexpr double kFitPxPerMm = kFitDpi / 25.4;
// A hair of room for devices that draw a glyph a little wider.
constexpr double kHair = 0.99;

QFont reportFont(const QString& family, double size, bool bold)
{
    QFont f;
    f.setFamilies(FacesFor(family));
    f.setPixelSize(qRound(size * kFitDpi / 72.0));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

struct FittedText {
    QStringList lines;
    double height = 0;    // millimetres
    double lineHeight = 0; // of the first line
};

// Breaks text into the lines its box takes: with wrap at word boundaries, or
// anywhere in a word longer than the box; lines below the box are left out
// unless the box grows, and with elide the last line shown ends in "…".
FittedText fitText(const QString& text, const RptItem& it, const QFont& font, bool grows)
{
    const double s = kFitPxPerMm;
    const double width = it.rect.width() * s * kHair;
    const double height = it.rect.height() * s;
    QString t = text;
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout tl(t, font);
    QTextOption opt;
    opt.setWrapMode(it.wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    tl.setTextOption(opt);
    tl.beginLayout();
    for (QTextLine l = tl.createLine(); l.isValid(); l = tl.createLine())
        l.setLineWidth(width);
    tl.endLayout();
    const QFontMetricsF fm(font);
    auto plain = [](QString x) { return x.replace(QChar::LineSeparator, QLatin1Char(' ')); };
    // Drawn, every line takes the font's leading as well.
    const double leading = qMax(0.0, fm.leading());
    FittedText out;
    double used = 0;
    for (int i = 0; i < tl.lineCount(); ++i) {
        const QTextLine l = tl.lineAt(i);
        if (!grows && !out.lines.isEmpty() && used + l.height() + leading > height + 1e-6) {
            // Lines are never left out without a sign: the last one shown ends in "…".
            if (it.elide || it.wrap)
                out.lines.last() = fm.elidedText(plain(t.mid(tl.lineAt(i - 1).textStart())), Qt::ElideRight, width);
            break;
        }
        QString line = t.mid(l.textStart(), l.textLength());
        while (!line.isEmpty() && (line.back().isSpace()))
            line.chop(1);
        if (it.elide && l.naturalTextWidth() > width)
            line = fm.elidedText(line, Qt::ElideRight, width);
        out.lines << line;
        used += l.height() + leading;
        if (i == 0)
            out.lineHeight = used / s;
    }
    out.height = used / s;
    return out;
}

// A text a number format reads as a number: blanks around digits with a
// sign, thousands separators, a decimal point ("-9999999.99", "1,000.00").
bool IsNumberText(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == QLatin1Char(' '))
        ++b;
    while (e > b && text[e - 1] == QLatin1Char(' '))
        --e;
    if (b < e && (text[b] == QLatin1Char('-') || text[b] == QLatin1Char('+')))
        ++b;
    if (b == e || !(text[e - 1] >= QLatin1Char('0') && text[e - 1] <= QLatin1Char('9')))
        return false;
    bool digit = false, point = false;
    for (qsizetype i = b; i < e; ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = true;
        else if (c == QLatin1Char(',') && digit && !point)
            continue;
        else if (c == QLatin1Char('.') && !point)
            point = true;
        else
            return false;
    }
    return true;
}

// A field, sum or count that shows a number is never cut: too wide for its
// item it is drawn smaller, down to kReportNumberFloorPt (5 points: digits
// about 1.3 mm high, still read on paper); too wide even then it prints as
// "#" across its item, never as a shorter number.
class NumberFitter {
public:
    void fit(LaidItem& li)
    {
        const double room = li.rect.width() * kFitPxPerMm * kHair;
        Face& face = faceOf(li.family, li.size, li.bold);
        // A long report has a number or more on every row: one that its
        // characters' widths (kerning only narrows digits) leave well inside
        // its item is not laid out.
        if (face.roughWidth(li.text) * 1.02 <= room)
            return;
        auto width = [&](double size) { return faceOf(li.family, size, li.bold).metrics.horizontalAdvance(li.text); };
        const double natural = width(li.size);
        if (natural <= room)
            return;
        // The largest size in tenths of a point that fits.
        const int floorTenths = qRound(kReportNumberFloorPt * 10);
        int tenths = int(std::floor(li.size * room / natural * 10));
        while (tenths >= floorTenths && width(tenths / 10.0) > room)
            --tenths;
        if (tenths >= floorTenths) {
            li.size = tenths / 10.0;
            return;
        }
        const double hash = face.metrics.horizontalAdvance(QLatin1Char('#'));
        li.lines = QStringList{QString(qMax(1, int(room / hash)), QLatin1Char('#'))};
    }

private:
    struct Face {
        QFontMetricsF metrics;
        std::array<double, 128> advance; // of ASCII characters, -1 until measured

        explicit Face(const QFont& font)
            : metrics(font)
        {
            advance.fill(-1);
        }
        // The sum of the characters' advances; unbounded for other than ASCII.
        double roughWidth(const QString& text)
        {
            double sum = 0;
            for (const QChar c : text) {
                if (c.unicode() >= 128)
                    return std::numeric_limits<double>::infinity();
                double& a = advance[c.unicode()];
                if (a < 0)
                    a = metrics.horizontalAdvance(c);
                sum += a;
            }
            return sum;
        }
    };

    Face& faceOf(const QString& family, double size, bool bold)
    {
        // Items of a column come one after another in the same font.
        if (m_last && size == m_lastSize && bold == m_lastBold && family == m_lastFamily)
            return *m_last;
        const QString key =
            family + QLatin1Char('/') + QString::number(size) + (bold ? QLatin1Char('b') : QLatin1Char('r'));
        auto it = m_faces.find(key);
        if (it == m_faces.end())
            it = m_faces.emplace(key, std::make_shared<Face>(reportFont(family, size, bold)));
        m_last = it->get();
        m_lastFamily = family;
        m_lastSize = size;
        m_lastBold = bold;
        return *m_last;
    }

    QHash<QString, std::shared_ptr<Face>> m_faces;
    Face* m_last = nullptr;
    QString m_lastFamily;
    double m_lastSize = 0;
    bool m_lastBold = false;
};

} // namespace

namespace {

// The formulas a report prints: the template's defaults and the given ones,
// every one it uses present.
QMap<QString, QString> ReportFormulas(const ReportTemplate& tpl, const QMap<QString, QString>& given)
{
    QMap<QString, QString> formulas = tpl.formulaDefaults;
    for (auto it = given.begin(); it != given.end(); ++it)
        formulas.insert(it.key().toLower(), it.value());
    for (const QString& name : tpl.formulasUsed())
        if (!formulas.contains(name))
            throw ReportError(QStringLiteral("报表文件%1所用的公式%2没有给出!").arg(tpl.name, name));
    return formulas;
}

// Lays a report out in two passes: the bands placed on pages row by row,
// then, the page count known, each placed item's text.
class ReportLayouter {
public:
    ReportLayouter(const ReportTemplate& report, const ReportRows& reportRows, const QMap<QString, QString>& given)
        : tpl(report), rows(reportRows), formulas(ReportFormulas(report, given)), title(report.band(RptBand::Title)),
          header(report.band(RptBand::Header)), footer(report.band(RptBand::Footer)),
          summary(report.band(RptBand::Summary)), details(report.detailBands()), pageTop(report.margins.top()),
          footerTop(report.pageSize.height() - report.margins.bottom() - (footer ? footer->height : 0)),
          rowAbove(size_t(reportRows.rowCount()), -1),
          defaultFamily(report.family.isEmpty() ? DefaultReportFamily() : report.family)
    {
        lookUpColumns();
    }

    ReportLayout layout()
    {
        titleHeight = title ? bandHeight(title, -1, -1) : 0;
        headerHeight = header ? bandHeight(header, -1, -1) : 0;
        newPage();
        placeRows();
        placeSummaryAndFooters();
        return laidPages();
    }

private:
    // Totals of the rows printed, for sum and count items.
    struct Total {
        const RptItem* item;
        int col;
        int whenCol;
        double value;
    };

    // Column positions are looked up once, not per row.
    void lookUpColumns()
    {
        for (const QString& col : tpl.columnsUsed())
            if (rows.columnIndex(col) < 0)
                throw ReportError(QStringLiteral("报表文件%1所用的字段%2没有读出!").arg(tpl.name, col));
        for (const RptBand* b : details)
            detailCol << (b->when.op == RptCondition::None ? -1 : rows.columnIndex(b->when.column));
        for (const RptBand& b : tpl.bands) {
            for (const RptItem& it : b.items) {
                if (it.kind == RptItem::Field)
                    fieldCol.insert(&it, rows.columnIndex(it.column));
                if (it.kind == RptItem::Sum || it.kind == RptItem::Count)
                    totals.push_back({&it, it.kind == RptItem::Sum ? rows.columnIndex(it.column) : -1,
                        it.when.op == RptCondition::None ? -1 : rows.columnIndex(it.when.column), 0.0});
            }
        }
    }

    QFont fontOf(const RptItem& it) const
    {
        return reportFont(it.family.isEmpty() ? defaultFamily : it.family, it.size > 0 ? it.size : tpl.size, it.bold);
    }

    // A field's text in a detail row; blank where it is suppressed under the row above.
    QString fieldText(const RptItem& it, int row, int above) const
    {
        const int col = fieldCol.value(&it);
        if (it.suppress && above >= 0 && rows.cell(above, col) == rows.cell(row, col))
            return QString();
        return formatValue(rows.cell(row, col), it.format);
    }

    // The height of a band (for a detail row): more than written when a
    // growing text needs more lines than its box holds.
    double bandHeight(const RptBand* band, int row, int above) const
    {
        double extra = 0;
        for (const RptItem& it : band->items) {
            if (!it.grow || (it.kind != RptItem::Field && it.kind != RptItem::Text) || (it.kind == RptItem::Field && row < 0))
                continue;
            const QString text = it.kind == RptItem::Field ? fieldText(it, row, above)
                                                           : SubstituteFormulas(it.text, formulas, 1, 1);
            if (text.isEmpty())
                continue;
            // The grown box keeps the room around its text that one line has.
            const FittedText fit = fitText(text, it, fontOf(it), true);
            extra = qMax(extra, fit.height - qMin(fit.lineHeight, it.rect.height()));
        }
        return band->height + extra;
    }

    void place(const RptBand* band, int row, double height)
    {
        for (const RptItem& it : band->items)
            pages.last().placements.append({band, &it, y, row, height});
        y += height;
    }

    void newPage()
    {
        pages.append(PageDraft{});
        y = pageTop;
        if (pages.size() == 1 && title)
            place(title, -1, titleHeight);
        if (header)
            place(header, -1, headerHeight);
        bodyTop = y;
    }

    // A band that does not fit goes to the next page; on a fresh page it
    // stays, so an oversized band cannot loop.
    bool overflows(double height) const { return y + height > footerTop + 1e-9 && y > bodyTop + 1e-9; }

    const RptBand* detailBandOf(int r) const
    {
        for (int i = 0; i < details.size(); ++i) {
            const RptBand* b = details[i];
            if (b->when.op == RptCondition::None || b->when.matches(rows.cell(r, detailCol[i])))
                return b;
        }
        return nullptr;
    }

    void placeRows()
    {
        for (int r = 0; r < rows.rowCount(); ++r) {
            const RptBand* band = detailBandOf(r);
            if (!band)
                continue;
            double height = bandHeight(band, r, pages.last().lastRow);
            if (overflows(height)) {
                newPage();
                height = bandHeight(band, r, -1);
            }
            place(band, r, height);
            PageDraft& pg = pages.last();
            rowAbove[size_t(r)] = pg.lastRow;
            if (pg.firstRow < 0)
                pg.firstRow = r;
            pg.lastRow = r;
            lastPrinted = r;
            for (Total& t : totals) {
                if (t.whenCol >= 0 && !t.item->when.matches(rows.cell(r, t.whenCol)))
                    continue;
                t.value += t.col < 0 ? 1.0 : Val(TrimBlanks(rows.cell(r, t.col)));
            }
        }
        for (const Total& t : totals)
            totalOf.insert(t.item, t.value);
    }

    void placeSummaryAndFooters()
    {
        if (summary) {
            const double height = bandHeight(summary, -1, -1);
            if (overflows(height))
                newPage();
            place(summary, -1, height);
        }
        if (footer) {
            for (PageDraft& pg : pages) {
                for (const RptItem& it : footer->items)
                    pg.placements.append({footer, &it, footerTop, -1, footer->height});
            }
        }
    }

    ReportLayout laidPages() const
    {
        ReportLayout out;
        out.name = tpl.name;
        out.pageSize = tpl.pageSize;
        const int pageCount = int(pages.size());
        for (int p = 0; p < pageCount; ++p) {
            const PageDraft& draft = pages[p];
            LaidPage page;
            page.items.reserve(draft.placements.size());
            for (const Placement& pl : draft.placements)
                page.items.append(laidItem(pl, draft, p, pageCount));
            out.pages.append(page);
        }
        return out;
    }

    LaidItem laidItem(const Placement& pl, const PageDraft& draft, int p, int pageCount) const
    {
        const RptItem& it = *pl.item;
        LaidItem li;
        li.align = it.align;
        li.family = it.family.isEmpty() ? defaultFamily : it.family;
        li.size = it.size > 0 ? it.size : tpl.size;
        li.bold = it.bold;
        li.wrap = it.wrap;
        li.penWidth = it.penWidth;
        const QPointF origin(tpl.margins.left(), pl.top);
        // A grown band moves what sits on its bottom edge down and
        // stretches what reaches it (column lines, boxes, the growing text).
        const double grown = pl.height - pl.band->height;
        const double growAt = grown > 0 ? growLine(*pl.band) : 0;
        auto onBottom = [&](double yy) { return yy >= growAt - 1e-6; };
        if (it.kind == RptItem::Line) {
            li.kind = LaidItem::Line;
            QLineF l = it.line;
            if (grown > 0) {
                l.setP1(QPointF(l.x1(), l.y1() + (onBottom(l.y1()) ? grown : 0)));
                l.setP2(QPointF(l.x2(), l.y2() + (onBottom(l.y2()) ? grown : 0)));
            }
            li.line = l.translated(origin);
            return li;
        }
        li.rect = it.rect.translated(origin);
        if (grown > 0 && onBottom(it.rect.top()))
            li.rect.translate(0, grown);
        else if (grown > 0 && onBottom(it.rect.bottom()))
            li.rect.setHeight(li.rect.height() + grown);
        if (it.kind == RptItem::Box) {
            li.kind = LaidItem::Box;
            return li;
        }
        li.kind = LaidItem::Text;
        li.text = itemText(pl, draft, p, pageCount);
        // A box written to wrap or cut (a name) takes even digits as text.
        if (it.kind != RptItem::Text && !it.wrap && !it.elide && IsNumberText(li.text)) {
            numbers.fit(li);
        } else if ((it.wrap || it.elide) && !li.text.isEmpty()) {
            RptItem box = it;
            box.rect = li.rect;
            li.lines = fitText(li.text, box, fontOf(it), false).lines;
        }
        return li;
    }

    QString itemText(const Placement& pl, const PageDraft& draft, int p, int pageCount) const
    {
        const RptItem& it = *pl.item;
        switch (it.kind) {
        case RptItem::Text:
            return SubstituteFormulas(it.text, formulas, p + 1, pageCount);
        case RptItem::Field: {
            // Outside the detail bands a field shows a row of its page:
            // the first under the title and header, the last under the footer and summary.
            int row = pl.row;
            if (row < 0) {
                switch (pl.band->kind) {
                case RptBand::Title: row = rows.rowCount() ? 0 : -1; break;
                case RptBand::Header: row = draft.firstRow; break;
                case RptBand::Footer: row = draft.lastRow; break;
                default: row = lastPrinted; break;
                }
            }
            if (row < 0)
                return QString();
            return fieldText(it, row, pl.row >= 0 ? rowAbove[size_t(pl.row)] : -1);
        }
        case RptItem::Sum:
        case RptItem::Count:
            return it.format.isEmpty() ? CStr(totalOf.value(&it)) : Format(totalOf.value(&it), it.format);
        default:
            return QString();
        }
    }

    const ReportTemplate& tpl;
    const ReportRows& rows;
    const QMap<QString, QString> formulas;
    const RptBand* const title;
    const RptBand* const header;
    const RptBand* const footer;
    const RptBand* const summary;
    const QList<const RptBand*> details;
    const double pageTop;
    const double footerTop;
    QList<int> detailCol;
    QHash<const RptItem*, int> fieldCol;
    std::vector<Total> totals;
    QHash<const RptItem*, double> totalOf;
    // A printed row -> the row printed above it on its page (-1: the first on its page).
    std::vector<int> rowAbove;
    const QString defaultFamily;
    mutable NumberFitter numbers;
    QList<PageDraft> pages;
    double y = 0, bodyTop = 0;
    double titleHeight = 0, headerHeight = 0; // as grown by their texts
    int lastPrinted = -1;
};

} // namespace

ReportLayout LayoutReport(const ReportTemplate& tpl, const ReportRows& rows, const QMap<QString, QString>& given)
{
    return ReportLayouter(tpl, rows, given).layout();
}

ShownReportText ShowReportText(const LaidItem& it)
{
    const double s = kFitPxPerMm;
    return {reportFont(it.family, it.size, it.bold), QRectF(it.rect.topLeft() * s, it.rect.size() * s), it.align,
        it.lines.isEmpty() ? it.text : it.lines.join(QLatin1Char('\n')), 1 / s};
}

void PaintReportPage(QPainter& painter, const LaidPage& page, double s)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const LaidItem& it : page.items) {
        QPen pen(Qt::black);
        pen.setWidthF(qMax(it.penWidth * s, 1.0));
        switch (it.kind) {
        case LaidItem::Line:
            painter.setPen(pen);
            painter.drawLine(QLineF(it.line.p1() * s, it.line.p2() * s));
            break;
        case LaidItem::Box:
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(it.rect.topLeft() * s, it.rect.size() * s));
            break;
        case LaidItem::Text: {
            if (it.text.isEmpty())
                break;
            const ShownReportText shown = ShowReportText(it);
            painter.save();
            painter.scale(s * shown.mmPerUnit, s * shown.mmPerUnit);
            painter.setFont(shown.font);
            painter.setPen(Qt::black);
            painter.drawText(shown.rect, shown.flags, shown.text);
            painter.restore();
            break;
        }
        }
    }
    painter.restore();
}

QImage RenderReportPage(const ReportLayout& layout, int page, double dpi)
{
    const double s = dpi / 25.4;
    QImage img(qRound(layout.pageSize.width() * s), qRound(layout.pageSize.height() * s), QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    if (page >= 0 && page < layout.pages.size()) {
        QPainter p(&img);
        PaintReportPage(p, layout.pages[page], s);
    }
    return img;
}
