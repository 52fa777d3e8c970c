#pragma once
#include "platform/mainhost.h"

#include <QDate>
#include <QString>
#include <QStringList>

class FlexGrid;
class QAction;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordSet;

// What the two ledgers of one side share: the filter bar `Frm` ("由" `DTP(0)`
// "至" `DTP(1)`, the party label `LabDW`, the party list `Cmb` of names with
// "所有关系单位" first, the filter `Txt` of the last query under it, "生成报表"
// `Cmd`), the grid `GD`, the busy panel `cancelfrm` with `CmdCancel`, the
// menus from "&S.排序" to "&R.返回", the record counter and the export.
//
// Both ledgers select the same rows: entries of the side (LB > 0 payables,
// LB < 0 receivables) with an operator (F6), K = 0, dated within the period,
// both days included, and of the party when one is given (a LIKE pattern),
// in party and sequence order. Each ledger lays them out in its own way.
class LedgerReport : public ChildWindow {
    Q_OBJECT
public:
    // The side: 10 payables (channels), -10 receivables (customers).
    int LB = 10;

    // Shown for the other side while open, the window is set up anew.
    void openAs(int lb, const QString& caption) override;
    // The party list, the default period and the first query.
    void formLoad() override;

    void FillPartyList();
    // "生成报表": the party filter from the list's text, then the query.
    void Cmd_Click();
    void ShowBusy();
    void CmdCancel_Click();
    // The record counter in panel 4 of the main window.
    void ShowPosition();
    virtual void Menu_print_Click() = 0;
    void Menu_TE_Click();
    void Menu_Return_Click();

    FlexGrid* grid() const { return GD; }
    QString fromText() const;
    QString toText() const;
    // "付" on the payable side, "收" on the receivable side.
    QString sideWord() const;

protected:
    LedgerReport(const QString& name, int lb, QWidget* parent);

    // --- what each ledger gives
    virtual QDate defaultFrom(const QDate& today) const = 0;
    // The select list and table up to "WHERE TB1.LB", the side's test follows.
    virtual QString selectHead() const = 0;
    // The ten column headers.
    virtual QStringList headers() const = 0;
    // The grid from the rows of the query (at least one).
    virtual void fillFrom(const RecordSet& rs) = 0;
    // Column widths for a grid `gridTwips` wide.
    virtual void sizeColumns(int gridTwips) = 0;
    // The caption a window opened without one shows.
    virtual QString defaultCaption() const = 0;

    // The header row and one empty row.
    void SetupGrid();
    // The statement of a query with the current period and filter.
    QString ledgerSql() const;
    // Whether a cleaned filter text is one of the party names in the list.
    bool isListedParty(const QString& cleaned) const;
    void resizeEvent(QResizeEvent* event) override;
    // The bar's party label as the headers use it.
    QString partyCaption() const;

    QFrame* Frm;
    QLabel* Labe0;
    QDateEdit* DTP0;
    QLabel* Labe1;
    QDateEdit* DTP1;
    QLabel* LabDW;
    QComboBox* Cmb;
    QLineEdit* Txt;
    QPushButton* Cmd;
    FlexGrid* GD;
    QPushButton* cancelfrm;
    QPushButton* CmdCancel;
    QAction* Menu_Sort;
    QAction* Menu_M;
    QAction* Menu_TE;
    QAction* Menu_print;
    QAction* Menu_Return;

private:
    void FillLedger();
    void applyLayout();

    bool m_loaded = false;
};

// The text of a money cell: "#0.00".
QString MoneyText(double x);
// Whether two party names are one party as the ledger compares them (F3
// ignores the case of ASCII letters).
bool SameParty(const QString& a, const QString& b);
