#pragma once

// Reads produced PDF files back with poppler-utils.

#include "documenttestsupport.h"
#include "localization.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pdftest {

// The folder the PDFs are written to and the English texts every PDF test starts from.
// VEXLO_KEEP_TEST_OUTPUT keeps the folder for looking at the files.
class Output
{
public:
    // From initTestCase: installs the English texts; false when the folder could not be made.
    [[nodiscard]] bool setUp()
    {
        if (!m_dir.isValid())
            return false;
        if (qEnvironmentVariableIsSet("VEXLO_KEEP_TEST_OUTPUT")) {
            m_dir.setAutoRemove(false);
            qInfo("PDF output kept in %s", qPrintable(m_dir.path()));
        }
        m_english.setLanguage(AppLanguage::English);
        LocalizationManager::setShared(&m_english);
        return true;
    }
    ~Output() { LocalizationManager::setShared(nullptr); }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    LocalizationManager &english() { return m_english; }

private:
    QTemporaryDir m_dir;
    LocalizationManager m_english {QStringList {QStringLiteral("en")}};
};

inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of one page (1-based), or of all pages when `page` is 0, laid out as on the page.
inline QString text(const QString &path, int page = 0)
{
    QStringList args {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << path << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), args);
}

struct Info
{
    int pages = 0;
    QSizeF pageSize;
};

// Page count and the size of the first page in points; zero pages when unreadable.
inline Info info(const QString &path)
{
    const QString out = run(QStringLiteral("pdfinfo"), {path});
    Info i;
    const auto pages
        = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
              .match(out);
    if (pages.hasMatch())
        i.pages = pages.captured(1).toInt();
    const auto size = QRegularExpression(
        QStringLiteral("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts"), QRegularExpression::MultilineOption)
                          .match(out);
    if (size.hasMatch())
        i.pageSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    return i;
}

// Lines of the text without layout spacing, for simple containment checks.
inline QStringList lines(const QString &text)
{
    QStringList out;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString simple = line.simplified();
        if (!simple.isEmpty())
            out.append(simple);
    }
    return out;
}

// The whole readable content of a PDF for a golden file: page count and size, then each
// page's lines without layout spacing.
inline QByteArray goldenText(const QString &path)
{
    const Info i = info(path);
    QString out = QStringLiteral("%1 page(s), %2 x %3 pt\n")
                      .arg(i.pages)
                      .arg(i.pageSize.width())
                      .arg(i.pageSize.height());
    for (int page = 1; page <= i.pages; ++page)
        out += QStringLiteral("-- page %1\n").arg(page) + lines(text(path, page)).join(QLatin1Char('\n'))
            + QLatin1Char('\n');
    return out.toUtf8();
}

} // namespace pdftest

// The PDF at `path` reads as the golden file tests/data/documents/<name>.txt.
#define VERIFY_PDF_GOLDEN(path, name)                                                                        \
    VERIFY_GOLDEN(QString(name) + QStringLiteral(".txt"), pdftest::goldenText(path))
