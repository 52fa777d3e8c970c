#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// Another running copy of the program's start-up on a program folder: the
// upgrade_driver tool (tests/support_tools) started as a child process.
class CopyProcess {
public:
    CopyProcess(const QString& driver, const QString& folder, const QStringList& options = {});
    ~CopyProcess(); // kills it if it still runs

    // Reads its output until a line starting with prefix; returns that line,
    // or "" when it ended (or 60 s passed) first.
    QString waitFor(const QString& prefix);
    // Killed with no chance to tidy up, as by the task manager or a power cut
    // of the process alone.
    void kill();
    // Closes its stdin without waiting: a copy held until then goes on.
    void closeInput() { m_process.closeWriteChannel(); }
    // Closes its stdin (a held copy then ends) and waits for its exit code.
    int finish();
    // Everything it printed so far.
    const QStringList& lines() const { return m_lines; }

private:
    QProcess m_process;
    QStringList m_lines;
    QByteArray m_pending;
};

// Runs the driver to its end; returns its exit code and, in lines, its output.
int RunCopy(const QString& driver, const QString& folder, const QStringList& options, QStringList* lines = nullptr);

// A file or folder nothing can be written to or created in for the life of
// the object, even by root (the tests' user): the immutable attribute. ok()
// is false where chattr or the file system does not give it; the case is
// then skipped.
class ImmutablePlace {
public:
    explicit ImmutablePlace(const QString& path);
    ~ImmutablePlace();
    ImmutablePlace(const ImmutablePlace&) = delete;
    ImmutablePlace& operator=(const ImmutablePlace&) = delete;
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_ok = false;
};
