#include "platform/flexgrid.h"
#include "data/globals.h"
#include "platform/mainhost.h"
#include "dialogs/query.h"
#include "support/testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

const QString kHead = "Select B01.* from B01 ";

// Records what the dialogs write into the status bar.
class PanelHost : public MainHost {
public:
    QString panels[5];
    void setPanelText(int panel, const QString& text) override { panels[panel] = text; }
    QString panelText(int panel) const override { return panels[panel]; }
    void setToolBarVisible(bool) override {}
    bool toolBarVisible() const override { return true; }
    QMdiArea* mdiArea() const override { return nullptr; }
    QWidget* hostWidget() override { return nullptr; }
    void showChild(QWidget*, bool) override {}
};

void key(QWidget* w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(w, &press);
}

class QueryTest : public DataTest {
protected:
    QueryTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        PubSql = "";
        q = std::make_unique<Query>();
        q->loader = &PubSql;
        q->SqlHeadstr = kHead;
        q->addField("运单号", "B01.F1", Query::TextField);
        q->addField("重量", "B01.F401", Query::NumberField);
        q->addField("日期", "B01.F101", Query::DateField);
        q->CmbF->setCurrentIndex(0);
        q->show();
        Db().execute("insert into B01 (F1,F101,F401) values ('A1','2024-03-04',3)");
        Db().execute("insert into B01 (F1,F101,F401) values ('A2','2024-03-05',3.5)");
        Db().execute("insert into B01 (F1,F101,F401) values ('O''Brien','2024-03-06',4)");
    }
    void TearDown() override
    {
        q.reset();
        DataTest::TearDown();
    }

    // One condition as the operator builds it.
    void add(int field, int relation, const QString& value, int connector = -1)
    {
        q->CmbF->setCurrentIndex(field);
        q->CmbGX->setCurrentIndex(relation);
        if (connector >= 0)
            q->CmbLG->setCurrentIndex(connector);
        if (q->DTP->isHidden())
            q->Txt->setText(value);
        else
            q->DTP->setDate(QDate::fromString(value, "yyyy-MM-dd"));
        q->CmdAdd->click();
    }

    QStringList found(const QString& sql)
    {
        QStringList out;
        RecordSet rs = Db().openRecordset(sql + " order by B01.F1");
        for (; !rs.eof(); rs.moveNext())
            out << rs.field("F1").toString();
        return out;
    }

    QString PubSql;
    std::unique_ptr<Query> q;
};

TEST_F(QueryTest, RelationsFollowTheFieldType)
{
    EXPECT_EQ(q->CmbLG->count(), 3);
    EXPECT_EQ(q->CmbLG->itemText(2), "排除");
    EXPECT_TRUE(q->CmbLG->isHidden());
    EXPECT_EQ(q->CmbGX->count(), 2);
    EXPECT_EQ(q->CmbGX->itemText(1), "包含(like)");
    q->CmbF->setCurrentIndex(1);
    EXPECT_EQ(q->CmbGX->count(), 3);
    EXPECT_EQ(q->CmbGX->currentText(), "大于(>)");
    EXPECT_FALSE(q->Txt->isHidden());
    q->CmbF->setCurrentIndex(2);
    EXPECT_TRUE(q->Txt->isHidden());
    EXPECT_FALSE(q->DTP->isHidden());
    EXPECT_EQ(q->DTP->date(), QDate::currentDate());
    EXPECT_EQ(q->CmbGX->itemText(2), "等于(=)");
}

TEST_F(QueryTest, FragmentsOfEachTypeAndWhatTheyFind)
{
    add(0, 0, "A1");
    EXPECT_EQ(q->Lst->item(0)->text(), "        运单号  等于     A1");
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F1 = 'A1'  ");
    EXPECT_FALSE(q->CmbLG->isHidden());
    q->CmdQuery->click();
    EXPECT_EQ(PubSql, kHead + " Where B01.F1 = 'A1'  ");
    EXPECT_EQ(found(PubSql), QStringList{"A1"});
    EXPECT_TRUE(q->isHidden());

    PubSql = "";
    q->addField("运单号", "B01.F1", Query::TextField);
    q->addField("重量", "B01.F401", Query::NumberField);
    q->addField("日期", "B01.F101", Query::DateField);
    q->show();
    EXPECT_EQ(q->Lst->count(), 0); // each showing starts afresh
    EXPECT_TRUE(q->CmbLG->isHidden());
    add(0, 1, "a"); // like, any case
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F1 like '*a*'  ");
    add(1, 0, "3.2kg", 0);
    EXPECT_EQ(q->Lst->item(1)->text(), "并且    重量  大于     3.2");
    EXPECT_EQ(q->LstSql->item(1)->text(), " And B01.F401 > 3.2");
    add(2, 1, "2024-03-06", 0);
    EXPECT_EQ(q->Lst->item(2)->text(), "并且    日期  小于     2024-03-06");
    EXPECT_EQ(q->LstSql->item(2)->text(), " And datediff('d','2024-03-06',B01.F101 ) < 0 ");
    q->CmdQuery->click();
    EXPECT_EQ(PubSql, kHead + " Where B01.F1 like '*a*'   And B01.F401 > 3.2 And datediff('d','2024-03-06',B01.F101 ) < 0 ");
    EXPECT_EQ(found(PubSql), QStringList{"A2"});
}

TEST_F(QueryTest, NumberAndDateEdges)
{
    add(1, 2, "abc"); // no number typed: 0
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F401 = 0");
    q->Lst->setCurrentRow(0);
    q->CmdRemove->click();
    add(2, 2, "2024-03-05");
    EXPECT_EQ(q->statement(), kHead + " Where datediff('d','2024-03-05',B01.F101 ) = 0 ");
    EXPECT_EQ(found(q->statement()), QStringList{"A2"});
    q->Lst->setCurrentRow(0);
    q->CmdRemove->click();
    add(2, 0, "2024-03-04");
    EXPECT_EQ(found(q->statement()), (QStringList{"A2", "O'Brien"}));
}

TEST_F(QueryTest, OrAndExcludeConnectors)
{
    add(0, 0, "A1");
    add(0, 0, "A2", 1);
    EXPECT_EQ(q->Lst->item(1)->text(), "或者    运单号  等于     A2");
    EXPECT_EQ(q->statement(), kHead + " Where B01.F1 = 'A1'   Or B01.F1 = 'A2'  ");
    EXPECT_EQ(found(q->statement()), (QStringList{"A1", "A2"}));
    add(0, 1, "1", 2);
    EXPECT_EQ(q->Lst->item(2)->text(), "排除    运单号  包含     1");
    EXPECT_EQ(q->LstSql->item(2)->text(), " AND Not B01.F1 like '*1*'  ");
    q->CmdQuery->click();
    EXPECT_EQ(PubSql, kHead + " Where B01.F1 = 'A1'   Or B01.F1 = 'A2'   AND Not B01.F1 like '*1*'  ");
    // No parentheses: the exclusion binds to the condition before it.
    EXPECT_EQ(found(PubSql), (QStringList{"A1", "A2"}));
}

TEST_F(QueryTest, ExcludeConnector)
{
    add(0, 1, "A");
    add(0, 1, "1", 2);
    EXPECT_EQ(q->statement(), kHead + " Where B01.F1 like '*A*'   AND Not B01.F1 like '*1*'  ");
    EXPECT_EQ(found(q->statement()), QStringList{"A2"});
}

TEST_F(QueryTest, RemovingConditions)
{
    add(0, 0, "A1");
    add(0, 0, "A2", 2);
    add(1, 0, "1", 1);
    q->Lst->setCurrentRow(1); // a middle line: the others stay as they were
    q->CmdRemove->click();
    ASSERT_EQ(q->Lst->count(), 2);
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F1 = 'A1'  ");
    EXPECT_EQ(q->LstSql->item(1)->text(), " Or B01.F401 > 1");
    EXPECT_EQ(q->Lst->currentRow(), 1);

    q->Lst->setCurrentRow(0); // the first: the next one opens the clause
    q->CmdRemove->click();
    EXPECT_EQ(q->Lst->item(0)->text(), "      重量  大于     1");
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F401 > 1");

    add(0, 0, "A1", 2);
    q->Lst->setCurrentRow(0);
    q->CmdRemove->click(); // an exclusion stays negated
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where Not B01.F1 = 'A1'  ");
    EXPECT_EQ(found(q->statement()), (QStringList{"A2", "O'Brien"}));

    q->Lst->clearSelection();
    q->Lst->setCurrentRow(-1);
    q->CmdRemove->click(); // nothing selected: nothing removed
    EXPECT_EQ(q->Lst->count(), 1);
    q->Lst->setCurrentRow(0);
    q->CmdRemove->click();
    EXPECT_EQ(q->Lst->count(), 0);
    EXPECT_TRUE(q->CmbLG->isHidden());
    add(0, 0, "A2"); // first again
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F1 = 'A2'  ");
}

TEST_F(QueryTest, NoConditionGivesTheBaseStatement)
{
    q->CmdQuery->click();
    EXPECT_EQ(PubSql, kHead);
}

TEST_F(QueryTest, CancelEscAndCloseBox)
{
    add(0, 0, "A1");
    PubSql = "unchanged";
    q->CmdCancel->click();
    EXPECT_EQ(PubSql, "");
    EXPECT_TRUE(q->isHidden());

    q->addField("运单号", "B01.F1", Query::TextField);
    q->show();
    add(0, 0, "A1");
    PubSql = "unchanged";
    key(q->Txt, Qt::Key_Escape);
    EXPECT_EQ(PubSql, "");
    EXPECT_TRUE(q->isHidden());

    q->addField("运单号", "B01.F1", Query::TextField);
    q->show();
    add(0, 0, "A1");
    PubSql = "";
    q->close(); // the close box writes nothing
    EXPECT_EQ(PubSql, "");
    EXPECT_TRUE(q->isHidden());
}

TEST_F(QueryTest, KeysAndHint)
{
    PanelHost host;
    SetMainHost(&host);
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(q->CmbF, &focus);
    EXPECT_EQ(host.panels[4], "Enter->增加条件   Ctrl+Enter->开始查找   Esc->取消");

    q->Txt->setText("A2");
    key(q->Txt, Qt::Key_Return); // Enter in the value box adds the condition
    ASSERT_EQ(q->LstSql->count(), 1);
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F1 = 'A2'  ");
    q->activateWindow();
    Pump(20);
    key(q->Lst, Qt::Key_Return); // Enter in the list goes back to the field
    EXPECT_TRUE(q->CmbF->hasFocus());
    key(q->CmbF, Qt::Key_Return); // Enter in a list box moves on
    EXPECT_TRUE(q->CmbGX->hasFocus());
    EXPECT_EQ(q->LstSql->count(), 1);
    key(q->CmbGX, Qt::Key_Return);
    EXPECT_TRUE(q->Txt->hasFocus());
    EXPECT_EQ(q->Txt->selectedText(), "A2"); // the value box selects what it holds
    // A date: Enter in the picker moves on to "增 加", where Enter adds.
    q->CmbF->setCurrentIndex(2);
    q->CmbGX->setCurrentIndex(2);
    q->DTP->setDate(QDate(2024, 3, 5));
    q->DTP->setFocus();
    key(q->DTP, Qt::Key_Return);
    EXPECT_TRUE(q->CmdAdd->hasFocus());
    key(q->CmdAdd, Qt::Key_Return);
    ASSERT_EQ(q->LstSql->count(), 2);
    EXPECT_EQ(q->LstSql->item(1)->text(), " And datediff('d','2024-03-05',B01.F101 ) = 0 ");
    q->CmbLG->setFocus();
    key(q->CmbLG, Qt::Key_Return);
    EXPECT_TRUE(q->CmbF->hasFocus());
    key(q->Lst, Qt::Key_Return, Qt::ControlModifier); // Ctrl+Enter from any control
    EXPECT_EQ(PubSql, kHead + " Where B01.F1 = 'A2'   And datediff('d','2024-03-05',B01.F101 ) = 0 ");
    EXPECT_EQ(host.panels[4], "");
    SetMainHost(nullptr);
}

TEST_F(QueryTest, QuoteInAValueFindsWhatItSays)
{
    add(0, 0, "O'Brien");
    EXPECT_EQ(q->Lst->item(0)->text(), "        运单号  等于     O'Brien");
    EXPECT_EQ(q->LstSql->item(0)->text(), " Where B01.F1 = 'O''Brien'  ");
    EXPECT_EQ(found(q->statement()), QStringList{"O'Brien"});
    add(0, 1, "'B", 1);
    EXPECT_EQ(found(q->statement()), QStringList{"O'Brien"});
}

TEST(QueryShared, OneInstance)
{
    EXPECT_EQ(&Query::shared(), &Query::shared());
    EXPECT_EQ(Query::shared().objectName(), "Query");
    EXPECT_EQ(Query::shared().windowTitle(), "查找条件");
}

} // namespace

TEST_F(QueryTest, LinesAndHeadingsLineUpByBlanks)
{
    add(0, 0, "A1");
    add(1, 0, "3", 1);
    GrabToPng(q.get(), "Query");
    // One Chinese character is two blanks wide, so a connector word and the
    // first line's blanks end at one place, and the heading is drawn alike.
    const QFontMetrics fm(q->Lst->font());
    const int blank = fm.horizontalAdvance(' ');
    ASSERT_GT(blank, 0);
    for (const QString word : {"或者", "项目", "运单号"})
        EXPECT_EQ(fm.horizontalAdvance(word), blank * 2 * int(word.size())) << word.toStdString();
    auto captionAt = [&](int line, const QString& caption) {
        const QString text = q->Lst->item(line)->text();
        return fm.horizontalAdvance(text.left(text.indexOf(caption)));
    };
    EXPECT_EQ(captionAt(1, "重量"), captionAt(0, "运单号"));
    EXPECT_EQ(q->CPT->font(), q->Lst->font());
    // Each heading word stands at the left of the control it names.
    const QStringList heading = {"项目", "关系", "值"};
    const QList<QWidget*> named = {q->CmbF, q->CmbGX, q->Txt};
    for (int i = 0; i < heading.size(); ++i) {
        const int at = q->CPT->x() + fm.horizontalAdvance(q->CPT->text().left(q->CPT->text().indexOf(heading[i])));
        EXPECT_EQ(named[i]->x(), at) << heading[i].toStdString();
    }
}
