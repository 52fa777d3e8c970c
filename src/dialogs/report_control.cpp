#include "dialogs/report_control.h"

#include "data/globals.h"
#include "platform/msgbox.h"
#include "platform/platform.h"
#include "data/sqltext.h"
#include "data/statement.h"

#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace {

ReportControl::PrinterLookup& printerLookup()
{
    static ReportControl::PrinterLookup lookup;
    return lookup;
}

bool samePath(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    const QString ca = fa.canonicalFilePath(), cb = fb.canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty())
        return ca == cb;
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

} // namespace

bool ParseFormula(const QString& text, QString* name, QString* value)
{
    const int quoted = int(text.indexOf(QStringLiteral("='")));
    if (quoted >= 0) {
        *name = text.left(quoted).trimmed();
        const int start = quoted + 2;
        const int last = int(text.lastIndexOf('\''));
        *value = last >= start ? text.mid(start, last - start) : text.mid(start);
        return !name->isEmpty();
    }
    const int eq = int(text.indexOf('='));
    if (eq < 0)
        return false;
    *name = text.left(eq).trimmed();
    *value = text.mid(eq + 1);
    return !name->isEmpty();
}

void ReportControl::setDataFiles(int index, const QString& path)
{
    if (index == 0)
        m_dataFile = path;
}

void ReportControl::setReportFileName(const QString& path)
{
    m_reportFile = path;
    m_formulas.clear();
}

void ReportControl::setFormulas(int index, const QString& text)
{
    m_formulas.insert(index, text);
}

void ReportControl::SetPrinterLookup(PrinterLookup lookup) { printerLookup() = std::move(lookup); }

QString ReportControl::DefaultPrinterName()
{
    if (printerLookup())
        return printerLookup()();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    return info.isNull() ? QString() : info.printerName();
}

std::shared_ptr<const ReportLayout> ReportControl::produce()
{
    const QString name = QFileInfo(m_reportFile).fileName();
    if (m_reportFile.isEmpty())
        throw ReportError(QStringLiteral("没有可打印的报表!"));
    Database& db = Db();
    // The report reads the open data file; any other file is not ours to open.
    if (!m_dataFile.isEmpty() && !samePath(m_dataFile, db.path()))
        throw ReportError(QStringLiteral("报表文件%1的数据文件%2不是当前打开的数据文件!").arg(name, m_dataFile));
    const ReportTemplate tpl = ReportTemplate::load(m_reportFile);
    QMap<QString, QString> formulas;
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it) {
        QString fname, fvalue;
        if (!ParseFormula(it.value(), &fname, &fvalue))
            throw ReportError(QStringLiteral("报表文件%1的公式%2格式错误: %3").arg(name).arg(it.key()).arg(it.value()));
        formulas.insert(fname.toLower(), fvalue);
    }
    const ReportRows rows = ReadReportRows(tpl, db);
    return std::make_shared<const ReportLayout>(LayoutReport(tpl, rows, formulas));
}

bool ReportControl::setAction(int action)
{
    if (action != 1)
        return false;
    std::shared_ptr<const ReportLayout> layout;
    QString error;
    {
        WaitCursor wait;
        try {
            layout = produce();
        } catch (const ReportError& e) {
            error = e.message();
        } catch (const DbError& e) {
            error = QStringLiteral("报表文件%1: %2").arg(QFileInfo(m_reportFile).fileName(), e.message());
        }
    }
    if (!layout) {
        if (m_destination == 0) {
            // Never leave an older report on show as if it were this one.
            if (m_preview)
                m_preview->clear();
            MsgBox(error, vbStyle::Information, gMsgTitle);
        } else {
            // The host's print: the error text alone; the preview stays.
            MsgBox(error, vbStyle::Information);
        }
        return false;
    }
    m_last = layout;
    if (m_destination == 0) {
        if (m_preview)
            m_preview->showReport(layout);
        return true;
    }
    return print(*layout);
}

bool ReportControl::print(const ReportLayout& layout)
{
    const QString printerName = DefaultPrinterName();
    QString error;
    if (printerName.isEmpty()) {
        // No printer: the report can still leave as a PDF file.
        MsgBox(QStringLiteral("您的电脑没有安装打印机!"), vbStyle::Information);
        QString path = gAppPath + QFileInfo(layout.name).completeBaseName() + ".pdf";
        for (;;) {
            path = ChooseSaveFile(m_owner, QStringLiteral("保存为PDF文件"), path, QStringLiteral("PDF文件 (*.pdf)"));
            if (path.isEmpty())
                return false;
            if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
                path += QStringLiteral(".pdf");
            // A file of the user's is never overwritten: another name, or cancel.
            if (!QFileInfo::exists(path))
                break;
            MsgBox(QStringLiteral("目标文件夹存在同名文件，请更换文件名！"), vbStyle::Information);
        }
        if (!WriteReportPdf(layout, path, &error)) {
            MsgBox(error, vbStyle::Information);
            return false;
        }
        return true;
    }
    QPrinter printer(QPrinterInfo::printerInfo(printerName), QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(layout.name);
    if (!printer.isValid() || !PrintReport(layout, printer, &error)) {
        // Name both: the operator must know which printer to look at.
        MsgBox(QStringLiteral("打印机%1无法打印报表%2!").arg(printerName, layout.name), vbStyle::Information);
        return false;
    }
    return true;
}

bool FillScratchTable(const QString& table, const QStringList& columns, const QList<QStringList>& rows)
{
    static const QRegularExpression ident(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    bool namesOk = ident.match(table).hasMatch() && !columns.isEmpty();
    for (const QString& c : columns)
        namesOk = namesOk && ident.match(c).hasMatch();
    if (!namesOk) {
        MsgBox(QStringLiteral("数据表%1的字段名有误!").arg(table), vbStyle::Information, gMsgTitle);
        return false;
    }
    try {
        Database& db = Db();
        Transaction tx(db);
        db.execute(QStringLiteral("delete from ") + table);
        // Bound values go in exactly as the window wrote them, one prepared insert for all rows.
        QStringList params;
        for (int c = 1; c <= columns.size(); ++c)
            params << QStringLiteral("?%1").arg(c);
        Statement insert(db, QStringLiteral("insert into %1 (%2) values (%3)").arg(table, columns.join(','), params.join(',')));
        for (const QStringList& row : rows) {
            for (int c = 0; c < columns.size(); ++c)
                insert.bind(c + 1, row.value(c));
            insert.run();
        }
        tx.commit();
    } catch (const DbError& e) {
        MsgBox(e.message(), vbStyle::Information, gMsgTitle);
        return false;
    }
    return true;
}
