#pragma once
#include <QString>

// While it lives, the engine refuses every statement that reads table.column
// ("access to T.C is prohibited") and lets writes of it go on, so a check's
// look-up fails while the write it guards would not. The first `allowed`
// reads (each mention in a statement is one) still pass.
class FailingReads {
public:
    FailingReads(const QString& table, const QString& column, int allowed = 0);
    ~FailingReads();
    FailingReads(const FailingReads&) = delete;
    FailingReads& operator=(const FailingReads&) = delete;

private:
    static int authorize(void* self, int action, const char* table, const char* column, const char*, const char*);
    QByteArray m_table, m_column;
    int m_allowed;
};
