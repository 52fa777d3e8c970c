#pragma once
#include "platform/mainhost.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class FlexGrid;
class QAction;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QPushButton;
class RecordSet;

// What a print hands to the report host: the scratch table with its rows
// (written in one transaction, every value bound), the template in the
// program folder and the formulas "name='value'" in order (formula i is
// formulas[i]; an empty entry leaves that index unset). A window that words
// its own missing-template message gives it; otherwise the host's wording
// "报表文件<name>丢失!" is used.
struct ReportPrintJob {
    QString table;
    QStringList columns;
    QList<QStringList> rows;
    QString templateName;
    QStringList formulas;
    QString missingTemplateMessage = {};
};

// A formula of a print job: its name, "=" and its value between single
// quotes, the value as it stands: ReportFormula("rq", "2024-05-01") gives
// "rq='2024-05-01'".
QString ReportFormula(const QString& name, const QString& value);

// Checks the template, fills the scratch table and has the report host
// preview the template over it. A missing template is told before anything
// is written, so the scratch table keeps the last print's rows. A refused
// statement or a failing report is shown with the engine's text; false then.
// The wait cursor is up throughout, the normal pointer over a box and after.
bool PrintThroughHost(const ReportPrintJob& job);

// The default period of a report opened on `today`: it ends yesterday (today
// on the 1st of a month) and starts on the same day of the month before,
// brought back to that month's last day when it is shorter (31 March gives
// 28/29 February), the year going back in January.
struct ReportPeriod {
    QDate start;
    QDate end;
};
ReportPeriod DefaultReportPeriod(const QDate& today);

// Width in twips of a sized column for a window `innerTwips` wide: w / k - d,
// rounded to the nearest whole number (halves to the even one), never below 0.
int ReportColumnWidth(int innerTwips, int divisor, int subtrahend);

// The report window: a filter bar `Frm` with the dates (`DTP(0)` "至"
// `DTP(1)`, or one `DTP` after a caption) and optionally a party (`Label2`,
// the editable list `Cmb` of "code.name"), the refresh `Cmd` "刷新数据" that
// runs one statement into the grid `GD` whose last row holds the totals of
// the summed columns, the current row selected across the grid with the
// record counter in panel 4 of the main window, the layout rule on every
// resize, print through a scratch table and the report host, export of the
// grid, return.
//
// A report configures it in its constructor and fills in the hooks:
//
//     C02::C02() : ReportWindow("C02", "对帐明细表")
//     {
//         setParty(CustomerParty());
//         setColumns({"日期", "运单号", ...}, {4, 9});
//         setColumnRule(10, 30, 10);
//         addExportCommand("Menu_Texcel");
//         addPrintCommand();
//         addReturnCommand();
//     }
//     QString C02::refreshSql() const { return "select ... f603=" + SqlQuote(curCode()); }
//     ReportPrintJob C02::printJob() const { return {"PRNTC023", ..., gridRows({0, 1, 2, 3, 4, 9}), ...}; }
class ReportWindow : public ChildWindow {
    Q_OBJECT
public:
    // The party list of a report.
    struct Party {
        QString label;          // caption of Label2, "客户："
        QString listSql;        // code and name, in code order
        QString emptyMessage;   // the list's text is blank
        QString invalidMessage; // the code "NoFound"
    };

    // The load step: the party list, the empty grid, the default dates.
    void formLoad() override;

    // The party code of the list's text ("" after telling the operator that
    // the text is blank): the text before its first ".", or the whole text.
    QString GetCode();
    // The refresh: checks the party, runs the statement, fills the grid.
    void Cmd_Click();
    // The header row and one empty row.
    void SetupGrid();
    // Selects the current row and writes the counter (or the hint).
    void ShowPosition();
    // "无数据可打印" for an empty grid, otherwise prints printJob().
    virtual void Menu_P_Click();
    void Menu_ToExcel_Click();
    void menu_R_Click();

    // The party code of the last accepted refresh; "" before one.
    const QString& curCode() const { return m_curCode; }
    // The dates as the pickers show them now; a single date is both.
    QDate startDate() const;
    QDate endDate() const;
    QString startText() const;
    QString endText() const;
    FlexGrid* grid() const { return GD; }
    // Nothing listed: the first cell of row 1 is empty.
    bool gridIsEmpty() const;

protected:
    ReportWindow(const QString& name, const QString& caption, QWidget* parent = nullptr);

    // --- configuration, from the report's constructor
    void setParty(const Party& party);
    // One date picker `DTP` after the caption (Label1), instead of a range.
    void setSingleDate(const QString& caption);
    void setColumns(const QStringList& headers, const QList<int>& summed);
    // Layout: columns 0..sized-1 get ReportColumnWidth(w, divisor, subtrahend),
    // then the hidden ones 0; the others keep their width.
    void setColumnRule(int divisor, int subtrahend, int sized, const QList<int>& hidden = {});
    // The selection runs from column 0 to this one (default: the last).
    void setLastSelectedCol(int col) { m_lastSelCol = col; }
    // The commands, in the order the report adds them.
    QAction* addExportCommand(const QString& objectName = QStringLiteral("Menu_ToExcel"));
    QAction* addPrintCommand(const QString& caption = QStringLiteral("&P.打印报表"),
                             const QString& objectName = QStringLiteral("Menu_P"));
    QAction* addReturnCommand();

    // --- hooks
    // The statement of a refresh; curCode() and the dates are set.
    virtual QString refreshSql() const = 0;
    // The cells of one data row from record `record`; field c into column c by default.
    virtual void fillRow(const RecordSet& rs, int record, QString* cells) const;
    // Text of a summed column in the totals row; the plain number by default.
    virtual QString totalText(int col, double sum) const;
    // What Menu_P_Click prints.
    virtual ReportPrintJob printJob() const { return {}; }

    // The texts of the given columns of rows 1..last, the totals row included.
    QList<QStringList> gridRows(const QList<int>& cols) const;
    // The empty-grid refusal shared by every print command; true when refused.
    bool refuseEmptyPrint() const;

    void resizeEvent(QResizeEvent* event) override;

    QFrame* Frm;
    QDateEdit* DTP0;   // "DTP(0)", or "DTP" for a single date
    QDateEdit* DTP1;   // "DTP(1)"; none for a single date
    QLabel* Label1;
    QLabel* Label2;
    QComboBox* Cmb;
    QPushButton* Cmd;
    FlexGrid* GD;

private:
    void fillGrid();
    void applyLayout();
    void selectRowCells();

    Party m_party;
    bool m_hasParty = false;
    bool m_singleDate = false;
    QStringList m_headers;
    QList<int> m_summed;
    int m_divisor = 1;
    int m_subtrahend = 0;
    int m_sized = 0;
    QList<int> m_hidden;
    int m_lastSelCol = -1;
    QString m_curCode;
};
