#pragma once
#include "dialogs/report_engine.h"

#include <QMap>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

// The report control of the report host: a window sets its properties in
// this order and runs it.
//
//     Prnt* host = Prnt::Show();
//     ReportControl& cry = host->Cry();
//     cry.setDataFiles(0, gDbPath);                      // the live data file
//     cry.setReportFileName(gAppPath + "prntc023.rpt");  // clears old formulas
//     cry.setFormulas(0, "RQ='对帐日期:" + from + "至" + to + "'");
//     cry.setFormulas(1, "KH='" + name + "'");
//     cry.setDestination(0);                             // 0 preview, 1 printer
//     cry.setAction(1);                                  // produce it now
//
// The report reads its scratch table through gDb; the data file is never
// opened a second time. A failure (missing template, column or formula, a
// data error, a printer that refuses) is shown in a message box and nothing
// is presented as a report.
class ReportControl {
public:
    explicit ReportControl(QWidget* owner = nullptr) : m_owner(owner) {}

    void setDataFiles(int index, const QString& path);
    // A new report: the formulas of the previous one are dropped.
    void setReportFileName(const QString& path);
    // "name='value'"; the value runs from the first "='" to the last "'".
    void setFormulas(int index, const QString& text);
    void setDestination(int destination) { m_destination = destination; }
    // 1 produces the report now, into the preview or onto the printer.
    // Returns true when the report was shown, printed or saved.
    bool setAction(int action);

    // Where destination 0 shows the report (the host's preview).
    void setWindowParent(ReportPreview* preview) { m_preview = preview; }

    QString reportFileName() const { return m_reportFile; }
    int destination() const { return m_destination; }
    QMap<int, QString> formulas() const { return m_formulas; }
    // The report as last produced, previewed or printed; null before any.
    std::shared_ptr<const ReportLayout> lastReport() const { return m_last; }

    // The default printer's name, "" when the computer has none. Tests
    // replace the look-up; an empty function restores the system's.
    using PrinterLookup = std::function<QString()>;
    static void SetPrinterLookup(PrinterLookup lookup);
    static QString DefaultPrinterName();

private:
    std::shared_ptr<const ReportLayout> produce();
    bool print(const ReportLayout& layout);

    QPointer<QWidget> m_owner;
    QPointer<ReportPreview> m_preview;
    QString m_dataFile;
    QString m_reportFile;
    QMap<int, QString> m_formulas;
    int m_destination = 0;
    std::shared_ptr<const ReportLayout> m_last;
};

// Splits "name='value'" into its name (trimmed) and value. The value runs
// from the first "='" to the last "'", so quotes inside it stay. A text
// without "='" gives everything after "=" as the value. False without "=".
bool ParseFormula(const QString& text, QString* name, QString* value);

// Empties a scratch table and writes the rows into it, every cell as a quoted
// literal, all in one transaction. A failure is shown (the engine's text) and
// leaves the table as it was; the caller then does not print.
bool FillScratchTable(const QString& table, const QStringList& columns, const QList<QStringList>& rows);
