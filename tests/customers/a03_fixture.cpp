#include "a03_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "dialogs/prnt.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"

#include <QLineEdit>
#include <QPushButton>

void A03Test::TearDown()
{
    // The report host outlives the window that printed.
    delete Prnt::Loaded();
    WindowTest::TearDown();
}

void A03Test::zone(const QString& code, const QString& name, const QString& scope, const QList<double>& prices)
{
    const QStringList names = {"P101", "P102", "P201", "P202", "P301", "P302", "P303", "P304", "P305", "P306",
                               "P307", "P308", "P309", "P310", "P311", "P312", "P313", "P314", "P315"};
    QStringList cols = {"F1", "F2", "F3", "F4"};
    QStringList vals = {SqlQuote(code), SqlQuote(name), SqlQuote(scope), SqlQuote("Zone " + code)};
    for (int i = 0; i < prices.size() && i < names.size(); ++i) {
        cols << names[i];
        vals << SqlNum(prices[i]);
    }
    Db().execute(QStringLiteral("insert into M02 (%1) values (%2)").arg(cols.join(','), vals.join(',')));
}

void A03Test::customer(const QString& code, const QString& name, const QString& salesman)
{
    Db().execute(QStringLiteral("insert into M03 (F1,F2,F8,P888) values (%1,%2,%3,1)")
                     .arg(SqlQuote(code), SqlQuote(name), SqlQuote(salesman)));
}

void A03Test::quote(const QString& customer, const QString& zone, const QList<double>& prices)
{
    QStringList cols = {"F0", "F1"};
    QStringList vals = {SqlQuote(customer), SqlQuote(zone)};
    for (int i = 0; i < prices.size(); ++i) {
        cols << QStringLiteral("F%1").arg(i + 2);
        vals << SqlNum(prices[i]);
    }
    Db().execute(QStringLiteral("insert into M031 (%1) values (%2)").arg(cols.join(','), vals.join(',')));
}

void A03Test::standard(const QList<double>& weights)
{
    Db().execute("delete from MS1");
    QStringList cols, vals;
    for (int i = 0; i < 19; ++i) {
        cols << QStringLiteral("F%1").arg(i + 1);
        vals << SqlNum(i < weights.size() ? weights[i] : 201);
    }
    Db().execute(QStringLiteral("insert into MS1 (%1,P888) values (%2,1)").arg(cols.join(','), vals.join(',')));
}

A03* A03Test::openA03()
{
    A03* w = open<A03>();
    w->resize(1100, 720);
    return w;
}

void A03Test::startAdd(A03* w, const QString& code, const QString& name)
{
    trigger(w, "Menu_Add");
    type(box(w, 0), code);
    box(w, 1)->setText(name);
}

void A03Test::addZone(A03* w, const QString& zone, const QString& factor, const char* button)
{
    named(w, "TxtHPBM")->setText(zone);
    named(w, "TxtSL")->setText(factor);
    click(w, button);
}

void A03Test::click(QWidget* w, const char* button)
{
    auto* b = w->findChild<QPushButton*>(button);
    ASSERT_NE(b, nullptr) << button;
    b->click();
}

QLineEdit* A03Test::named(QWidget* w, const QString& name)
{
    return w->findChild<QLineEdit*>(name);
}

QString A03Test::quoteRow(A03* w, int r, int n)
{
    return GridRowText(w->quoteGrid(), r, n);
}

void A03Test::scriptSearch(const QString& name)
{
    modal->on("Query", [name](QDialog& d) {
        auto& q = static_cast<Query&>(d);
        q.Txt->setText(name);
        q.addCondition();
        q.runQuery();
    });
}
