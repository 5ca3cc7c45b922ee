#pragma once

// A station in a process of its own (the program sync_station_child), driven by command lines
// and answering with lines, so that a test can kill it (SIGKILL) or stop it cleanly and start it
// again on the same folder.

#include "tlspeer.h"

#include <QProcess>
#include <QStringList>

class StationChild
{
public:
    explicit StationChild(const QString &folder, const QStringList &options = {})
    {
        m_process.setProgram(QStringLiteral(SYNC_STATION_CHILD));
        m_process.setArguments(QStringList {folder} + options);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
    }
    ~StationChild()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // The first answer line starting with `word`, waiting while the test's own stations run.
    QByteArray expect(const QByteArray &word, int ms = testwaits::ceilingMs)
    {
        QByteArray found;
        spinUntil(
            [&] {
                // Asked once more after the wait: a line is taken only once.
                if (!found.isEmpty())
                    return true;
                while (m_process.canReadLine()) {
                    const QByteArray line = m_process.readLine().trimmed();
                    m_heard.append(line);
                    if (line == word || line.startsWith(word + ' ')) {
                        found = line;
                        return true;
                    }
                }
                return false;
            },
            ms);
        return found;
    }
    QByteArray ask(const QByteArray &command, const QByteArray &word)
    {
        tell(command);
        return expect(word);
    }
    // The answer to `command` without its word.
    QByteArray value(const QByteArray &command)
    {
        const QByteArray line = ask(command, command);
        return line.mid(command.size() + 1);
    }
    void tell(const QByteArray &command) { m_process.write(command + '\n'); }
    // Every line heard so far that starts with `word`, including those read while waiting for
    // another.
    QList<QByteArray> heard(const QByteArray &word)
    {
        while (m_process.canReadLine())
            m_heard.append(m_process.readLine().trimmed());
        QList<QByteArray> lines;
        for (const QByteArray &line : std::as_const(m_heard))
            if (line.startsWith(word + ' '))
                lines.append(line);
        return lines;
    }
    void killHard()
    {
        m_process.kill(); // SIGKILL
        m_process.waitForFinished(5000);
    }
    // "quit": the program ends as the application does when it is closed.
    bool quit()
    {
        tell("quit");
        return m_process.waitForFinished(testwaits::ceilingMs)
            && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
    QList<QByteArray> m_heard;
};
