#pragma once
#include "reports/reports_fixture.h"
#include "support/ledger_check.h"

#include "accounts/entry_grid.h"
#include "accounts/kuanhz.h"
#include "accounts/kuanmx.h"
#include "accounts/paylst.h"
#include "accounts/zhlst.h"
#include "data/balance_rewriter.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "dialogs/error_boundary.h"
#include "dialogs/toexcel.h"
#include "platform/cell_editor.h"

// The ledger windows as the report windows are tested (seeded customers
// and channels, prints into the report host's preview, pictures in
// REPORT_PNG_DIR); new document numbers come from a fixed clock.
class AccountsTest : public ReportsTest {
protected:
    void SetUp() override
    {
        ReportsTest::SetUp();
        SetDocNoClock([] { return QDateTime(QDate(2024, 3, 10), QTime(9, 5, 7)); });
    }
    void TearDown() override
    {
        SetDocNoClock({});
        ReportsTest::TearDown();
    }

    // A ledger row as another window would have left it.
    static void ledgerRow(const QString& no, int lb, const QString& date, const QString& party, double sn, double yf,
                          double fk, const QString& f6 = "管理员", int k = 0)
    {
        Db().execute("insert into TB1 (F1,LB,F2,F3,SN,YF,FK,QC,QM,F5,F6,K,S2) values (" + SqlQuote(no) + "," +
                     SqlNum(lb) + "," + SqlQuote(date) + "," + SqlQuote(party) + "," + SqlNum(sn) + "," +
                     SqlNum(yf) + "," + SqlNum(fk) + ",0,0,'管理员'," + SqlQuote(f6) + "," + SqlNum(k) + ",'')");
    }

    // --- the entry grid, driven as the operator drives it

    static QWidget* cellEditor(LedgerEntryWindow* w) { return w->editor()->widget(); }
    // Where typed keys go in the open editor.
    static QWidget* typingTarget(LedgerEntryWindow* w)
    {
        QWidget* e = cellEditor(w);
        if (auto* cb = qobject_cast<QComboBox*>(e))
            return cb->lineEdit();
        return e;
    }
    // Replaces the open editor's text by typing, as over a selected text.
    static void typeCell(LedgerEntryWindow* w, const QString& text)
    {
        QWidget* t = typingTarget(w);
        ASSERT_NE(t, nullptr) << "no editor open";
        if (auto* line = qobject_cast<QLineEdit*>(t))
            line->selectAll();
        if (text.isEmpty())
            pressKey(t, Qt::Key_Backspace);
        type(t, text);
    }
    static void enter(LedgerEntryWindow* w)
    {
        QWidget* t = typingTarget(w);
        ASSERT_NE(t, nullptr) << "no editor open";
        pressKey(t, Qt::Key_Return);
    }
    // Types one row from its number cell through its remark, Enter after each
    // cell; an empty number keeps the one the window gave.
    static void typeRow(LedgerEntryWindow* w, const QString& number, const QString& date, const QString& party,
                        const QString& amount, const QString& handler = {}, const QString& remark = {})
    {
        if (!number.isEmpty())
            typeCell(w, number);
        enter(w);
        for (const QString& text : {date, party, amount, handler, remark}) {
            typeCell(w, text);
            enter(w);
        }
    }
    // Adds and saves one entry.
    static void post(LedgerEntryWindow* w, const QString& number, const QString& date, const QString& party,
                     double amount)
    {
        trigger(w, "Menu_Add");
        typeRow(w, number, date, party, SqlNum(amount));
        trigger(w, "Menu_save");
    }
    // Clicks a cell as the mouse would.
    static void clickCell(LedgerEntryWindow* w, int row, int col)
    {
        w->grid()->setRow(row);
        w->grid()->setCol(col);
        w->GD_Click();
    }
    // The grid row of a document number, or -1.
    static int rowOf(LedgerEntryWindow* w, const QString& number)
    {
        for (int r = 1; r < w->grid()->rows(); ++r)
            if (w->grid()->textMatrix(r, 0) == number)
                return r;
        return -1;
    }

    // TB1 rows as "F1 SN QC/QM" in sequence order.
    static QStringList chain(const QString& where = "1=1")
    {
        QStringList out;
        const RecordSet rs = Db().openRecordset("select F1,SN,QC,QM from TB1 where " + where + " order by SN");
        for (int r = 0; r < rs.recordCount(); ++r)
            out << rs.at(r, 0).toString() + " " + rs.at(r, 1).toString() + " " + rs.at(r, 2).toString() + "/" +
                       rs.at(r, 3).toString();
        return out;
    }

    // A query as the operator runs it: period, party, "生成报表".
    static void run(LedgerReport* w, const QString& from, const QString& to, const QString& party = {})
    {
        setPeriod(w, from, to);
        setParty(w, party);
        refresh(w);
    }
    // The grid "&T.导出" hands to the export dialog (which is then cancelled).
    FlexGrid* exportedGrid(QWidget* w)
    {
        FlexGrid* exported = nullptr;
        modal->on("ToExcel", [&](QDialog& d) {
            exported = static_cast<ToExcel&>(d).Sgd;
            d.reject();
        });
        trigger(w, "Menu_TE");
        return exported;
    }
    // The report control's formulas by their index.
    static QMap<int, QString> formulaMap()
    {
        Prnt* host = Prnt::Loaded();
        return host ? host->Cry().formulas() : QMap<int, QString>();
    }
};
