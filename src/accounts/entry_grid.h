#pragma once
#include "platform/mainhost.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class FlexCellEditor;
class FlexGrid;
class QAction;
struct LedgerEntry;
struct LedgerKind;
struct LedgerRowKey;

// A document number made from the clock: the prefix, then the year's last
// two digits, month, day, hour, minute and second, two digits each
// ("YF061210090507" at 2006-12-10 09:05:07).
QString MakeDocNo(const QString& prefix, const QDateTime& at);

// Where new document numbers take their time from; an empty function
// restores the system clock (tests set a fixed time).
void SetDocNoClock(std::function<QDateTime()> clock);

// The entry grid shared by the debt entry (zhLst) and the payment entry
// (PayLst): one ledger entry per grid row, typed straight into the grid
// `GD` through in-cell editors, several new rows per save.
//
// Columns: 0 document number, 1 date (a list of the last 61 days), 2 party
// (a list of the side's names), 3 and 4 hidden and never stored, 5 amount,
// 6 handler, 7 maker (the operator, never edited), 8 remark, 9 the hidden
// sequence number. Browse mode lists the entries of the window's kind; "增加"
// adds rows below the list, "修改" edits the current row; "保存" posts every
// new row, or the edited one, through the ledger posting service in one
// transaction, so every touched party's balances hold afterwards.
class LedgerEntryWindow : public ChildWindow {
    Q_OBJECT
public:
    // The kind entered: 9/-9 in zhLst, 10/-10 in PayLst.
    int LB;
    // 0 browse, 1 adding, 2 editing.
    int Edstu = 0;
    // The search dialog's statement.
    QString PubSql;

    // Shown for the other kind while open, the window is set up anew for
    // it; while adding or editing it first asks whether the typed rows may go.
    void openAs(int lb, const QString& caption) override;
    void formLoad() override;

    void SetupGrid();
    // Lists the rows of a statement; a statement other than the last one is
    // completed with the window's kind and the sequence order first.
    void FillGrid(QString& sql);
    void ShowPosition();
    void FillEditorLists();
    // A new number for the window's prefix, moved on a second at a time past
    // numbers the ledger or the grid already holds; "" when the ledger could
    // not be asked.
    QString NewDocNo() const;
    // Whether a ledger entry has this number; false when the ledger could not
    // be asked (the failure shown).
    bool numberStored(const QString& number, bool& stored) const;
    void ShowCellEditor();
    void BeginEdit();
    void EndEdit();

    // A click in the grid (or the program moving to a cell): in adding or
    // editing mode the editor of the chosen cell, where it may be chosen.
    void GD_Click();
    void GD_RowColChange();

    void Menu_Add_Click();
    void Menu_edit_Click();
    void Menu_del_Click();
    void Menu_query_Click();
    void Menu_save_Click();
    void Menu_cancel_Click();
    void Menu_TE_Click();
    void Menu_Return_Click();

    FlexGrid* grid() const { return GD; }
    FlexCellEditor* editor() const;
    int currentRow() const { return m_curRow; }
    int listedCount() const { return m_count; }
    const QString& lastSql() const { return m_lastSql; }
    const LedgerKind& kind() const;

protected:
    LedgerEntryWindow(const QString& name, int lb, QWidget* parent);

    // The ten column headers for the window's kind.
    virtual QStringList headers() const = 0;

    void resizeEvent(QResizeEvent* event) override;

    FlexGrid* GD;
    QAction* Menu_Add;
    QAction* Menu_edit;
    QAction* Menu_del;
    QAction* Menu_query;
    QAction* Menu_print;
    QAction* Menu_save;
    QAction* Menu_cancel;
    QAction* Menu_TE;
    QAction* Menu_Return;

private:
    void setUpForKind();
    QString listHead() const;
    QString openingSql() const;
    // Cells for a grid of `rows` rows, the headers in row 0.
    std::vector<QString> headedCells(int rows) const;
    void setUpEditor();
    // The cell an editor goes to when (row, col) is chosen; may number the row.
    void choose(int& row, int& col);
    bool commitCell(int row, int col, QString& text);
    void afterCommit(int row, int col, const QString& text);
    bool nextCell(int& row, int& col, bool back);
    void appendRow(const QString& number = QString());
    bool rowComplete(int row) const;
    bool rowIsBlankTail(int row) const;
    bool checkRow(int row);
    LedgerEntry entryOf(int row) const;
    // The stored entry a listed row shows: its number, its hidden sequence
    // number and the window's kind.
    LedgerRowKey keyOf(int row) const;
    // Refuses the first of numbers that a new entry may not take, as a
    // number in use is refused in its cell.
    bool numbersFree(const QStringList& numbers);
    void saveNew();
    void saveEdit();
    void sizeColumns();

    bool m_loaded = false;
    QString m_lastSql;
    int m_curRow = 1;
    int m_lastCol = 0;
    int m_count = 0;
    int m_anchor = 1;
    QString m_oldNumber;
    QString m_oldParty;
    double m_oldSn = 0;
    QStringList m_dates;
    QStringList m_parties;
    bool m_rowWent = false;     // a commit took its row out of the grid or emptied it
    bool m_numberTaken = false; // the last commit of a number accepted it
};
