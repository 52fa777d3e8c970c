#pragma once
#include "support/qt_print.h"
#include "support/table_text.h"
#include "support/window_test.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "dialogs/prnt.h"
#include "dialogs/report_window.h"
#include "platform/flexgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QVariantMap>

// Report windows over seeded customers, channels and waybills; prints go to
// the report host's preview (this computer has no printer).
class ReportsTest : public WindowTest {
protected:
    ReportsTest() { strictResponders = true; }

    void SetUp() override
    {
        WindowTest::SetUp();
        ReportControl::SetPrinterLookup([] { return QString(); });
    }
    void TearDown() override
    {
        delete Prnt::Loaded();
        ReportControl::SetPrinterLookup({});
        WindowTest::TearDown();
    }

    static void customer(const QString& code, const QString& name, const QString& salesman = QString())
    {
        Db().execute("insert into M03 (F1,F2,F8) values (" + SqlQuote(code) + "," + SqlQuote(name) + "," +
                     SqlQuote(salesman) + ")");
    }
    static void channel(const QString& code, const QString& name)
    {
        Db().execute("insert into M01 (F1,F2) values (" + SqlQuote(code) + "," + SqlQuote(name) + ")");
    }
    // A waybill with its number, send date and sending customer; other
    // columns as given (an invalid QVariant stores Null).
    static void waybill(const QString& no, const QString& date, const QString& customer, const QVariantMap& more = {})
    {
        QStringList cols{"F1", "F101", "F603"};
        QStringList vals{SqlQuote(no), SqlQuote(date), SqlQuote(customer)};
        for (auto it = more.begin(); it != more.end(); ++it) {
            cols << it.key();
            const QVariant& v = it.value();
            if (!v.isValid())
                vals << "NULL";
            else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int)
                vals << SqlNum(v.toDouble());
            else
                vals << SqlQuote(v.toString());
        }
        Db().execute("insert into B01 (" + cols.join(',') + ") values (" + vals.join(',') + ")");
    }

    // Sets the pickers of a range window.
    static void setPeriod(QWidget* w, const QString& from, const QString& to)
    {
        w->findChild<QDateEdit*>("DTP(0)")->setDate(QDate::fromString(from, Qt::ISODate));
        w->findChild<QDateEdit*>("DTP(1)")->setDate(QDate::fromString(to, Qt::ISODate));
    }
    static void setParty(QWidget* w, const QString& text) { w->findChild<QComboBox*>("Cmb")->setEditText(text); }
    static void refresh(QWidget* w) { w->findChild<QPushButton*>("Cmd")->click(); }

    // Rows of a scratch table in insertion order, the given columns joined by "|".
    static QStringList scratch(const QString& table, const QString& cols)
    {
        return Records("select " + cols + " from " + table + " order by rowid");
    }
    // The host's report: its template name, formulas and the texts of page 1.
    static const ReportLayout* preview()
    {
        Prnt* host = Prnt::Loaded();
        return host && host->preview() ? host->preview()->report() : nullptr;
    }
    // The texts that page 1 of the host's preview does not show (all of them
    // when there is no preview).
    static QStringList missingOnPage(const QStringList& texts)
    {
        const QStringList page = PreviewPageTexts();
        QStringList missing;
        for (const QString& text : texts)
            if (!page.contains(text))
                missing << text;
        return missing;
    }
    static QStringList formulas()
    {
        Prnt* host = Prnt::Loaded();
        return host ? host->Cry().formulas().values() : QStringList();
    }
    static QString reportFile()
    {
        Prnt* host = Prnt::Loaded();
        return host ? QFileInfo(host->Cry().reportFileName()).fileName() : QString();
    }
    // Saves the window as name.png when REPORT_PNG_DIR is set.
    static void keepGrab(QWidget* w, const QString& name)
    {
        const QByteArray dir = qgetenv("REPORT_PNG_DIR");
        if (dir.isEmpty())
            return;
        w->resize(1000, 420);
        Pump();
        w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }
    // Saves page 1 of the preview as name.png when REPORT_PNG_DIR is set.
    static void keepPng(const QString& name)
    {
        const QByteArray dir = qgetenv("REPORT_PNG_DIR");
        if (!dir.isEmpty() && preview())
            RenderReportPage(*preview(), 0, 110).save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }
};
