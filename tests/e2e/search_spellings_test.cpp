// A name stored with "’" for "'" is found by the name typed with "'", in every
// window that searches such names; a column stored as typed is searched as typed.
#include "support/table_text.h"
#include "support/window_test.h"

#include "accounts/zhlst.h"
#include "customers/a03.h"
#include "data/database.h"
#include "data/globals.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "pricing/a01.h"
#include "pricing/a011.h"
#include "waybills/b01.h"

#include <QComboBox>
#include <QLineEdit>
#include <functional>

class SearchSpellingsTest : public WindowTest {
protected:
    SearchSpellingsTest() { strictResponders = true; }
};

TEST_F(SearchSpellingsTest, ANameTypedWithAQuoteFindsTheNameStoredWithTheCurlyOne)
{
    for (const char* sql : {"insert into M01 (F1,F2) values ('A','O’Brien Air'),('B','Brien Air')",
                            "insert into M011 (F1,F2,F3) values ('ZA','华东','A'),('ZB','华南','B')",
                            "insert into M03 (F1,F2,F9) values ('C1','O’Brien Air','Bob''s'),('C2','Brien Air','Bob’s')",
                            "insert into B01 (F1,F101,F603) values ('W1','2024-03-01','C1'),('W2','2024-03-01','C2')",
                            "insert into TB1 (F1,LB,F2,F3,SN) values ('D1',-9,'2024-03-01','O’Brien Air',1),"
                            "('D2',-9,'2024-03-01','Brien Air',2)"})
        Db().execute(QString::fromUtf8(sql));
    const std::function<QWidget*()> a01 = [this] { return open<A01>(); }, a03 = [this] { return open<A03>(); };
    const struct {
        std::function<QWidget*()> open;
        int field, relation; // in the search dialog; relation 0 "=", 1 "包含"
        QString typed, found;
        int keyCol;
        const char* index; // the plan's look-up for "=" where the column's own table leads
    } cases[] = {
        {a01, 1, 0, "O'Brien Air", "A", 0, "(F2=?)"},
        {a01, 1, 1, "'brien", "A", 0, ""},
        {[this] { return open<A011>(); }, 0, 0, "O'Brien Air", "ZA", 1, ""},
        {a03, 1, 0, "O'Brien Air", "C1", 0, "(F2=?)"},
        {a03, 10, 0, "Bob's", "C1", 0, ""}, // the remark as typed: Bob’s is another text
        {[this] { return open<B01>(); }, 5, 1, "'brien", "W1", 0, ""},
        {[this] { return open<zhLst>(-9); }, 2, 0, "O'Brien Air", "D1", 0, "(F3=?)"},
    };
    for (const auto& c : cases) {
        QWidget* w = c.open();
        QString sql;
        modal->on("Query", [&](QDialog& d) {
            auto& q = static_cast<Query&>(d);
            q.CmbF->setCurrentIndex(c.field);
            q.CmbGX->setCurrentIndex(c.relation);
            q.Txt->setText(c.typed);
            q.addCondition();
            sql = q.statement();
            q.runQuery();
        });
        trigger(w, "Menu_query");
        EXPECT_EQ(grid(w)->rows(), 2) << sql.toStdString();
        EXPECT_EQ(grid(w)->textMatrix(1, c.keyCol), c.found) << sql.toStdString();
        if (*c.index) {
            EXPECT_TRUE(Records("EXPLAIN QUERY PLAN " + sql).join(' ').contains(c.index)) << sql.toStdString();
        }
    }
}
