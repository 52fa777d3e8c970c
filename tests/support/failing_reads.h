#pragma once
#include <QString>

// Makes the engine refuse, from now until this goes, every statement that
// reads table.column ("access to T.C is prohibited"), as a table that went
// missing or bad would, while statements that only write it go on. So a
// check's look-up can fail while the write it guards would still succeed.
// The first `allowed` reads still pass (each mention of the column in a
// statement is one): a look-up that fails the second time it is made.
class FailingReads {
public:
    FailingReads(const QString& table, const QString& column, int allowed = 0);
    ~FailingReads();
    FailingReads(const FailingReads&) = delete;
    FailingReads& operator=(const FailingReads&) = delete;
    // Statements refused so far.
    int refused() const { return m_refused; }

private:
    static int authorize(void* self, int action, const char* a, const char* b, const char*, const char*);
    QByteArray m_table, m_column;
    int m_allowed;
    int m_refused = 0;
};
