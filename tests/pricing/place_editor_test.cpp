#include "support/testenv.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/sqltext.h"
#include "platform/flexgrid.h"
#include "platform/vb.h"
#include "pricing/place_editor.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

void Place(const QString& zone, const QString& zh, const QString& en = {}, const QString& remark = {})
{
    Db().execute(QStringLiteral("insert into M021 (F0,F1,F2,F8) values (%1,%2,%3,%4)")
                     .arg(SqlQuote(zone), SqlQuote(zh), SqlQuote(en), SqlQuote(remark)));
}

} // namespace

class PlaceEditorTest : public DataTest {
protected:
    PlaceEditorTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        host = std::make_unique<QWidget>();
        host->resize(640, 200);
        ed = new PlaceEditor("M021", host.get());
        ed->setGeometry(0, 0, 640, 180);
        ed->setZoneNames([this] { return std::make_pair(zoneZh, zoneEn); });
    }
    void TearDown() override
    {
        host.reset();
        DataTest::TearDown();
    }
    // The grid's rows below the header as "zh|en|remark".
    QStringList gridRows() const
    {
        QStringList out;
        for (int r = 1; r < ed->GDdq->rows(); ++r)
            out << ed->GDdq->rowTexts(r).join('|');
        return out;
    }
    void typeName(const QString& zh, const QString& en = {}, const QString& remark = {})
    {
        ed->Txt[PlaceEditor::kChineseName]->setText(zh);
        ed->Txt[PlaceEditor::kEnglishName]->setText(en);
        ed->Txt[PlaceEditor::kPlaceRemark]->setText(remark);
    }
    void activate()
    {
        host->show();
        QApplication::setActiveWindow(host.get());
        Pump();
    }

    std::unique_ptr<QWidget> host;
    PlaceEditor* ed = nullptr;
    QString zoneZh, zoneEn;
};

TEST_F(PlaceEditorTest, LoadListsTheZonesPlacesTrimmedFollowedByOneBlankRow)
{
    EXPECT_EQ(ed->title(), "包含地区");
    EXPECT_EQ(ed->GDdq->rowTexts(0), QStringList({"中文名称", "英文名称", "备注"}));
    EXPECT_EQ(gridRows(), QStringList({"||"}));
    Place("Z1", " 上海 ", "Shanghai", "r");
    Place("Z2", "北京");
    Place("Z1", "Xi'an", " Xi'an ");
    ed->LoadPlaceNames(" Z1 ");
    EXPECT_EQ(gridRows(), QStringList({"上海|Shanghai|r", "Xi'an|Xi'an|", "||"}));
    // Browse mode: the strip is hidden, a click on a row still fills its boxes.
    EXPECT_TRUE(ed->FrmEddq->isHidden());
    EXPECT_TRUE(ed->Cmd[PlaceEditor::kAdd]->isHidden());
    ed->GDdq->setRow(2);
    EXPECT_EQ(ed->Txt[PlaceEditor::kChineseName]->text(), "Xi'an");
    EXPECT_EQ(ed->Txt[PlaceEditor::kEnglishName]->text(), "Xi'an");
    ed->setEditing(true);
    EXPECT_FALSE(ed->FrmEddq->isHidden());
    EXPECT_EQ(ed->Txt[PlaceEditor::kChineseName]->text(), "");
}

TEST_F(PlaceEditorTest, AddRefusesANameTheGridHoldsComparingTrimmedAndCaseSensitive)
{
    Place("Z1", "上海");
    Place("Z1", "Paris");
    ed->LoadPlaceNames("Z1");
    ed->setEditing(true);
    struct Case {
        QString typed, message; // no message: added, or nothing at all for an empty name
        int rowsAfter;
    } cases[] = {
        {"上海", "已经录入了“上海”！", 4}, {" 上海 ", "已经录入了“上海”！", 4}, {"Paris", "已经录入了“Paris”！", 4},
        {"PARIS", "", 5}, {"  ", "", 5},
    };
    for (const Case& c : cases) {
        typeName(c.typed, "en", "note");
        if (!c.message.isEmpty())
            msgs->expect(c.message);
        ed->Cmd_Click(PlaceEditor::kAdd);
        EXPECT_EQ(ed->GDdq->rows(), c.rowsAfter) << c.typed.toStdString();
        if (!c.message.isEmpty()) { // the listed row is selected and loaded into the boxes
            EXPECT_EQ(ed->GDdq->textMatrix(ed->GDdq->row(), 0), TrimBlanks(c.typed));
            EXPECT_EQ(ed->Txt[PlaceEditor::kEnglishName]->text(), "");
        }
    }
    EXPECT_EQ(gridRows(), QStringList({"上海||", "Paris||", "PARIS|en|note", "||"}));
    EXPECT_EQ(ed->GDdq->row(), 3);
}

TEST_F(PlaceEditorTest, RemoveTakesTheFirstMatchingRowSilentlyOrSaysItIsNotListed)
{
    for (const auto& [zh, en] : {std::pair{"A", ""}, {"B", "b1"}, {"C", ""}, {"B", "b2"}})
        Place("Z1", zh, en);
    ed->LoadPlaceNames("Z1");
    ed->setEditing(true);
    typeName("B", "typed");
    ed->Cmd_Click(PlaceEditor::kRemove);
    EXPECT_EQ(gridRows(), QStringList({"A||", "C||", "B|b2|", "||"}));
    EXPECT_EQ(ed->Txt[PlaceEditor::kEnglishName]->text(), "typed"); // the boxes are left as they were
    typeName("D");
    msgs->expect("不存在地区“D”!");
    ed->Cmd_Click(PlaceEditor::kRemove);
    typeName("");
    ed->Cmd_Click(PlaceEditor::kRemove);
    EXPECT_EQ(gridRows(), QStringList({"A||", "C||", "B|b2|", "||"}));
}

TEST_F(PlaceEditorTest, TheFirstPlaceIsPrefilledWithTheZoneNamesAndEnterLeadsToAdd)
{
    activate();
    zoneZh = "华东";
    zoneEn = "East China";
    ed->SetupPlaceGrid();
    ed->setEditing(true);
    ed->Txt[PlaceEditor::kChineseName]->setText("old");
    ed->Txt[PlaceEditor::kChineseName]->setFocus();
    ASSERT_TRUE(ed->Txt[PlaceEditor::kChineseName]->hasFocus());
    EXPECT_EQ(ed->Txt[PlaceEditor::kChineseName]->selectedText(), "华东");
    EXPECT_EQ(ed->Txt[PlaceEditor::kEnglishName]->text(), "East China");
    EXPECT_EQ(ed->Txt[PlaceEditor::kChineseName]->palette().color(QPalette::Base), VbColor(kFocusColor));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(ed->Txt[PlaceEditor::kChineseName], &enter);
    QApplication::sendEvent(ed->Txt[PlaceEditor::kEnglishName], &enter);
    QApplication::sendEvent(ed->Txt[PlaceEditor::kPlaceRemark], &enter);
    EXPECT_TRUE(ed->Cmd[PlaceEditor::kAdd]->hasFocus()); // focused, not pressed
    EXPECT_EQ(ed->GDdq->rows(), 2);

    ed->Cmd_Click(PlaceEditor::kAdd);
    ASSERT_TRUE(ed->Txt[PlaceEditor::kChineseName]->hasFocus());
    ed->Txt[PlaceEditor::kPlaceRemark]->setFocus();
    ed->Txt[PlaceEditor::kEnglishName]->clear();
    ed->Txt[PlaceEditor::kChineseName]->setText("上海");
    ed->Txt[PlaceEditor::kChineseName]->setFocus();
    EXPECT_EQ(ed->Txt[PlaceEditor::kChineseName]->text(), "上海"); // a place is listed: nothing is filled
}

TEST_F(PlaceEditorTest, WritesThePlaceRowsInGridOrderExactlyAsListed)
{
    Place("Z1", "old");
    ed->SetupPlaceGrid();
    ed->setEditing(true);
    for (const QString name : {"A", "B", "C"}) {
        typeName(name, name == QLatin1String("A") ? "O'Brien" : "", "Côte d'Ivoire");
        ed->Cmd_Click(PlaceEditor::kAdd);
    }
    typeName("B");
    ed->Cmd_Click(PlaceEditor::kRemove);
    Transaction t(Db());
    ed->deletePlaces("Z1");
    ed->insertPlaces("Z1");
    t.commit();
    QStringList stored;
    RecordSet rs = Db().openRecordset("select F0 || '|' || F1 || '|' || F2 || '|' || F8 from M021 order by rowid");
    for (int r = 0; r < rs.recordCount(); ++r)
        stored << rs.at(r, 0).toString();
    EXPECT_EQ(stored, QStringList({"Z1|A|O'Brien|Côte d'Ivoire", "Z1|C||Côte d'Ivoire"}));
    // Without its only place the zone has none.
    for (const QString name : {"A", "C"}) {
        typeName(name);
        ed->Cmd_Click(PlaceEditor::kRemove);
    }
    EXPECT_FALSE(ed->hasPlace());
}
