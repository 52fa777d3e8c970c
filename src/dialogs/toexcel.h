#pragma once
#include <QDialog>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class Database;
class FlexGrid;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The Excel export ("导出数据到EXCEL"): copies a grid row by row into the
// staging table mysheet of the export template excel.dat, then writes that
// table as the sheet "mysheet" of an .xlsx workbook.
//
// How a window calls it: ExportGrid(GD) (the grid to export, header row
// included).
//
// Column 0 and each of the columns 1..29 at least 2 twips wide are exported,
// grid column c to staging field F(c+1). The sheet holds the staging rows and
// nothing else: its first row is the grid's header row, and a column left out
// stays empty. The three entries of the version list are three configurations
// of the writer; when one fails the next untried one is used, in list order.
// The version last used with success is remembered.
class ToExcel : public QDialog {
    Q_OBJECT
public:
    explicit ToExcel(QWidget* parent = nullptr);

    // The one instance the windows share, created on first use.
    static ToExcel& shared();

    // The grid to export; set by the caller before showing.
    FlexGrid* Sgd = nullptr;

    // Testing aid: when set, a version for which it returns true fails as
    // if the writer had refused it.
    using FailHook = bool (*)(int version);
    static FailHook failHook;

    QComboBox* Cmb;
    QLineEdit* Txt;
    QPushButton* CmdSaveTo;
    QPushButton* Cmd0; // "导出数据", then "打开文件"
    QPushButton* Cmd1; // "返回上层"
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Image1;

    // The button actions.
    void chooseFile();
    void exportOrOpen();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void formLoad();
    void exportData();
    void openFile();
    // Staging table to .xlsx with the writer configured for one version;
    // false when the writer refused.
    bool writeWorkbook(Database& staging, const QList<int>& columns, const QString& path, int version);
};

// Shows the shared export dialog modally over grid, and lets go of the grid
// when it closes.
void ExportGrid(FlexGrid* grid);

// The path the export writes to: a name without the .xlsx ending gets it.
QString XlsxPath(const QString& path);

// The export's work without the dialog, in its two steps.
//
// The grid columns copied: column 0 and each of the columns 1..29 that is at
// least 2 twips wide (a column hidden by a width of 0 or 1 is left out).
QList<int> ExportColumns(const FlexGrid& grid);
// Empties the staging table mysheet and copies every grid row into it, the
// header row first, in one transaction; the texts go in unchanged. progress
// is told now and then of the row (from 0) just copied. Returns the grid
// columns copied (ExportColumns). Throws DbError.
QList<int> StageGrid(Database& staging, const FlexGrid& grid, const std::function<void(int row)>& progress = {});
// Writes the staging rows as the sheet "mysheet" of an .xlsx workbook, the
// writer configured for one version (0-2). columns are the grid columns
// StageGrid copied: their fields are read, the others hold nothing (none:
// nothing was copied, the sheet stays empty). false when the writer refused;
// no half-written file is left.
bool WriteStagedWorkbook(Database& staging, const QList<int>& columns, const QString& path, int version);
