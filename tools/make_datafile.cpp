// make-datafile PATH          writes a new encrypted data file
// make-datafile --excel PATH  writes the export template with its staging table
#include "data/dberror.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool excel = !args.isEmpty() && args.first() == "--excel";
    const QStringList paths = excel ? args.mid(1) : args;
    if (paths.size() != 1) {
        std::fprintf(stderr, "usage: make-datafile PATH | make-datafile --excel PATH\n");
        return 2;
    }
    const QString path = paths.first();
    if (QFileInfo::exists(path)) {
        std::fprintf(stderr, "make-datafile: %s exists; it is not overwritten\n", qPrintable(path));
        return 1;
    }
    try {
        if (excel)
            CreateExcelTemplate(path);
        else
            CreateDataFile(path);
    } catch (const DbError& e) {
        std::fprintf(stderr, "make-datafile: %s\n", e.what());
        return 1;
    }
    return 0;
}
