#include "data/database.h"
#include "data/program_sql.h"
#include "platform/flexgrid.h"
#include "data/globals.h"
#include "platform/platform.h"
#include "dialogs/toexcel.h"
#include "support/testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QXmlStreamReader>

namespace {

// One part of a zip archive, through the unzip tool.
QByteArray zipPart(const QString& zip, const QString& part)
{
    QProcess p;
    p.start("unzip", {"-p", zip, part});
    p.waitForFinished(-1);
    return p.readAllStandardOutput();
}

struct Workbook {
    QStringList sheetNames;
    QMap<QString, QString> cells; // "A1" -> text
    QMap<QString, QString> types; // "A1" -> the cell's type: "s", "inlineStr", "" (a number) ...
};

// Reads back the sheet names and the first sheet's texts, shared or inline.
Workbook readXlsx(const QString& path)
{
    Workbook wb;
    QXmlStreamReader book(zipPart(path, "xl/workbook.xml"));
    while (!book.atEnd()) {
        book.readNext();
        if (book.isStartElement() && book.name() == QLatin1String("sheet"))
            wb.sheetNames << book.attributes().value("name").toString();
    }

    QStringList shared;
    QXmlStreamReader sst(zipPart(path, "xl/sharedStrings.xml"));
    while (!sst.atEnd()) {
        sst.readNext();
        if (sst.isStartElement() && sst.name() == QLatin1String("si"))
            shared << QString();
        else if (sst.isStartElement() && sst.name() == QLatin1String("t"))
            shared.last() += sst.readElementText();
    }

    QXmlStreamReader sheet(zipPart(path, "xl/worksheets/sheet1.xml"));
    QString ref, type;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (!sheet.isStartElement())
            continue;
        if (sheet.name() == QLatin1String("c")) {
            ref = sheet.attributes().value("r").toString();
            type = sheet.attributes().value("t").toString();
            wb.types[ref] = type;
        } else if (sheet.name() == QLatin1String("v")) {
            const QString v = sheet.readElementText();
            wb.cells[ref] = type == "s" ? shared.value(v.toInt()) : v;
        } else if (sheet.name() == QLatin1String("t")) {
            wb.cells[ref] = sheet.readElementText();
        }
    }
    return wb;
}

QList<int> g_tried;
QSet<int> g_failing;
bool failSome(int version)
{
    g_tried << version;
    return g_failing.contains(version);
}

class ToExcelTest : public DataTest {
protected:
    ToExcelTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        files = std::make_unique<FileDialogRecorder>();
        files->setStrict(true);
        grid = std::make_unique<FlexGrid>();
        grid->setCols(33);
        grid->setRows(4);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 33; ++c)
                grid->setTextMatrix(r, c, QString("r%1c%2").arg(r).arg(c));
        grid->setTextMatrix(2, 1, "O'Brien's");
        grid->setTextMatrix(3, 4, "");
        grid->setTextMatrix(1, 5, "2024/3/5"); // date-like texts go out as shown
        grid->setTextMatrix(2, 5, "3/5/2024");
        grid->setTextMatrix(3, 5, "2024-03-05 00:00:00");
        grid->setColWidth(2, 0);
        grid->setColWidth(3, 1);
        grid->setColWidth(4, 2);
        dlg = std::make_unique<ToExcel>();
        dlg->Sgd = grid.get();
        g_tried.clear();
        g_failing.clear();
    }
    void TearDown() override
    {
        // Every message of the export is an information box without a title.
        for (const MsgRecord& box : msgs->boxes()) {
            EXPECT_EQ(box.style, 64) << box.text.toStdString();
            EXPECT_EQ(box.title, "") << box.text.toStdString();
        }
        ToExcel::failHook = nullptr;
        SetOpenResponder({});
        dlg.reset();
        grid.reset();
        files.reset();
        DataTest::TearDown();
    }

    void choose(const QString& name)
    {
        files->answer(folder->file(name));
        dlg->CmdSaveTo->click();
    }

    QString setting() { return GetSetting("Quenvarix", "Express", "ToExcel", "none"); }

    std::unique_ptr<FileDialogRecorder> files;
    std::unique_ptr<FlexGrid> grid;
    std::unique_ptr<ToExcel> dlg;
};

TEST_F(ToExcelTest, StagingRowsAndWorkbook)
{
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is needed to read the workbook back";
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), "导出数据到EXCEL");
    EXPECT_EQ(dlg->Cmb->count(), 3);
    EXPECT_EQ(dlg->Cmb->currentText(), "EXCEL 8.0");
    choose("out");
    ASSERT_EQ(files->dialogs().size(), 1);
    EXPECT_TRUE(files->dialogs()[0].save);
    EXPECT_EQ(files->dialogs()[0].title, "导出数据保存到...");
    EXPECT_TRUE(files->dialogs()[0].filter.contains("*.xlsx"));
    const QString path = folder->file("out.xlsx");
    EXPECT_EQ(dlg->Txt->text(), path);

    QStringList captions;
    QObject::connect(dlg.get(), &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
    msgs->expect("数据成功导出到Excel文件！");
    dlg->Cmd0->click();
    ASSERT_EQ(msgs->count(), 1) << msgs->texts().join("|").toStdString();
    // The last row's progress (counted from the header row), then the two steps.
    EXPECT_EQ(captions.mid(captions.size() - 3),
              (QStringList{"正在读取第 3 行", "读取数据完毕,准备导出到Excel文件 ", "数据成功导出到Excel文件！"}));
    EXPECT_EQ(msgs->last().text, "数据成功导出到Excel文件！");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "");
    EXPECT_EQ(dlg->windowTitle(), "数据成功导出到Excel文件！");
    EXPECT_EQ(dlg->Cmd0->text(), "打开文件");
    EXPECT_FALSE(dlg->Cmb->isEnabled());
    EXPECT_FALSE(dlg->CmdSaveTo->isEnabled());
    EXPECT_TRUE(dlg->isEnabled());

    // Staging: header row first; columns 2 (width 0) and 3 (width 1) and
    // everything past the thirtieth field left out.
    auto staging = Database::open(gAppPath + "excel.dat", QString(), ProgramSql());
    RecordSet rs = staging->openRecordset("select * from mysheet order by rowid");
    ASSERT_EQ(rs.recordCount(), 4);
    EXPECT_EQ(rs.field("F1").toString(), "r0c0");
    EXPECT_EQ(rs.field("F2").toString(), "r0c1");
    EXPECT_TRUE(rs.field("F3").isNull());
    EXPECT_TRUE(rs.field("F4").isNull());
    EXPECT_EQ(rs.field("F5").toString(), "r0c4");
    EXPECT_EQ(rs.field("F30").toString(), "r0c29");
    rs.moveNext();
    EXPECT_EQ(rs.field("F6").toString(), "2024/3/5");
    rs.moveNext();
    EXPECT_EQ(rs.field("F2").toString(), "O'Brien's");
    EXPECT_EQ(rs.field("F6").toString(), "3/5/2024");
    rs.moveNext();
    EXPECT_FALSE(rs.field("F5").isNull());
    EXPECT_EQ(rs.field("F5").toString(), "");
    EXPECT_EQ(rs.field("F6").toString(), "2024-03-05 00:00:00");
    staging.reset();

    // The sheet is the staging rows: the grid's header row first, no row of
    // field names above it; the left-out columns stay empty.
    const Workbook wb = readXlsx(path);
    EXPECT_EQ(wb.sheetNames, QStringList{"mysheet"});
    EXPECT_EQ(wb.cells.value("A1"), "r0c0");
    EXPECT_EQ(wb.cells.value("AD1"), "r0c29");
    EXPECT_EQ(wb.cells.value("B2"), "r1c1");
    EXPECT_EQ(wb.cells.value("B3"), "O'Brien's");
    EXPECT_FALSE(wb.cells.contains("C1"));
    EXPECT_FALSE(wb.cells.contains("D1"));
    EXPECT_EQ(wb.cells.value("E1"), "r0c4");
    EXPECT_EQ(wb.cells.value("F2"), "2024/3/5");
    EXPECT_EQ(wb.cells.value("F3"), "3/5/2024");
    EXPECT_EQ(wb.cells.value("F4"), "2024-03-05 00:00:00");
    EXPECT_EQ(wb.cells.value("AD4"), "r3c29");
    EXPECT_FALSE(wb.cells.contains("AE1"));
    EXPECT_FALSE(wb.cells.contains("A5"));
    EXPECT_EQ(wb.cells.value("E4"), "");

    // The button now opens the workbook.
    QStringList opened;
    SetOpenResponder([&](const QString& u) { opened << u; return true; });
    dlg->Cmd0->click();
    EXPECT_EQ(opened, QStringList{QUrl::fromLocalFile(path).toString()});
    SetOpenResponder([&](const QString&) { return false; });
    msgs->expect("您的系统不支持由程序直接打开文件");
    msgs->expect("指定文件已经被移除！");
    dlg->Cmd0->click();
    EXPECT_EQ(msgs->last().text, QString("您的系统不支持由程序直接打开文件、或没有安装Excel，\r\r请您到文件夹中尝试鼠标双击该文件打开文件。"));
    QFile::remove(path);
    dlg->Cmd0->click();
    EXPECT_EQ(msgs->last().text, "指定文件已经被移除！");

    // Showing again starts in the ready state.
    dlg->close();
    dlg->show();
    EXPECT_EQ(dlg->Cmd0->text(), "导出数据");
    EXPECT_EQ(dlg->Txt->text(), "");
    EXPECT_TRUE(dlg->Cmb->isEnabled());
}

TEST_F(ToExcelTest, EachVersionWritesTheSameSheet)
{
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is needed to read the workbook back";
    for (int v = 0; v < 3; ++v) {
        dlg->show();
        dlg->Cmb->setCurrentIndex(v);
        const QString name = QString("v%1.xlsx").arg(v);
        choose(name);
        msgs->expect("数据成功导出到Excel文件！");
        dlg->Cmd0->click();
        EXPECT_EQ(msgs->last().text, "数据成功导出到Excel文件！");
        const Workbook wb = readXlsx(folder->file(name));
        EXPECT_EQ(wb.sheetNames, QStringList{"mysheet"}) << v;
        EXPECT_EQ(wb.cells.value("A1"), "r0c0") << v;
        EXPECT_EQ(wb.cells.value("B3"), "O'Brien's") << v;
        EXPECT_EQ(wb.cells.value("F2"), "2024/3/5") << v;
        EXPECT_EQ(wb.cells.value("AD4"), "r3c29") << v;
        EXPECT_FALSE(wb.cells.contains("A5")) << v;
        dlg->close();
    }
}

TEST_F(ToExcelTest, TextsGoOutAsTheyAreWhateverTheyLookLike)
{
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is needed to read the workbook back";
    // Long and short texts in turn, in one column: each row's text alone.
    const QStringList texts{
        "一段很长的备注文字，含全角标点：“引号”与……省略号，还有 English words",
        "a",
        "",
        "0012",
        "=SUM(A1:A2)",
        "1.50",
        " 前后有空格 ",
        "&<>\"'",
        "TRUE",
        "1E5",
        "两行\n文字",
        "客户甲",
    };
    FlexGrid texty;
    texty.setCols(2);
    texty.setRows(int(texts.size()));
    for (int r = 0; r < texts.size(); ++r) {
        texty.setTextMatrix(r, 0, texts[r]);
        texty.setTextMatrix(r, 1, QString::number(r));
    }
    dlg->Sgd = &texty;
    auto isString = [](const QString& type) { return type == "s" || type == "inlineStr"; };
    for (int v = 0; v < 3; ++v) {
        dlg->show();
        dlg->Cmb->setCurrentIndex(v);
        const QString name = QString("texts%1.xlsx").arg(v);
        choose(name);
        msgs->expect("数据成功导出到Excel文件！");
        dlg->Cmd0->click();
        dlg->close();

        auto staging = Database::open(gAppPath + "excel.dat", QString(), ProgramSql());
        RecordSet rs = staging->openRecordset("select * from mysheet order by rowid");
        const Workbook wb = readXlsx(folder->file(name));
        ASSERT_EQ(rs.recordCount(), texts.size()) << v;
        for (int r = 0; r < texts.size(); ++r, rs.moveNext()) {
            const QString cell = QString("A%1").arg(r + 1);
            EXPECT_FALSE(rs.field("F1").isNull()) << v << " row " << r;
            EXPECT_EQ(rs.field("F1").toString(), texts[r]) << v << " row " << r;
            EXPECT_EQ(rs.field("F2").toString(), QString::number(r)) << v << " row " << r;
            EXPECT_EQ(wb.cells.value(cell), texts[r]) << v << " " << cell.toStdString();
            if (!texts[r].isEmpty()) {
                EXPECT_TRUE(isString(wb.types.value(cell))) << v << " " << cell.toStdString();
            }
            // A number written as text stays text.
            EXPECT_TRUE(isString(wb.types.value(QString("B%1").arg(r + 1)))) << v << " row " << r;
        }
    }
}

TEST_F(ToExcelTest, MessagesBeforeAnythingIsTouched)
{
    dlg->show();
    msgs->expect("请首先选择文件保存位置!");
    msgs->expect("目标文件夹存在同名文件，请更换文件名！");
    msgs->expect("目标文件夹存在同名文件，请更换文件名！");
    msgs->expect("捷诺达系统文件excel.dat丢失,无法执行操作!");
    dlg->Cmd0->click();
    EXPECT_EQ(msgs->last().text, "请首先选择文件保存位置!");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "");

    // An existing file is refused when chosen...
    QFile taken(folder->file("taken.xlsx"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("mine");
    taken.close();
    choose("free.xlsx");
    choose("taken.xlsx");
    EXPECT_EQ(msgs->last().text, "目标文件夹存在同名文件，请更换文件名！");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(dlg->Txt->text(), folder->file("free.xlsx"));

    // ...and when it appeared after being chosen.
    QFile::copy(folder->file("taken.xlsx"), folder->file("free.xlsx"));
    msgs->clear();
    dlg->Cmd0->click();
    EXPECT_EQ(msgs->texts(), QStringList{"目标文件夹存在同名文件，请更换文件名！"});
    QFile f(folder->file("free.xlsx"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "mine");
    EXPECT_EQ(dlg->Cmd0->text(), "导出数据");

    QFile::remove(gAppPath + "excel.dat");
    choose("other");
    msgs->clear();
    dlg->Cmd0->click();
    EXPECT_EQ(msgs->texts(), QStringList{"捷诺达系统文件excel.dat丢失,无法执行操作!"});
    EXPECT_FALSE(QFile::exists(folder->file("other.xlsx")));
}

TEST_F(ToExcelTest, StagingFailureShowsTheEngineText)
{
    // A template whose staging table is too narrow for the grid.
    QFile::remove(gAppPath + "excel.dat");
    {
        auto narrow = Database::create(gAppPath + "excel.dat", QString(), ProgramSql());
        narrow->executeNative("create table mysheet (F1 TEXT, F2 TEXT, F3 TEXT)");
        narrow->executeNative("insert into mysheet (F1) values ('kept')");
    }
    dlg->show();
    choose("narrow");
    msgs->expect("F5");
    dlg->Cmd0->click();
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_TRUE(msgs->last().text.contains("F5")) << msgs->last().text.toStdString();
    EXPECT_TRUE(dlg->isEnabled());
    EXPECT_EQ(dlg->windowTitle(), "导出数据到EXCEL");
    EXPECT_EQ(dlg->Cmd0->text(), "导出数据");
    EXPECT_FALSE(QFile::exists(folder->file("narrow.xlsx")));
    auto staging = Database::open(gAppPath + "excel.dat", QString(), ProgramSql());
    RecordSet rs = staging->openRecordset("select * from mysheet");
    ASSERT_EQ(rs.recordCount(), 1); // the failed copy was rolled back whole
    EXPECT_EQ(rs.field("F1").toString(), "kept");
}

TEST_F(ToExcelTest, RememberedVersion)
{
    SaveSetting("Quenvarix", "Express", "ToExcel", "2");
    dlg->show();
    EXPECT_EQ(dlg->Cmb->currentText(), "EXCEL 5.0");
    dlg->Cmd1->click(); // no change: nothing written
    EXPECT_TRUE(dlg->isHidden());
    EXPECT_EQ(setting(), "2");

    dlg->show();
    dlg->Cmb->setCurrentIndex(1);
    dlg->close();
    EXPECT_EQ(setting(), "1");

    SaveSetting("Quenvarix", "Express", "ToExcel", "7"); // out of range: the first...
    dlg->show();
    EXPECT_EQ(dlg->Cmb->currentIndex(), 0);
    dlg->close();
    EXPECT_EQ(setting(), "0"); // ...and replaced by it on closing
}

TEST_F(ToExcelTest, FallbackOrderAfterAFailingVersion)
{
    ToExcel::failHook = failSome;
    SaveSetting("Quenvarix", "Express", "ToExcel", "1");
    g_failing = {1, 0};
    dlg->show();
    EXPECT_EQ(dlg->Cmb->currentText(), "EXCEL 7.0");
    choose("fb");
    msgs->expect("数据成功导出到Excel文件！");
    dlg->Cmd0->click();
    EXPECT_EQ(g_tried, (QList<int>{1, 0, 2}));
    EXPECT_EQ(msgs->last().text, "数据成功导出到Excel文件！");
    EXPECT_EQ(dlg->Cmb->currentIndex(), 2);
    EXPECT_TRUE(QFile::exists(folder->file("fb.xlsx")));
    dlg->close();
    EXPECT_EQ(setting(), "2"); // the version that worked is remembered

    g_tried.clear();
    g_failing = {0, 1, 2};
    dlg->show();
    choose("none");
    msgs->clear();
    msgs->expect("对不起,您的Windwx系统不支持任何一个版本的EXCEL导出!");
    dlg->Cmd0->click();
    EXPECT_EQ(g_tried, (QList<int>{2, 0, 1}));
    EXPECT_EQ(msgs->texts(), QStringList{"对不起,您的Windwx系统不支持任何一个版本的EXCEL导出!"});
    EXPECT_TRUE(dlg->isEnabled());
    EXPECT_EQ(dlg->Cmd0->text(), "导出数据");
    EXPECT_FALSE(QFile::exists(folder->file("none.xlsx")));
    // The staging table keeps the copied rows.
    auto staging = Database::open(gAppPath + "excel.dat", QString(), ProgramSql());
    EXPECT_EQ(staging->openRecordset("select * from mysheet").recordCount(), 4);
    staging.reset();
    EXPECT_EQ(dlg->Cmb->currentIndex(), 1);
    dlg->close();
    EXPECT_EQ(setting(), "1"); // the version shown last is remembered, failed or not
}

TEST_F(ToExcelTest, EnterInABoxPressesNoButtonAndEnterOnAButtonPressesIt)
{
    dlg->show();
    dlg->activateWindow();
    auto enter = [](QWidget* w) {
        w->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    };
    // Strict recorders: a pressed "浏览" or "导出数据" would ask or tell something.
    enter(dlg->Cmb);
    enter(dlg->Txt);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(msgs->count(), 0);

    msgs->expect("请首先选择文件保存位置!");
    enter(dlg->Cmd0);
    files->answer("");
    enter(dlg->CmdSaveTo);
    EXPECT_EQ(files->dialogs().size(), 1);
    enter(dlg->Cmd1);
    EXPECT_FALSE(dlg->isVisible());
}

} // namespace
