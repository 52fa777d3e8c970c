#include "dialogs/toexcel.h"

#include "data/database.h"
#include "platform/command_guard.h"
#include "platform/flexgrid.h"
#include "data/globals.h"
#include "platform/mainhost.h"
#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "data/program_sql.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <optional>
#include <string>
#include <string_view>
#include <vector>


#include <xlsxwriter.h>

namespace {

const QString kTitle = QStringLiteral("导出数据到EXCEL");
const QString kExport = QStringLiteral("导出数据");
const QString kOpen = QStringLiteral("打开文件");
const QString kSettingApp = QStringLiteral("Quenvarix");
const QString kSettingSection = QStringLiteral("Express");
const QString kSettingKey = QStringLiteral("ToExcel");
constexpr int kVersions = 3;
constexpr int kStagingFields = 30;

// The stored setting as a whole number ("" gives 0).
int storedSetting()
{
    return int(Val(GetSetting(kSettingApp, kSettingSection, kSettingKey, QString())));
}

// The remembered version; anything but 0, 1 or 2 counts as the first.
int storedVersion()
{
    const int v = storedSetting();
    return v >= 0 && v < kVersions ? v : 0;
}

void info(const QString& text) { MsgBox(text, vbStyle::Information, QString()); }

} // namespace

ToExcel::FailHook ToExcel::failHook = nullptr;

QString XlsxPath(const QString& path)
{
    if (path.isEmpty() || path.endsWith(".xlsx", Qt::CaseInsensitive))
        return path;
    return path + ".xlsx";
}

ToExcel::ToExcel(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("ToExcel");
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DialogSaveButton).pixmap(48, 48));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    Label2 = new QLabel("Excel版本:", this);
    Label2->setObjectName("Label2");
    Cmb = new QComboBox(this);
    Cmb->setObjectName("Cmb");
    Label1 = new QLabel("保存到:", this);
    Label1->setObjectName("Label1");
    Txt = new QLineEdit(this);
    Txt->setObjectName("Txt");
    Txt->setMinimumWidth(260);
    CmdSaveTo = new QPushButton("浏览", this);
    CmdSaveTo->setObjectName("CmdSaveTo");
    Cmd0 = new QPushButton(kExport, this);
    Cmd0->setObjectName("Cmd(0)");
    Cmd1 = new QPushButton("返回上层", this);
    Cmd1->setObjectName("Cmd(1)");
    Label2->setBuddy(Cmb);
    Label1->setBuddy(Txt);

    auto* fields = new QGridLayout;
    fields->addWidget(Label2, 0, 0);
    fields->addWidget(Cmb, 0, 1);
    fields->addWidget(Label1, 1, 0);
    fields->addWidget(Txt, 1, 1);
    fields->addWidget(CmdSaveTo, 1, 2);

    auto* body = new QHBoxLayout;
    body->addWidget(Image1);
    body->addLayout(fields, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd0);
    buttons->addWidget(Cmd1);

    auto* top = new QVBoxLayout(this);
    top->addLayout(body);
    top->addStretch();
    top->addLayout(buttons);

    ConnectGuarded(CmdSaveTo, &QPushButton::clicked, this, [this] { chooseFile(); });
    ConnectGuarded(Cmd0, &QPushButton::clicked, this, [this] { exportOrOpen(); });
    ConnectGuarded(Cmd1, &QPushButton::clicked, this, [this] { close(); });

    formLoad();
}

ToExcel& ToExcel::shared()
{
    static QPointer<ToExcel> instance;
    if (!instance) {
        MainHost* host = GetMainHost();
        instance = new ToExcel(host ? host->hostWidget() : nullptr);
    }
    return *instance;
}

void ExportGrid(FlexGrid* grid)
{
    ToExcel& dlg = ToExcel::shared();
    dlg.Sgd = grid;
    ExecModal(dlg);
    dlg.Sgd = nullptr;
}

void ToExcel::showEvent(QShowEvent* event)
{
    // Each showing starts in the ready state.
    if (!event->spontaneous())
        formLoad();
    QDialog::showEvent(event);
}

void ToExcel::formLoad()
{
    setWindowTitle(kTitle);
    setEnabled(true);
    Txt->clear();
    Cmd0->setText(kExport);
    CmdSaveTo->setEnabled(true);
    Cmb->setEnabled(true);
    Cmb->clear();
    Cmb->addItems({"EXCEL 8.0", "EXCEL 7.0", "EXCEL 5.0"});
    Cmb->setCurrentIndex(storedVersion());
}

void ToExcel::done(int result)
{
    // Remember the version the list shows, whether its export worked or not:
    // after a fallback that is the last one tried. A stored value out of range
    // differs from every index, so it is replaced.
    const int index = Cmb->currentIndex();
    if (index >= 0 && index != storedSetting())
        SaveSetting(kSettingApp, kSettingSection, kSettingKey, QString::number(index));
    QDialog::done(result);
}

void ToExcel::chooseFile()
{
    const QString chosen = ChooseSaveFile(this, LangStr("导出数据保存到..."), QString(), "Excel文件 (*.xlsx)");
    if (chosen.isEmpty())
        return;
    const QString path = XlsxPath(chosen);
    if (QFileInfo::exists(path)) {
        info(LangStr("目标文件夹存在同名文件，请更换文件名！"));
        return;
    }
    Txt->setText(path);
}

void ToExcel::exportOrOpen()
{
    if (Cmd0->text() == kOpen)
        openFile();
    else
        exportData();
}

void ToExcel::openFile()
{
    const QString path = Txt->text().trimmed();
    if (path.isEmpty())
        return;
    if (!QFileInfo::exists(path)) {
        info("指定文件已经被移除！");
        return;
    }
    if (!OpenWithDesktop(QUrl::fromLocalFile(path).toString()))
        info(QStringLiteral("您的系统不支持由程序直接打开文件、或没有安装Excel，") + QChar(13) + QChar(13)
             + QStringLiteral("请您到文件夹中尝试鼠标双击该文件打开文件。"));
}

void ToExcel::exportData()
{
    if (Txt->text().isEmpty()) {
        info("请首先选择文件保存位置!");
        return;
    }
    const QString templatePath = gAppPath + "excel.dat";
    if (!QFileInfo::exists(templatePath)) {
        info("捷诺达系统文件excel.dat丢失,无法执行操作!");
        return;
    }
    const QString target = XlsxPath(Txt->text());
    // The file may have appeared since it was chosen, or the name was typed:
    // a user's file is never overwritten.
    if (QFileInfo::exists(target)) {
        info(LangStr("目标文件夹存在同名文件，请更换文件名！"));
        return;
    }
    Txt->setText(target);

    setEnabled(false);
    std::optional<WaitCursor> wait(std::in_place);
    std::unique_ptr<Database> staging;
    QList<int> staged; // the grid columns in the staging table
    try {
        staging = Database::open(templatePath, QString(), ProgramSql());
        if (Sgd) {
            // Repainting after every row of a long grid would cost more than
            // the copy; the caption follows often enough to be seen moving.
            QElapsedTimer sinceRepaint;
            sinceRepaint.start();
            const int lastRow = Sgd->rows() - 1;
            staged = StageGrid(*staging, *Sgd, [&](int r) {
                if (r == lastRow || sinceRepaint.elapsed() >= 40) {
                    setWindowTitle("正在读取第 " + QString::number(r) + " 行");
                    LetRepaint();
                    sinceRepaint.restart();
                }
            });
        } else {
            staging->execute("delete from mysheet");
        }
    } catch (const DbError& e) {
        staging.reset();
        wait.reset();
        setEnabled(true);
        setWindowTitle(kTitle);
        MsgBox(e.message(), vbStyle::Information, QString());
        return;
    }

    setWindowTitle("读取数据完毕,准备导出到Excel文件 ");
    LetRepaint();

    QString untried = " 012";
    int version = qBound(0, Cmb->currentIndex(), kVersions - 1);
    untried.replace(QString::number(version), " ");
    while (!writeWorkbook(*staging, staged, target, version)) {
        int next = -1;
        for (int v = 0; v < kVersions; ++v)
            if (untried.contains(QString::number(v))) {
                next = v;
                break;
            }
        if (next < 0) {
            staging.reset();
            wait.reset();
            info("对不起,您的Windwx系统不支持任何一个版本的EXCEL导出!");
            setEnabled(true);
            return;
        }
        version = next;
        Cmb->setCurrentIndex(version);
        untried.replace(QString::number(version), " ");
    }

    staging.reset();
    wait.reset();
    setWindowTitle("数据成功导出到Excel文件！");
    CmdSaveTo->setEnabled(false);
    Cmb->setEnabled(false);
    Cmd0->setText(kOpen);
    info(windowTitle());
    setEnabled(true);
}

bool ToExcel::writeWorkbook(Database& staging, const QList<int>& columns, const QString& path, int version)
{
    if (failHook && failHook(version))
        return false;
    return WriteStagedWorkbook(staging, columns, path, version);
}

QList<int> ExportColumns(const FlexGrid& grid)
{
    QList<int> columns{0};
    const int lastCol = qMin(grid.cols() - 1, kStagingFields - 1);
    for (int c = 1; c <= lastCol; ++c)
        if (grid.colWidth(c) >= 2)
            columns << c;
    return columns;
}

QList<int> StageGrid(Database& staging, const FlexGrid& grid, const std::function<void(int row)>& progress)
{
    const QList<int> columns = ExportColumns(grid);
    QString fields;
    QString params;
    for (int i = 0; i < columns.size(); ++i) {
        fields += (i ? ",F" : "F") + QString::number(columns[i] + 1);
        params += i ? ",?" : "?";
    }

    // The template is scratch: every export empties it first, and nothing in
    // it is wanted once the workbook is written. So its writes do not wait
    // for the disk (at the commit, and when closing the template copies the
    // journal into the file). The journal itself stays: a failed copy still
    // rolls back whole, and the program stopping in the middle leaves the
    // template as it was. Only a power failure during an export could spoil
    // it, and then only this scratch table.
    staging.executeNative("PRAGMA synchronous=OFF");
    Transaction tx(staging);
    staging.execute("delete from mysheet");
    // One insert per grid row, prepared once: bound values keep the texts
    // exactly as they are (quotes, date-like text) without parsing each row.
    Statement insert(staging, "insert into mysheet (" + fields + ") values (" + params + ")");
    // A row's texts are copied out of the grid before they are bound: what
    // the grid hands out need not stay put while it is asked for the next
    // cell. The buffers are reused, so a row costs no allocation once they
    // have grown to the longest texts.
    std::vector<std::string> texts(size_t(columns.size()));
    const int rows = grid.rows();
    for (int r = 0; r < rows; ++r) {
        for (size_t i = 0; i < texts.size(); ++i)
            texts[i].assign(grid.textUtf8(r, columns[qsizetype(i)]));
        for (size_t i = 0; i < texts.size(); ++i)
            insert.bindUtf8InPlace(int(i) + 1, texts[i]);
        insert.run();
        if (progress)
            progress(r);
    }
    tx.commit();
    return columns;
}

namespace {

// One configuration of the writer per entry of the version list.
struct WriterSetup {
    bool constantMemory; // rows streamed to disk, strings stored inline
    bool zip64;
    bool textFormat;     // cells formatted as text ("@")
};
constexpr WriterSetup kSetups[kVersions] = {
    {false, false, true},  // EXCEL 8.0
    {true, false, true},   // EXCEL 7.0
    {false, true, false},  // EXCEL 5.0
};

} // namespace

bool WriteStagedWorkbook(Database& staging, const QList<int>& columns, const QString& path, int version)
{
    if (version < 0 || version >= kVersions)
        return false;
    const WriterSetup& setup = kSetups[version];
    // Written under a name of its own in the target folder and given the
    // chosen name only when complete: an export ended half-way leaves no
    // truncated workbook under that name.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    const QByteArray file = QFile::encodeName(part);
    const QByteArray tmp = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.constant_memory = setup.constantMemory ? LXW_TRUE : LXW_FALSE;
    options.tmpdir = const_cast<char*>(tmp.constData());
    options.use_zip64 = setup.zip64 ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(file.constData(), &options);
    if (!book)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book, "mysheet");
    lxw_format* text = nullptr;
    if (setup.textFormat) {
        text = workbook_add_format(book);
        format_set_num_format(text, "@");
    }

    // The staging rows are the sheet: the grid's header row is its first row.
    // Only the fields the copy filled are read; the others hold nothing.
    QString fields;
    for (int c : columns)
        fields += (fields.isEmpty() ? "F" : ",F") + QString::number(c + 1);
    bool ok = sheet != nullptr;
    try {
        if (!fields.isEmpty()) {
            Statement rows(staging, "select " + fields + " from mysheet order by rowid");
            const int count = int(columns.size());
            for (lxw_row_t row = 0; ok && rows.step(); ++row) {
                for (int i = 0; ok && i < count; ++i)
                    if (const char* v = rows.columnUtf8(i))
                        ok = worksheet_write_string(sheet, row, lxw_col_t(columns[i]), v, text) == LXW_NO_ERROR;
            }
        }
    } catch (const DbError&) {
        ok = false;
    }
    const bool closed = workbook_close(book) == LXW_NO_ERROR;
    // Never over a file that appeared under the name meanwhile.
    if (ok && closed && QFile::rename(part, path))
        return true;
    QFile::remove(part); // no half-written workbook is left behind
    return false;
}
