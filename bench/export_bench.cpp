// Exporting a grid of 100,000 rows of 11 columns as the export dialog does it,
// its two steps timed apart: opening the export template and copying the grid
// into its staging table, then writing the workbook and closing the template.
// Beside them, in the same runs, a bare libxlsxwriter loop writing the same
// cells from memory with the writer set up as for "EXCEL 8.0": the least an
// export of these cells can cost. Each figure is the median of the runs; the
// runs of the two alternate, so a busy machine slows both alike. Each run
// ends with its freed memory given back to the system (malloc_trim): the
// writer frees a million small blocks when it closes, and tidying them up
// would otherwise fall to whatever allocates next, the other one's run.
//
// Usage: export_bench [--runs=N] [--versions]   (--versions: the other two
// entries of the version list as well)
#include "support/bench_support.h"
#include "data/database.h"
#include "platform/flexgrid.h"
#include "data/program_sql.h"
#include "data/schema.h"
#include "dialogs/toexcel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

// The processor time this process has used, in ms: beside the clock, a figure
// that other work on the machine moves less.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

constexpr int kRows = 100000;
constexpr int kCols = 11;

// What a waybill list holds: codes, names, places, amounts, dates.
void fillGrid(FlexGrid& grid)
{
    std::vector<QString> cells(size_t(kRows + 1) * kCols);
    for (int c = 0; c < kCols; ++c)
        cells[size_t(c)] = QStringLiteral("列%1").arg(c);
    for (int r = 1; r <= kRows; ++r) {
        QString* row = &cells[size_t(r) * kCols];
        row[0] = QStringLiteral("W%1").arg(r, 8, 10, QChar('0'));
        row[1] = QStringLiteral("客户%1").arg(r % 500);
        row[2] = QStringLiteral("北京");
        row[3] = QString::number(r * 0.37, 'g', 15);
        row[4] = QString::number((r % 97) + 0.5);
        row[5] = QString::number(r % 13);
        row[6] = QStringLiteral("2024-%1-%2").arg(r % 12 + 1, 2, 10, QChar('0')).arg(r % 28 + 1, 2, 10, QChar('0'));
        row[7] = r % 7 ? QStringLiteral("月结") : QString();
        row[8] = QString::number(r / 3.0, 'g', 15);
        row[9] = QStringLiteral("外务员%1").arg(r % 40);
        row[10] = QStringLiteral("备注 O'Neil %1").arg(r);
    }
    grid.setAll(kRows + 1, kCols, std::move(cells));
}

// The cells the export writes, as the writer takes them: for each row the
// exported columns with their texts.
struct PeerCells {
    QList<int> columns;
    std::vector<std::string> texts; // row-major, one per exported column
};

PeerCells peerCells(const FlexGrid& grid)
{
    PeerCells p;
    p.columns = ExportColumns(grid);
    p.texts.reserve(size_t(grid.rows()) * size_t(p.columns.size()));
    for (int r = 0; r < grid.rows(); ++r)
        for (int c : p.columns)
            p.texts.emplace_back(grid.textUtf8(r, c));
    return p;
}

// The same cells straight into a workbook: no staging, no reading back.
bool writePeer(const PeerCells& p, const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    const QByteArray tmp = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.tmpdir = const_cast<char*>(tmp.constData());
    options.use_zip64 = LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(file.constData(), &options);
    if (!book)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book, "mysheet");
    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");
    const size_t n = size_t(p.columns.size());
    bool ok = true;
    for (size_t i = 0; ok && i < p.texts.size(); ++i)
        ok = worksheet_write_string(sheet, lxw_row_t(i / n), lxw_col_t(p.columns[qsizetype(i % n)]),
                                    p.texts[i].c_str(), text)
             == LXW_NO_ERROR;
    return workbook_close(book) == LXW_NO_ERROR && ok;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 5;
    bool versions = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0)
            runs = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strcmp(argv[i], "--versions") == 0)
            versions = true;
    }

    QTemporaryDir dir;
    const QString templatePath = dir.path() + "/excel.dat";
    CreateExcelTemplate(templatePath);
    FlexGrid grid;
    fillGrid(grid);
    const PeerCells peer = peerCells(grid);
    const QString out = dir.path() + "/out.xlsx";
    const QString peerOut = dir.path() + "/peer.xlsx";

    std::printf("export of %d rows x %d columns, %d runs, medians\n", grid.rows(), kCols, runs);
    for (int version = 0; version < (versions ? 3 : 1); ++version) {
        std::vector<double> staged, written, totals, bare, cpu, bareCpu;
        bool ok = true;
        for (int i = 0; i < runs; ++i) {
            QFile::remove(out);
            const double c0 = CpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            std::unique_ptr<Database> staging = Database::open(templatePath, QString(), ProgramSql());
            const QList<int> columns = StageGrid(*staging, grid);
            const double s = MsSince(t0);
            ok = WriteStagedWorkbook(*staging, columns, out, version) && ok;
            staging.reset();
            malloc_trim(0);
            const double t = MsSince(t0);
            cpu.push_back(CpuMs() - c0);
            staged.push_back(s);
            written.push_back(t - s);
            totals.push_back(t);
            if (version == 0) {
                QFile::remove(peerOut);
                const double pc0 = CpuMs();
                const auto p0 = std::chrono::steady_clock::now();
                ok = writePeer(peer, peerOut) && ok;
                malloc_trim(0);
                bare.push_back(MsSince(p0));
                bareCpu.push_back(CpuMs() - pc0);
            }
        }
        if (!ok)
            std::printf("  the writer refused\n");
        const double total = MedianOf(totals);
        std::printf("version %d: staging %.1f ms, workbook %.1f ms, export %.1f ms, processor %.1f ms (%.1f MB)\n",
                    version, MedianOf(staged), MedianOf(written), total, MedianOf(cpu),
                    double(QFile(out).size()) / 1048576.0);
        if (version == 0) {
            const double b = MedianOf(bare);
            const double bc = MedianOf(bareCpu);
            std::printf("bare libxlsxwriter loop, same cells and setup: %.1f ms, processor %.1f ms (%.1f MB)\n", b, bc,
                        double(QFile(peerOut).size()) / 1048576.0);
            std::printf("export / bare loop: %.2fx, processor %.2fx (aim: export under 2000 ms or within 1.20x)\n",
                        total / b, MedianOf(cpu) / bc);
        }
    }
    return 0;
}
