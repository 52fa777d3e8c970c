#pragma once
#include "data/qt_print.h"
#include "support/ledger_check.h"
#include "support/window_test.h"

#include "accounts/entry_grid.h"
#include "accounts/kuanhz.h"
#include "accounts/kuanmx.h"
#include "accounts/paylst.h"
#include "accounts/zhlst.h"
#include "data/database.h"
#include "data/globals.h"
#include "data/ledger.h"
#include "data/posting.h"
#include "data/sqltext.h"
#include "dialogs/error_boundary.h"
#include "dialogs/prnt.h"
#include "platform/cell_editor.h"
#include "platform/flexgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

// The ledger windows on a fresh data file with seeded customers and
// channels; new document numbers come from a fixed clock, prints go to the
// report host's preview.
class AccountsTest : public WindowTest {
protected:
    AccountsTest() { strictResponders = true; }

    void SetUp() override
    {
        WindowTest::SetUp();
        ReportControl::SetPrinterLookup([] { return QString(); });
        SetDocNoClock([] { return QDateTime(QDate(2024, 3, 10), QTime(9, 5, 7)); });
    }
    void TearDown() override
    {
        delete Prnt::Loaded();
        ReportControl::SetPrinterLookup({});
        SetDocNoClock({});
        WindowTest::TearDown();
    }

    static void customer(const QString& code, const QString& name)
    {
        Db().execute("insert into M03 (F1,F2) values (" + SqlQuote(code) + "," + SqlQuote(name) + ")");
    }
    static void channel(const QString& code, const QString& name)
    {
        Db().execute("insert into M01 (F1,F2) values (" + SqlQuote(code) + "," + SqlQuote(name) + ")");
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

    // --- the ledgers

    static void setPeriod(LedgerReport* w, const QString& from, const QString& to)
    {
        w->findChild<QDateEdit*>("DTP(0)")->setDate(QDate::fromString(from, Qt::ISODate));
        w->findChild<QDateEdit*>("DTP(1)")->setDate(QDate::fromString(to, Qt::ISODate));
    }
    static void run(LedgerReport* w, const QString& from, const QString& to, const QString& party = {})
    {
        setPeriod(w, from, to);
        w->findChild<QComboBox*>("Cmb")->setEditText(party);
        w->findChild<QPushButton*>("Cmd")->click();
    }
    // Every grid row from row 1, its cells joined by "|".
    static QStringList gridLines(FlexGrid* g)
    {
        QStringList out;
        for (int r = 1; r < g->rows(); ++r)
            out << g->rowTexts(r).join('|');
        return out;
    }
    static QStringList scratch(const QString& table, const QString& cols)
    {
        QStringList out;
        const RecordSet rs = Db().openRecordset("select " + cols + " from " + table + " order by rowid");
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < rs.fieldCount(); ++c)
                cells << rs.at(r, c).toString();
            out << cells.join('|');
        }
        return out;
    }
    static const ReportLayout* preview()
    {
        Prnt* host = Prnt::Loaded();
        return host && host->preview() ? host->preview()->report() : nullptr;
    }
    static QMap<int, QString> formulas()
    {
        Prnt* host = Prnt::Loaded();
        return host ? host->Cry().formulas() : QMap<int, QString>();
    }
    static QString reportFile()
    {
        Prnt* host = Prnt::Loaded();
        return host ? QFileInfo(host->Cry().reportFileName()).fileName() : QString();
    }
    // Pictures for a look by eye, when ACCOUNTS_PNG_DIR names a folder.
    static void keepGrab(QWidget* w, const QString& name, bool resize = true)
    {
        const QByteArray dir = qgetenv("ACCOUNTS_PNG_DIR");
        if (dir.isEmpty())
            return;
        if (resize)
            w->resize(1100, 460);
        Pump();
        w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }
    static void keepPng(const QString& name)
    {
        const QByteArray dir = qgetenv("ACCOUNTS_PNG_DIR");
        if (!dir.isEmpty() && preview())
            RenderReportPage(*preview(), 0, 110).save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }
};
