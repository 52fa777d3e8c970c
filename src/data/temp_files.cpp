#include "data/temp_files.h"

#include "data/database.h"
#include "data/statement.h"

TempFilesOnDisk::TempFilesOnDisk(Database& db)
    : m_db(db)
{
    try {
        {
            Statement st(db, QStringLiteral("PRAGMA temp_store"));
            if (st.step())
                m_before = int(st.columnInt64(0));
        }
        db.executeNative(QStringLiteral("PRAGMA temp_store=FILE"));
        m_changed = true;
    } catch (const DbError&) {
        // Refused while temporary tables are in use: nothing else changes.
    }
}

TempFilesOnDisk::~TempFilesOnDisk()
{
    if (!m_changed)
        return;
    try {
        m_db.executeNative(QStringLiteral("PRAGMA temp_store=%1").arg(m_before));
    } catch (...) {
        // Left on disk: slower temporary files, nothing lost.
    }
}
