#include "pricing_fixture.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "dialogs/listframe.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "pricing/place_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

void PricingTest::channel(const QString& code, const QString& name, const QList<double>& standard)
{
    QStringList cols = {"F1", "F2"}, vals = {SqlQuote(code), SqlQuote(name)};
    const QStringList names = {"D0", "D1", "S0", "S1", "JFD", "J0", "J1", "J2", "J3", "J4", "J5", "J6", "J7", "J8", "J9"};
    for (int i = 0; i < standard.size() && i < names.size(); ++i) {
        cols << names[i];
        vals << SqlNum(standard[i]);
    }
    Db().execute(QStringLiteral("insert into M01 (%1) values (%2)").arg(cols.join(','), vals.join(',')));
}

void PricingTest::zone(const QString& code, const QString& name, const QString& scope)
{
    Db().execute(QStringLiteral("insert into M02 (F1,F2,F3,F4,F6,P101,P301) values (%1,%2,%3,%4,3,10,7)")
                     .arg(SqlQuote(code), SqlQuote(name), SqlQuote(scope), SqlQuote("Zone " + code)));
}

void PricingTest::channelZone(const QString& code, const QString& name, const QString& channelCode, double segments)
{
    Db().execute(QStringLiteral("insert into M011 (F1,F2,F3,F4,F6,P101,P300,P3,A30,A31) values (%1,%2,%3,%4,2,12,8,%5,True,False)")
                     .arg(SqlQuote(code), SqlQuote(name), SqlQuote(channelCode), SqlQuote("Zone " + code), SqlNum(segments)));
}

void PricingTest::place(const QString& table, const QString& zone, const QString& zh, const QString& en)
{
    Db().execute(QStringLiteral("insert into %1 (F0,F1,F2,F8) values (%2,%3,%4,'')").arg(table, SqlQuote(zone), SqlQuote(zh), SqlQuote(en)));
}

void PricingTest::waybill(const QString& no, const QString& column, const QString& value)
{
    Db().execute(QStringLiteral("insert into B01 (F1,%1) values (%2,%3)").arg(column, SqlQuote(no), SqlQuote(value)));
}

QLabel* PricingTest::lab(QWidget* w, const QString& name)
{
    return w->findChild<QLabel*>(name);
}

QLabel* PricingTest::lab(QWidget* w, int k)
{
    return w->findChild<QLabel*>(QStringLiteral("Lab(%1)").arg(k));
}

QComboBox* PricingTest::combo(QWidget* w, const QString& name)
{
    return w->findChild<QComboBox*>(name);
}

QCheckBox* PricingTest::check(QWidget* w, int k)
{
    return w->findChild<QCheckBox*>(QStringLiteral("Chk(%1)").arg(k));
}

QString PricingTest::gridRow(QWidget* w, int r, int n)
{
    return GridRowText(grid(w), r, n);
}

void PricingTest::set(QWidget* w, int k, const QString& text)
{
    box(w, k)->setText(text);
}

void PricingTest::activate(QWidget* w)
{
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    Pump();
}

void PricingTest::addPlace(PlaceEditor* ed, const QString& zh, const QString& en)
{
    ed->Txt[0]->setText(zh);
    ed->Txt[1]->setText(en);
    ed->Txt[2]->clear();
    ed->Cmd_Click(PlaceEditor::kAdd);
}

void PricingTest::refuseInserts(const QString& table)
{
    Db().executeNative(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                           .arg(table));
}

void PricingTest::expectRefusedSave(ListFrame* w, const QString& message, int mode)
{
    msgs->expect(message);
    trigger(w, "Menu_save");
    EXPECT_EQ(w->editMode(), mode) << message.toStdString();
}

PricingTest::SearchOffer PricingTest::search(ListFrame* w, const std::function<void(Query&)>& then)
{
    SearchOffer offer;
    modal->on("Query", [&](QDialog& d) {
        auto& q = static_cast<Query&>(d);
        for (int i = 0; i < q.CmbF->count(); ++i)
            offer.captions << q.CmbF->itemText(i);
        offer.start = q.CmbF->currentIndex();
        if (then)
            then(q);
        else
            q.cancel();
    });
    trigger(w, "Menu_query");
    return offer;
}
