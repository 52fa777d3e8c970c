#include "data/database.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "dialogs/listframe.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/vb.h"
#include "support/window_test.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QTabBar>

namespace {

// The field map of a small parcel record of this test's own, kept on the
// waybill table: index, column, caption, editor, kind, list source, mask. It
// holds one field of every kind the frame handles.
struct Spec {
    int k;
    const char* column;
    const char* caption;
    FieldEditor editor = FieldEditor::Box;
    FieldKind kind = FieldKind::Text;
    const char* listSql = nullptr;
    int mask = FieldMask::None;
};

constexpr int kPrice = FieldMask::WithoutPriceRight;
constexpr auto kList = FieldEditor::List;
constexpr auto kNum = FieldKind::Number;
constexpr auto kCode = FieldKind::Code;

// The boxes the tests name.
enum ParcelBox {
    kNumber = 0, // typed up to 15 characters
    kSent = 1,   // a date picker
    kTransfer = 2,
    kRemark = 3,
    kOrigin = 4,  // a list of names
    kChannel = 5, // code and name, masked without the price right
    kService = 6, // fixed items
    kPieces = 7,
    kWeight = 8,
    kFirstWeight = 9,
    kFee = 10,      // masked without the price right; worked out as it is entered
    kCost = 11,     // masked for all but the administrator too
    kCustomer = 12, // code and name, shown through the window's hook
    kReason = 13,   // a list whose whole text is stored
    kArea = 14,     // masked without the price right; kept on add
    kLength = 15,   // formatted; kept on add
    kParcelBoxes
};

const Spec kSpecs[] = {
    {kNumber, "F1", "单号"},
    {kSent, "F101", "寄件日期", FieldEditor::Date, FieldKind::Date},
    {kTransfer, "F102", "转单号"},
    {kRemark, "F103", "备注"},
    {kOrigin, "F201", "始发地", kList, kCode, "select F1 from M05 order by F1"},
    {kChannel, "F202", "渠道", kList, kCode, "select F1,F2 from M01 order by F1", kPrice},
    {kService, "F301", "服务类型", kList, kCode},
    {kPieces, "F401", "件数", {}, kNum},
    {kWeight, "F402", "收重(KG)", {}, kNum},
    {kFirstWeight, "F403", "初重(KG)", {}, kNum},
    {kFee, "F502", "基本费用", {}, kNum, nullptr, kPrice},
    {kCost, "F507", "出货成本", {}, kNum, nullptr, kPrice | FieldMask::NotAdministrator},
    {kCustomer, "F603", "发件客户", kList, kCode, "select F1,F2 from M03 order by F1"},
    {kReason, "F702", "事故原因", kList, FieldKind::Text, "select F1 from M06 order by F1"},
    {kArea, "F2021", "出货区域", kList, kCode, nullptr, kPrice},
    {kLength, "F4051", "长", {}, kNum},
};

const int kListIndexes[] = {kOrigin, kChannel, kService, kCustomer, kReason, kArea};

// A window of the waybill's kind, written only with the frame's declarations
// and hooks: no BeginEdit, EndEdit or ShowRecord of its own.
class ParcelWindow : public ListFrame {
public:
    ParcelWindow()
        : ListFrame("ParcelWindow")
    {
        setWindowTitle("包裹");
        setTable("B01");
        setGridColumns({"单号", "寄件日期", "服务类型", "件数", "渠道", "发件客户", "备注"});
        setListSql(
            "select B01.F1,B01.F101,B01.F301,B01.F401,M01.F2,M03.F2,B01.F103 "
            "FROM (B01 LEFT JOIN M03 ON B01.F603=M03.F1)  left join M01 on M01.f1=B01.f202    ORDER BY B01.F101 ");
        setKeepsDesignedPosition(true);
        for (const Spec& s : kSpecs) {
            const int x = 1300 + (s.k % 4) * 2600, y = 100 + (s.k / 4) * 380;
            Field f{.label = s.caption,
                    .column = s.column,
                    .maxLength = s.k == kNumber ? 15 : 0,
                    .labRect = {x - 1200, y + 30, 1150, 255},
                    .txtRect = {x, y, 1300, 330},
                    .index = s.k,
                    .gridCol = kNoGridColumn,
                    .editor = s.editor,
                    .kind = s.kind};
            if (s.listSql)
                f.listSql = s.listSql;
            f.listWithName = s.listSql && QString(s.listSql).contains("F1,F2");
            if (s.k == kService)
                f.items = QStringList{"D.文件(File)", "S.物品(Parcel)"};
            if (s.k == kLength)
                f.format = "#0.0";
            f.mask = s.mask;
            f.clearOnAdd = s.k < kArea; // the later fields keep what the last record showed
            addField(f);
        }
        ChkChuHuo = new QCheckBox("已出货", Frm);
        ChkChuHuo->setObjectName("ChkChuHuo");
        ChkChuHuo->setGeometry(TwipsToPx(9200), TwipsToPx(2000), TwipsToPx(1000), TwipsToPx(300));
        addEntryControl(ChkChuHuo);
    }

    QCheckBox* ChkChuHuo;
    QStringList entered, left;
    int sendOnFrom = -1, sendOnTo = -1; // leaving box `from` sends the focus to box `to`

protected:
    QString counterText() const override
    {
        if (TrimBlanks(GD->textMatrix(1, 0)).isEmpty())
            return "包裹：无单据信息";
        return QString("包裹：共 %1 条记录 当前为第 %2 条").arg(GD->rows() - 1).arg(CurRow);
    }
    QString shownText(const Field& f, const QString& stored) const override
    {
        if (f.index == kCustomer)
            return stored + "." + GetStr("select F2 from M03 where F1=" + SqlQuote(stored));
        return ListFrame::shownText(f, stored);
    }
    void fieldEntered(const Field& f) override
    {
        entered << f.label;
        if (f.index == kFee) // the fee computes as the operator enters its box
            Txt[kFee]->setText(QString::number(Val(Txt[kWeight]->text()) * 2));
    }
    void fieldLeft(const Field& f) override
    {
        left << f.label;
        if (f.index == sendOnFrom)
            Txt[sendOnTo]->setFocus();
    }
    QStringList gridRowCells(const QStringList& values) const override
    {
        return {values[kNumber], values[kSent], values[kService], values[kPieces], "", "", values[kRemark]};
    }
};

class ListFrameTest : public WindowTest {
protected:
    ListFrameTest() { strictResponders = true; }
    void SetUp() override
    {
        WindowTest::SetUp();
        Db().execute("insert into M03 (F1,F2) values ('C1','客户一'), ('C2','客户二')");
        Db().execute("insert into M05 (F1,F2) values ('北京','010'), ('上海','021')");
        Db().execute("insert into M01 (F1,F2) values ('E1','快线')");
    }
    // Makes the window active so that focus moves as the keyboard moves it.
    static void activate(QWidget* w)
    {
        w->activateWindow();
        QApplication::setActiveWindow(w);
        Pump();
    }
    static void enter(QWidget* w)
    {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(w, &key);
    }
    static QComboBox* list(QWidget* w, int k) { return w->findChild<QComboBox*>(QString("Cmb(%1)").arg(k)); }
};

} // namespace

TEST_F(ListFrameTest, TheRecordIsDeclaredFieldByField)
{
    ParcelWindow* w = open<ParcelWindow>();
    EXPECT_EQ(w->fieldCount(), kParcelBoxes);
    for (int k = 0; k < kParcelBoxes; ++k) {
        ASSERT_NE(box(w, k), nullptr) << k;
        EXPECT_TRUE(box(w, k)->isReadOnly()) << k;
        EXPECT_EQ(w->findChild<QLabel*>(QString("Lab(%1)").arg(k))->text(), kSpecs[k].caption);
    }
    for (int k : kListIndexes) {
        ASSERT_NE(list(w, k), nullptr) << k;
        EXPECT_FALSE(list(w, k)->isVisibleTo(w)) << k;
    }
    EXPECT_EQ(w->findChildren<QComboBox*>().size(), 6);
    EXPECT_FALSE(w->findChild<QDateEdit*>("DTP")->isVisibleTo(w));
    // Lists from statements (code and name, or the name alone) and fixed items.
    EXPECT_EQ(list(w, kCustomer)->itemText(1), "C2.客户二");
    EXPECT_EQ(list(w, kOrigin)->itemText(0), "上海");
    EXPECT_EQ(list(w, kService)->count(), 2);
    EXPECT_EQ(list(w, kService)->itemText(1), "S.物品(Parcel)");
    // The grid is the window's own; an empty register says so in the counter.
    EXPECT_EQ(grid(w)->cols(), 7);
    EXPECT_EQ(grid(w)->textMatrix(0, 5), "发件客户");
    emit grid(w)->rowColChange();
    EXPECT_EQ(host.panels[4], "包裹：无单据信息");
}

TEST_F(ListFrameTest, AddShowsTheListsAndPickerClearsItsFieldsAndSavesEachKind)
{
    Db().execute("insert into B01 (F1,F4051,F103) values ('W0',9,'old')");
    ParcelWindow* w = open<ParcelWindow>();
    trigger(w, "Menu_Add");
    EXPECT_EQ(w->editMode(), ListFrame::Adding);
    EXPECT_TRUE(gEditing.isSet());
    for (int k : kListIndexes) {
        // Without the price right hidden; here every list is shown over its box.
        EXPECT_TRUE(list(w, k)->isVisible()) << k;
        EXPECT_FALSE(box(w, k)->isVisible()) << k;
        EXPECT_EQ(list(w, k)->currentText(), "") << k;
    }
    QDateEdit* dtp = w->findChild<QDateEdit*>("DTP");
    EXPECT_TRUE(dtp->isVisible());
    EXPECT_EQ(dtp->date(), QDate::currentDate());
    EXPECT_FALSE(box(w, kNumber)->isReadOnly());
    EXPECT_FALSE(box(w, kPieces)->isReadOnly());
    EXPECT_EQ(box(w, kRemark)->text(), "");
    EXPECT_EQ(box(w, kLength)->text(), "9.0"); // not cleared on add

    // Set LISTFRAME_PNG to keep a picture of the page being filled in.
    if (!qEnvironmentVariableIsEmpty("LISTFRAME_PNG")) {
        w->resize(TwipsToPx(11000), TwipsToPx(6500));
        Pump();
        w->grab().save(qEnvironmentVariable("LISTFRAME_PNG"));
    }
    type(box(w, kNumber), "W001");
    list(w, kCustomer)->setEditText("C2.客户二");
    list(w, kOrigin)->setCurrentIndex(1);
    list(w, kService)->setCurrentIndex(0);
    list(w, kReason)->setEditText("破损.外包装");
    dtp->setDate(QDate(2024, 3, 5));
    type(box(w, kPieces), "3件");
    type(box(w, kRemark), "it's fine");
    trigger(w, "Menu_save");
    EXPECT_EQ(msgs->count(), 0) << msgs->texts().join("\n").toStdString();
    EXPECT_EQ(w->editMode(), ListFrame::Browse);

    RecordSet rs = Db().openRecordset("select F603,F201,F301,F702,F101,F401,F103,F4051 from B01 where F1='W001'");
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field(0).toString(), "C2");       // the code of "code.name"
    EXPECT_EQ(rs.field(1).toString(), "北京");     // a name list stores the name
    EXPECT_EQ(rs.field(2).toString(), "D");
    EXPECT_EQ(rs.field(3).toString(), "破损.外包装"); // a text list keeps its whole text
    EXPECT_EQ(rs.field(4).toString(), "2024-03-05");
    EXPECT_EQ(rs.field(5).toDouble(), 3);          // the leading number
    EXPECT_EQ(rs.field(6).toString(), "it's fine");
    EXPECT_EQ(rs.field(7).toDouble(), 9);
    // The lists are hidden again and the boxes hold what was stored.
    EXPECT_FALSE(list(w, kCustomer)->isVisible());
    EXPECT_TRUE(box(w, kCustomer)->isVisible());
    EXPECT_EQ(box(w, kCustomer)->text(), "C2");
    EXPECT_FALSE(dtp->isVisible());
    EXPECT_EQ(grid(w)->textMatrix(2, 0), "W001");
    EXPECT_EQ(host.panels[4], "包裹：共 2 条记录 当前为第 2 条");
}

namespace {

// The save's insert as it was composed before its values were bound: SQL
// literals that the translator parsed again.
QString ComposedInsert(const ListFrame& w, const QStringList& values)
{
    QStringList cols, lits;
    for (int pos = 0; pos < w.fieldCount() && pos < values.size(); ++pos) {
        const ListFrame::Field& f = w.field(pos);
        if (f.column.isEmpty())
            continue;
        const QString& v = values[pos];
        cols << f.column;
        if (f.editor == FieldEditor::Check) {
            lits << (v == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0"));
        } else if (f.kind == FieldKind::Number) {
            lits << SqlNum(Val(v));
        } else if (f.kind == FieldKind::Date) {
            const auto when = ParseDateText(v);
            lits << (when ? SqlQuote(DateTimeText(*when)) : v.isEmpty() ? QStringLiteral("Null") : SqlQuote(v));
        } else {
            lits << SqlQuote(v);
        }
    }
    return QStringLiteral("insert into B01 (%1) VALUES (%2)").arg(cols.join(','), lits.join(','));
}

} // namespace

TEST_F(ListFrameTest, TheBoundInsertStoresEachValueAsTheComposedOneDid)
{
    struct Bound : ParcelWindow {
        using ListFrame::insertRecord;
    };
    Bound* w = open<Bound>();
    const QStringList texts = {"2024-03-05", "it's", "", "'", "#3/5/2024#", "12:30:00", "0.1", "Null", " x "};
    const QStringList numbers = {"126.86199951171875", QString::number(0.1 + 0.2, 'g', 17), "", "3件", "-5", "9.0",
                                 "1e300", "9223372036854775808", "abc", "-0", "0.0", "12.5kg"};
    const QStringList dates = {"2024-03-05", "", "2024/3/5", "not a date", "'", "2024-03-05 10:20:30", "31/12/2024"};
    QStringList columns;
    for (int pos = 0; pos < w->fieldCount(); ++pos)
        columns << w->field(pos).column;
    for (int round = 0; round < 12; ++round) {
        QStringList values;
        for (int pos = 0; pos < w->fieldCount(); ++pos) {
            const FieldKind kind = w->field(pos).kind;
            const QStringList& pool = kind == FieldKind::Number ? numbers : kind == FieldKind::Date ? dates : texts;
            values << pool[(pos + round) % pool.size()];
        }
        values[0] = QString("OLD%1").arg(round);
        Db().execute(ComposedInsert(*w, values));
        values[0] = QString("NEW%1").arg(round);
        w->insertRecord(values);
        for (const QString& c : std::as_const(columns)) {
            if (c == "F1")
                continue;
            Statement st(Db(), QString("select typeof(a.%1)||'|'||quote(a.%1), typeof(b.%1)||'|'||quote(b.%1), "
                                       "a.%1 is b.%1 from B01 a, B01 b where a.F1=?1 and b.F1=?2")
                                   .arg(c));
            st.bind(1, QString("OLD%1").arg(round));
            st.bind(2, QString("NEW%1").arg(round));
            ASSERT_TRUE(st.step());
            EXPECT_EQ(st.columnText(1).toStdString(), st.columnText(0).toStdString()) << c.toStdString() << " round " << round;
            EXPECT_EQ(st.columnInt64(2), 1) << c.toStdString() << " round " << round;
        }
    }
}

TEST_F(ListFrameTest, TheDetailComesFromTheRecordsRowAndEditHandsItToTheEditors)
{
    Db().execute("insert into B01 (F1,F101,F603,F201,F4051,F502,F103) values "
                 "('W1','2024-01-02','C1','上海',1.25,12,'r'), ('W2',Null,'C9','',Null,Null,'')");
    ParcelWindow* w = open<ParcelWindow>();
    auto* tabs = w->findChild<QTabBar*>("TabS");
    grid(w)->setRow(2); // W1, listed after W2 and its empty date
    tabs->setCurrentIndex(1);
    EXPECT_EQ(box(w, kNumber)->text(), "W1");
    EXPECT_EQ(box(w, kSent)->text(), "2024-01-02");
    EXPECT_EQ(box(w, kCustomer)->text(), "C1.客户一"); // through the window's shown-text hook
    EXPECT_EQ(box(w, kLength)->text(), "1.3");         // through the field's format
    EXPECT_EQ(box(w, kFee)->text(), "12");

    trigger(w, "Menu_edit");
    EXPECT_EQ(list(w, kCustomer)->currentText(), "C1.客户一");
    EXPECT_EQ(list(w, kOrigin)->currentText(), "上海");
    EXPECT_EQ(w->findChild<QDateEdit*>("DTP")->date(), QDate(2024, 1, 2));
    trigger(w, "Menu_save");
    // The formatted box left as shown writes back the value stored, as the rest do.
    EXPECT_EQ(GetStr("select F4051 from B01 where F1='W1'"), "1.25");
    EXPECT_EQ(GetStr("select F603 from B01 where F1='W1'"), "C1");
    EXPECT_EQ(GetStr("select F101 from B01 where F1='W1'"), "2024-01-02");

    // A record without a send date is edited from today's; one that is gone empties the boxes.
    tabs->setCurrentIndex(0);
    grid(w)->setRow(1); // W2, listed first by its empty date
    trigger(w, "Menu_edit");
    EXPECT_EQ(box(w, kNumber)->text(), "W2");
    EXPECT_EQ(box(w, kSent)->text(), DateText(QDate::currentDate()));
    trigger(w, "Menu_cancel");
    Db().execute("delete from B01 where F1='W2'");
    w->ShowRecord();
    EXPECT_EQ(box(w, kNumber)->text(), "");
    EXPECT_EQ(box(w, kLength)->text(), "");
    EXPECT_EQ(box(w, kCustomer)->text(), "."); // the window's hook still names the empty code
}

TEST_F(ListFrameTest, PricesAreMaskedWithoutTheRightAndTheCostForAllButTheAdministrator)
{
    const QList<int> prices = {kChannel, kFee, kCost, kArea};
    struct Case {
        const char* user;
        bool seesPrices;
        QList<int> masked;
    };
    const Case cases[] = {{"001", true, {}}, {"002", true, {kCost}}, {"001", false, prices}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + (c.seesPrices ? " sees prices" : " without the price right"));
        gUserCode = c.user;
        gCanSeePrices = c.seesPrices;
        ParcelWindow* w = open<ParcelWindow>();
        for (int k = 0; k < kParcelBoxes; ++k)
            EXPECT_EQ(box(w, k)->echoMode() == QLineEdit::Password, c.masked.contains(k)) << k;
        trigger(w, "Menu_Add");
        for (int k : kListIndexes) {
            const bool hidden = !c.seesPrices && (k == kChannel || k == kArea);
            EXPECT_EQ(list(w, k)->isVisible(), !hidden) << k;
        }
        // Out of reach while editing: neither typed into nor reached with Tab.
        EXPECT_EQ(box(w, kFee)->isReadOnly(), !c.seesPrices);
        EXPECT_EQ(box(w, kFee)->focusPolicy() == Qt::NoFocus, !c.seesPrices);
        if (c.seesPrices) {
            EXPECT_FALSE(box(w, kCost)->isReadOnly());
        }
        trigger(w, "Menu_cancel");
        w->close();
    }
}

TEST_F(ListFrameTest, EnteringAFieldRunsTheWindowsHookOnlyWhileEditing)
{
    ParcelWindow* w = open<ParcelWindow>();
    activate(w);
    auto* tabs = w->findChild<QTabBar*>("TabS");
    tabs->setCurrentIndex(1);
    box(w, kFee)->setFocus();
    EXPECT_TRUE(tabs->hasFocus()); // browsing: nothing on the page keeps the focus
    EXPECT_TRUE(w->entered.isEmpty());

    trigger(w, "Menu_Add");
    type(box(w, kWeight), "2.5");
    box(w, kFee)->setFocus();
    EXPECT_EQ(box(w, kFee)->text(), "5");
    list(w, kCustomer)->setFocus();
    box(w, kRemark)->setFocus();
    EXPECT_EQ(w->entered, QStringList({"单号", "基本费用", "发件客户", "备注"}));
    EXPECT_EQ(w->left, QStringList({"单号", "基本费用", "发件客户"}));
}

TEST_F(ListFrameTest, EveryKindOfControlIsColouredAndEnterMovesOnFromIt)
{
    ParcelWindow* w = open<ParcelWindow>();
    activate(w);
    trigger(w, "Menu_Add");
    // A control the window makes after it has loaded is treated the same way.
    auto* late = new QLineEdit(w->findChild<QWidget*>("Frm"));
    late->setObjectName("Late");
    late->show();

    const QList<QWidget*> chain = {box(w, kNumber), w->findChild<QDateEdit*>("DTP"), box(w, kTransfer), box(w, kRemark),
                                   list(w, kOrigin)};
    for (int i = 0; i + 1 < chain.size(); ++i) {
        chain[i]->setFocus();
        ASSERT_TRUE(chain[i]->hasFocus()) << i;
        EXPECT_EQ(chain[i]->palette().color(QPalette::Base), VbColor(kFocusColor)) << i;
        enter(chain[i]);
        EXPECT_TRUE(chain[i + 1]->hasFocus()) << i;
        EXPECT_NE(chain[i]->palette().color(QPalette::Base), VbColor(kFocusColor)) << i;
    }
    w->ChkChuHuo->setFocus();
    EXPECT_EQ(w->ChkChuHuo->palette().color(QPalette::Window), VbColor(kFocusColor));
    enter(w->ChkChuHuo);
    EXPECT_FALSE(w->ChkChuHuo->hasFocus());
    EXPECT_NE(w->ChkChuHuo->palette().color(QPalette::Window), VbColor(kFocusColor));
    late->setFocus();
    EXPECT_EQ(late->palette().color(QPalette::Base), VbColor(kFocusColor));
    enter(late);
    EXPECT_FALSE(late->hasFocus());
    EXPECT_TRUE(QApplication::focusWidget() && w->isAncestorOf(QApplication::focusWidget()));
}

TEST_F(ListFrameTest, WhereALeaveRuleSendsTheFocusOnlyThatBoxIsEntered)
{
    // Leaving the pieces (by Tab towards the weight, by a click on the remark)
    // its rule sends the focus to the first weight: the weight and the remark
    // are neither coloured nor entered nor left.
    for (bool byTab : {true, false}) {
        ParcelWindow* w = open<ParcelWindow>();
        activate(w);
        w->sendOnFrom = kPieces;
        w->sendOnTo = kFirstWeight;
        trigger(w, "Menu_Add");
        box(w, kPieces)->setFocus();
        w->entered.clear();
        byTab ? pressKey(box(w, kPieces), Qt::Key_Tab) : click(box(w, kRemark));
        EXPECT_TRUE(box(w, kFirstWeight)->hasFocus()) << byTab;
        EXPECT_EQ(w->entered, QStringList({"初重(KG)"})) << byTab;
        EXPECT_EQ(w->left.last(), "件数") << byTab;
        for (int k : {kRemark, kWeight})
            EXPECT_NE(box(w, k)->palette().color(QPalette::Base), VbColor(kFocusColor)) << byTab << " " << k;
        trigger(w, "Menu_cancel");
        w->close();
    }
}

TEST_F(ListFrameTest, CheckBoxFieldsFollowTheModeAndTheRecord)
{
    // A small window with check-box fields read from the record's row.
    class Rights : public ListFrame {
    public:
        Rights()
            : ListFrame("Rights")
        {
            setTable("TE1");
            setListSql("select F1,F2 from TE1 order by F1");
            addField({.header = "帐号", .label = "帐号", .column = "F1"});
            addField({.header = "姓名", .label = "姓名", .column = "F2"});
            addField({.label = "甲", .column = "F60", .index = 0, .editor = FieldEditor::Check});
            addField({.label = "乙", .column = "F61", .index = 1, .editor = FieldEditor::Check, .clearOnAdd = false});
        }
    };
    Db().execute("update TE1 set F60=1, F61=-1 where F1='001'");
    Rights* w = open<Rights>();
    EXPECT_EQ(grid(w)->cols(), 2);
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    auto* a = w->findChild<QCheckBox*>("Chk(0)");
    auto* b = w->findChild<QCheckBox*>("Chk(1)");
    EXPECT_TRUE(a->isChecked());
    EXPECT_TRUE(b->isChecked());
    EXPECT_FALSE(a->isEnabled());
    trigger(w, "Menu_Add");
    EXPECT_TRUE(a->isEnabled());
    EXPECT_FALSE(a->isChecked()); // cleared on add
    EXPECT_TRUE(b->isChecked());  // kept
    type(box(w, 0), "002");
    type(box(w, 1), "李四");
    trigger(w, "Menu_save");
    EXPECT_EQ(GetStr("select F60 from TE1 where F1='002'"), "0");
    EXPECT_EQ(GetStr("select F61 from TE1 where F1='002'"), "1");
    EXPECT_FALSE(b->isEnabled());
}

TEST_F(ListFrameTest, ADatabaseFailureInACommandOrAGridEventIsShownAndTheWindowGoesOn)
{
    // A list whose own check and detail hook meet a refused statement.
    class Failing : public ListFrame {
    public:
        Failing()
            : ListFrame("Failing")
        {
            setTable("M04");
            setListSql("select * from M04 order by F1");
            addField({.header = "姓名", .label = "姓 名", .column = "F1"});
            addField({.header = "备注", .label = "备 注", .column = "F2"});
        }
        bool failShowing = false;

    protected:
        bool checkEntries() override
        {
            Db().execute("insert into NoSuchTable values (1)");
            return true;
        }
        void recordShown() override
        {
            if (failShowing)
                Db().openRecordset("select * from NoSuchTable");
        }
    };
    Db().execute("insert into M04 (F1,F2) values ('王五','')");
    Failing* w = open<Failing>();
    trigger(w, "Menu_Add");
    type(box(w, 0), "李四");
    msgs->expect("NoSuchTable");
    trigger(w, "Menu_save");
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.startsWith("操作执行错误!系统返回如下信息：\r")) << msgs->last().text.toStdString();
    EXPECT_TRUE(msgs->last().text.contains("NoSuchTable"));
    EXPECT_EQ(w->editMode(), ListFrame::Adding);
    EXPECT_EQ(box(w, 0)->text(), "李四");
    EXPECT_EQ(count("select count(*) from M04"), 1);

    trigger(w, "Menu_cancel");
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(0);
    w->failShowing = true;
    msgs->expect("操作执行错误!系统返回如下信息：");
    emit grid(w)->dblClick();
    EXPECT_EQ(msgs->count(), 2);
    EXPECT_EQ(w->findChild<QTabBar*>("TabS")->currentIndex(), 1);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(ListFrameTest, TypingKeepsToTheLimitButNeverCutsWhatTheProgramPutsIn)
{
    struct Case {
        const char* what;
        QString shown;  // put in by the program
        int max;
        bool upper;
        std::function<void(QLineEdit*)> act;
        QString expected;
    };
    const auto keys = [](const QString& t) { return [t](QLineEdit* b) { WindowTest::type(b, t); }; };
    const Case cases[] = {
        {"typed past the limit", "", 4, false, keys("abcdef"), "abcd"},
        {"a stored text over the limit", "abcdefgh", 4, false, [](QLineEdit*) {}, "abcdefgh"},
        {"typing into it", "abcdefgh", 4, false, keys("x"), "abcdefgh"},
        {"a paste cut to the room left", "ab", 4, false, [](QLineEdit* b) { b->insert("12345"); }, "ab12"},
        {"replacing part of it", "abcdefgh", 4, false,
         [](QLineEdit* b) { b->setSelection(2, 2); WindowTest::type(b, "x"); }, "abxefgh"},
        {"capitals as typed", "pw", 0, true, keys("ab"), "pwAB"},
        {"capitals within the limit", "", 3, true, keys("abcd"), "ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QLineEdit box;
        SetTypingRules(&box, c.max, c.upper);
        box.setText(c.shown);
        c.act(&box);
        EXPECT_EQ(box.text(), c.expected);
    }
}

TEST_F(ListFrameTest, TheFlagsOfAFieldShapeItsControls)
{
    class Shaped : public ListFrame {
    public:
        Shaped()
            : ListFrame("Shaped")
        {
            setTable("M03");
            setListSql("select F1,F2,F8,F9,F91 from M03 order by F1");
            auto* top = new QFrame(Frm);
            top->setObjectName("FrmTop");
            addField({.header = "客户编码", .label = "客户编码", .column = "F1", .host = top});
            addField({.header = "客户简称", .label = "客户简称", .column = "F2", .host = top, .editable = false});
            addField({.header = "业务员", .label = "业务员", .column = "F8", .editor = FieldEditor::List,
                      .editorName = "CmbYWY", .host = top, .tabStop = false});
            addField({.header = "备注", .label = "备注", .column = "F9", .labIndex = 11, .clearOnAdd = false});
            addField({.column = "F91", .index = 20, .gridCol = kNoGridColumn, .editorName = "TxtMEMO(0)"});
            addField({.column = "F6", .index = 12, .gridCol = kNoGridColumn, .visible = false});
        }
    };
    Db().execute("delete from M03");
    Db().execute("insert into M03 (F1,F2,F8,F9,F91,F6) values ('C1','客户一','张三','r','m1','f')");
    Shaped* w = open<Shaped>();
    activate(w);
    auto* top = w->findChild<QFrame*>("FrmTop");
    EXPECT_EQ(box(w, 0)->parentWidget(), top);
    EXPECT_EQ(w->findChild<QLabel*>("Lab(11)")->text(), "备注");
    EXPECT_EQ(w->findChild<QLabel*>("Lab(3)"), nullptr);
    auto* memo = w->findChild<QLineEdit*>("TxtMEMO(0)");
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(w->txt(20), nullptr);
    EXPECT_FALSE(box(w, 12)->isVisibleTo(w));

    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    EXPECT_EQ(memo->text(), "m1"); // read from the record's row
    EXPECT_EQ(box(w, 12)->text(), "f");
    trigger(w, "Menu_Add");
    EXPECT_TRUE(box(w, 1)->isReadOnly());   // never unlocked
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_EQ(box(w, 3)->text(), "r");      // kept on add
    EXPECT_TRUE(w->findChild<QComboBox*>("CmbYWY")->isVisible());
    box(w, 1)->setFocus();
    enter(box(w, 1));
    EXPECT_TRUE(box(w, 3)->hasFocus());     // the list is out of the tab order
    type(box(w, 0), "C2");
    w->findChild<QComboBox*>("CmbYWY")->setEditText("李四");
    type(memo, "m2");
    trigger(w, "Menu_save");
    EXPECT_EQ(GetStr("select F8 from M03 where F1='C2'"), "李四");
    EXPECT_EQ(GetStr("select F91 from M03 where F1='C2'"), "m2");
    EXPECT_EQ(GetStr("select F9 from M03 where F1='C2'"), "r");
}

TEST_F(ListFrameTest, ABoxWithoutHandlingKeepsTheFocusWhileBrowsingAndIsNeverColoured)
{
    class Plain : public ListFrame {
    public:
        Plain()
            : ListFrame("Plain")
        {
            setTable("M04");
            setListSql("select * from M04 order by F1");
            addField({.header = "姓名", .column = "F1"});
            addField({.header = "备注", .column = "F2", .handled = false});
        }
    };
    Plain* w = open<Plain>();
    activate(w);
    w->findChild<QTabBar*>("TabS")->setCurrentIndex(1);
    box(w, 1)->setFocus();
    EXPECT_TRUE(box(w, 1)->hasFocus() && box(w, 1)->isReadOnly());
    trigger(w, "Menu_Add");
    box(w, 1)->setFocus();
    enter(box(w, 1));
    EXPECT_TRUE(box(w, 1)->hasFocus());
    EXPECT_NE(box(w, 1)->palette().color(QPalette::Base), VbColor(kFocusColor));
    trigger(w, "Menu_cancel");
}

TEST_F(ListFrameTest, AWindowMayKeepItsDesignedSize)
{
    class Designed : public ListFrame {
    public:
        explicit Designed(bool keeps)
            : ListFrame("Designed")
        {
            setTable("M04");
            setListSql("select * from M04");
            setWidthTwips(4500);
            addField({.header = "姓名", .column = "F1"});
            setKeepsDesignedPosition(keeps);
            resize(700, 500);
        }
    };
    Designed* placed = open<Designed>(false);
    Designed* kept = open<Designed>(true);
    Pump();
    EXPECT_EQ(placed->width(), TwipsToPx(4500));
    EXPECT_EQ(kept->size(), QSize(700, 500));
}

TEST_F(ListFrameTest, AWindowWordsItsOwnDeleteQuestion)
{
    class Bracketed : public ListFrame {
    public:
        Bracketed()
            : ListFrame("Bracketed")
        {
            setTable("M04");
            setListSql("select * from M04 order by F1");
            addField({.header = "姓名", .column = "F1"});
        }

    protected:
        QString deleteQuestion(const QString& name) const override { return "真的要删除[" + name + "]吗?"; }
    };
    Db().execute("insert into M04 (F1) values ('王五')");
    Bracketed* w = open<Bracketed>();
    msgs->answer(vbBtn::No);
    trigger(w, "Menu_del");
    EXPECT_EQ(msgs->last().text, "真的要删除[王五]吗?");
    EXPECT_EQ(count("select count(*) from M04"), 1);
}

TEST_F(ListFrameTest, AWindowMayAddToTheSearchStatementBeforeTheFill)
{
    class Grouped : public ListFrame {
    public:
        Grouped()
            : ListFrame("Grouped")
        {
            setTable("M04");
            setListSql("select * from M04 order by F1");
            setSearchHead("Select M04.F1 from M04 left join B01 on B01.F602=M04.F1 ");
            addField({.header = "姓名", .column = "F1"});
        }

    protected:
        QString searchStatement(const QString& found) const override { return found + " GROUP BY M04.F1 "; }
    };
    Db().execute("insert into M04 (F1) values ('王五'), ('李四')");
    Db().execute("insert into B01 (F1,F602) values ('W1','王五'), ('W2','王五')");
    Grouped* w = open<Grouped>();
    modal->on("Query", [](QDialog& d) { static_cast<Query&>(d).runQuery(); });
    trigger(w, "Menu_query");
    EXPECT_EQ(w->grid()->rows(), 3); // each name once, however many waybills join it
    EXPECT_EQ(w->recCount(), 2);
}

TEST_F(ListFrameTest, AWindowHearsTheSearchCloseBeforeTheFillAndWordsARefusedList)
{
    class Searching : public ListFrame {
    public:
        Searching()
            : ListFrame("Searching")
        {
            setTable("M04");
            setListSql("select * from M04 order by F1");
            setSearchHead("Select M04.* from M04 ");
            addField({.header = "姓名", .column = "F1"});
        }
        QStringList seen;

    protected:
        void searchClosed() override { seen << QStringLiteral("closed with %1 rows").arg(grid()->rows()); }
        void listRefused(const DbError& e) override
        {
            seen << "refused";
            SetupGrid();
            MsgBox(e.message(), vbStyle::Information, gMsgTitle);
        }
    };
    Db().execute("insert into M04 (F1) values ('王五'), ('李四')");
    Searching* w = open<Searching>();
    modal->cancel("Query");
    trigger(w, "Menu_query");
    modal->on("Query", [](QDialog& d) {
        auto& q = static_cast<Query&>(d);
        q.Txt->setText("王五");
        q.addCondition();
        q.runQuery();
    });
    trigger(w, "Menu_query");
    EXPECT_EQ(w->grid()->rows(), 2);
    msgs->expect("no such table");
    w->FillGrid("select * from nowhere");
    EXPECT_EQ(w->seen, QStringList({"closed with 3 rows", "closed with 3 rows", "refused"}));
    EXPECT_EQ(w->grid()->textMatrix(1, 0), "");
}
