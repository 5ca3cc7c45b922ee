#pragma once

// A private CUPS daemon for tests: its own configuration, spool and logs in a temporary folder,
// listening only on a unix socket there, with no browsing or service announcement. CUPS_SERVER is
// pointed at it before any CUPS call of the process, so the code under test talks to it alone.
// Jobs and their files are kept, and the debug log records every job's options.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class PrivateCups
{
public:
    ~PrivateCups() { stop(); }

    // False with `error()` set when the daemon cannot run here.
    bool start()
    {
        if (!m_dir.isValid())
            return fail(QStringLiteral("no temporary folder"));
        const QString cupsd
            = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/usr/local/sbin"});
        if (cupsd.isEmpty())
            return fail(QStringLiteral("cupsd is not installed"));
        const QString root = m_dir.path();
        // The daemon runs its backends as another user; they need to reach the spool.
        ::chmod(root.toLocal8Bit().constData(), 0755);
        for (const char *sub : {"etc/ppd", "spool/tmp", "cache", "run", "log", "out"})
            QDir(root).mkpath(QLatin1String(sub));
        ::chmod((root + QStringLiteral("/out")).toLocal8Bit().constData(), 0777);
        write(QStringLiteral("etc/cups-files.conf"),
            QStringLiteral("FileDevice Yes\nServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                           "CacheDir %1/cache\nStateDir %1/run\nErrorLog %1/log/error_log\n"
                           "AccessLog %1/log/access_log\nPageLog %1/log/page_log\nServerBin /usr/lib/cups\n"
                           "DataDir /usr/share/cups\nSystemGroup root\n")
                .arg(root));
        write(QStringLiteral("etc/cupsd.conf"),
            QStringLiteral(
                "Listen %1/cups.sock\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n"
                "LogLevel debug\nPreserveJobFiles Yes\nPreserveJobHistory Yes\nDefaultAuthType None\n"
                "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                .arg(root));
        qputenv("CUPS_SERVER", socketPath().toLocal8Bit());
        m_daemon.setProgram(cupsd);
        m_daemon.setArguments(
            {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/etc/cupsd.conf"),
                QStringLiteral("-s"), root + QStringLiteral("/etc/cups-files.conf")});
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start();
        if (!m_daemon.waitForStarted(testwaits::ceilingMs))
            return fail(QStringLiteral("cupsd did not start: ") + m_daemon.errorString());
        // Ready once it answers on its socket.
        const bool answered = QTest::qWaitFor(
            [&] {
                return m_daemon.state() != QProcess::Running
                    || run(QStringLiteral("lpstat"), {QStringLiteral("-r")})
                           .contains(QLatin1String("is running"));
            },
            testwaits::ceilingMs);
        if (m_daemon.state() != QProcess::Running)
            return fail(QStringLiteral("cupsd exited: ") + QString::fromLocal8Bit(m_daemon.readAll()));
        if (!answered)
            return fail(QStringLiteral("cupsd did not answer on its socket"));
        return true;
    }

    void stop()
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(2000);
        }
    }

    // A raw queue writing into a file: the document arrives as the application sent it.
    bool addFileQueue(const QString &name)
    {
        run(QStringLiteral("lpadmin"),
            {QStringLiteral("-p"), name, QStringLiteral("-v"),
                QStringLiteral("file://%1/out/%2.out").arg(m_dir.path(), name), QStringLiteral("-E"),
                QStringLiteral("-m"), QStringLiteral("raw")});
        return run(QStringLiteral("lpstat"), {QStringLiteral("-p"), name}).contains(name);
    }
    void setDefault(const QString &name) { run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name}); }
    void reject(const QString &name) { run(QStringLiteral("cupsreject"), {name}); }

    [[nodiscard]] QString socketPath() const { return m_dir.path() + QStringLiteral("/cups.sock"); }
    [[nodiscard]] QString error() const { return m_error; }

    // Ids of the jobs the daemon accepted, in order.
    [[nodiscard]] QList<int> jobIds() const
    {
        QList<int> ids;
        const QString log = readLog();
        static const QRegularExpression queued(QStringLiteral("\\[Job (\\d+)\\] Queued on"));
        for (auto it = queued.globalMatch(log); it.hasNext();)
            ids << it.next().captured(1).toInt();
        return ids;
    }

    // The option text the daemon handed to the queue's backend for a job (argv[5]).
    [[nodiscard]] QString jobOptions(int jobId) const
    {
        const QRegularExpression re(QStringLiteral("\\[Job %1\\] argv\\[5\\]=\"([^\"]*)\"").arg(jobId));
        const auto m = re.match(readLog());
        return m.hasMatch() ? m.captured(1) : QString();
    }

    // The job's document as received (kept because PreserveJobFiles is on).
    [[nodiscard]] QString jobDocumentPath(int jobId) const
    {
        return m_dir.path() + QStringLiteral("/spool/d%1-001").arg(jobId, 5, 10, QLatin1Char('0'));
    }

    [[nodiscard]] QString readLog() const
    {
        QFile f(m_dir.path() + QStringLiteral("/log/error_log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }

    QString run(const QString &program, const QStringList &args) const
    {
        // lpadmin and cupsreject live in the system folders a user's PATH may leave out.
        QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty())
            path = QStandardPaths::findExecutable(program, {"/usr/sbin", "/usr/local/sbin"});
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(path.isEmpty() ? program : path, args);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAll());
    }

private:
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }
    void write(const QString &relative, const QString &text)
    {
        QFile f(m_dir.path() + QLatin1Char('/') + relative);
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toLocal8Bit());
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_error;
};
