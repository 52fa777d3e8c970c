#pragma once
#include "dialogs/report_template.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <vector>

class Database;
class QPainter;

// The rows a template reads: its scratch table (joined tables to the right),
// in the order they were inserted. Every cell as the system shows it.
class ReportRows {
public:
    ReportRows() = default;
    ReportRows(const QStringList& columns, std::vector<QString> cells);
    int rowCount() const { return m_rows; }
    int columnIndex(const QString& column) const { return m_index.value(column.toLower(), -1); }
    const QString& cell(int row, int col) const { return m_cells[size_t(row) * m_cols + col]; }

private:
    QHash<QString, int> m_index;
    std::vector<QString> m_cells;
    int m_cols = 0;
    int m_rows = 0;
};

// A thing on a laid-out page, in millimetres from the paper's top left corner.
struct LaidItem {
    enum Kind { Text, Line, Box };
    Kind kind = Text;
    QRectF rect;
    QLineF line;
    QString text;
    int align = 0;
    QString family;
    double size = 10; // points; a number too wide for its item is drawn smaller
    bool bold = false;
    bool wrap = false;
    double penWidth = 0.2;
    // The text as it fits its box, one entry a line (wrapped or cut with "…";
    // "#" across the box for a number too wide even at the smallest size);
    // empty: the text as it is, on one line.
    QStringList lines;
};

struct LaidPage {
    QList<LaidItem> items;
    // The texts of the page in drawing order (tests and searches).
    QStringList texts() const;
};

struct ReportLayout {
    QString name;            // the template's file name
    QSizeF pageSize;         // millimetres
    QList<LaidPage> pages;
};

// Reads the rows a template needs through db (the open data file). Throws
// ReportError when the template names a table or column the file lacks.
ReportRows ReadReportRows(const ReportTemplate& tpl, Database& db);

// The smallest size, in points, a number is drawn at to fit its item.
extern const double kReportNumberFloorPt;

// Lays the rows out in pages. formulas has lower-case names. Throws
// ReportError for a formula the template uses that is neither given nor
// declared with a default.
ReportLayout LayoutReport(const ReportTemplate& tpl, const ReportRows& rows, const QMap<QString, QString>& formulas);

// A text item as PaintReportPage draws it: its font (a Latin face before the
// CJK face), its rectangle, the alignment flags and the text broken into
// lines, in the fine units texts are laid out in; mmPerUnit turns them into
// millimetres.
struct ShownReportText {
    QFont font;
    QRectF rect;
    int flags = 0;
    QString text;
    double mmPerUnit = 1;
};
ShownReportText ShowReportText(const LaidItem& item);

// The one painting path of reports: preview, printer and PDF all draw pages here.
// pxPerMm is the device units per millimetre.
void PaintReportPage(QPainter& painter, const LaidPage& page, double pxPerMm);
// A page drawn on a white image at dpi dots an inch; a page past the last
// is blank paper.
QImage RenderReportPage(const ReportLayout& layout, int page, double dpi);
