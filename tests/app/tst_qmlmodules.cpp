// Every QML module the application imports is installed on this machine, and so is every module
// those modules' own QML files import. A module missing at run time does not fail the build: the
// screen or dialog that needs it silently does not appear (Qt Quick's non-native file dialog
// needed Qt.labs.folderlistmodel, which no import line of ours named).

#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

QSet<QString> importsOf(const QString &qmlFile)
{
    QFile file(qmlFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression line(
        QStringLiteral(R"(^\s*import\s+([A-Za-z][\w.]*)\b)"), QRegularExpression::MultilineOption);
    QSet<QString> modules;
    auto it = line.globalMatch(QString::fromUtf8(file.readAll()));
    while (it.hasNext())
        modules.insert(it.next().captured(1));
    return modules;
}

// The QML files a module ships: in the module's folder and its "qml" folder, on disk or (once the
// plugin is loaded) in its compiled-in resources.
QStringList qmlFilesOf(const QString &module)
{
    const QString relative = QString(module).replace(QLatin1Char('.'), QLatin1Char('/'));
    QStringList files;
    for (const QString &root : {QLibraryInfo::path(QLibraryInfo::QmlImportsPath) + QLatin1Char('/'),
             QStringLiteral(":/qt-project.org/imports/")}) {
        for (const QString &folder : {relative, relative + QStringLiteral("/qml")}) {
            QDirIterator it(root + folder, {QStringLiteral("*.qml")}, QDir::Files);
            while (it.hasNext())
                files.append(it.next());
        }
    }
    return files;
}

} // namespace

class TestQmlModules : public QObject
{
    Q_OBJECT
private slots:
    void everyImportedModuleIsInstalled()
    {
        QSet<QString> pending;
        for (const char *folder : {VEXLO_SOURCE_DIR "/src/app", VEXLO_SOURCE_DIR "/src/screens"}) {
            QDirIterator it(QString::fromUtf8(folder), {QStringLiteral("*.qml")}, QDir::Files,
                QDirIterator::Subdirectories);
            while (it.hasNext())
                pending.unite(importsOf(it.next()));
        }
        // The file dialogs are Qt Widgets' own, opened by the view-models: Qt Quick's would not
        // save a typed name on Return.
        QVERIFY(!pending.contains(QStringLiteral("QtQuick.Dialogs")));
        QVERIFY(pending.contains(QStringLiteral("QtQuick.Controls")));

        QQmlEngine engine;
        QSet<QString> checked;
        QStringList missing;
        while (!pending.isEmpty()) {
            const QString module = *pending.begin();
            pending.erase(pending.begin());
            // Our own modules are compiled into the application, not installed.
            if (checked.contains(module) || module.startsWith(QLatin1String("Vexlo")))
                continue;
            checked.insert(module);
            QQmlComponent probe(&engine);
            probe.setData(QStringLiteral("import QtQml\nimport %1\nQtObject {}\n").arg(module).toUtf8(),
                QUrl(QStringLiteral("probe.qml")));
            if (probe.isError()) {
                missing.append(module + QStringLiteral(": ") + probe.errorString().trimmed());
                continue;
            }
            std::unique_ptr<QObject> loaded(probe.create());
            for (const QString &file : qmlFilesOf(module))
                pending.unite(importsOf(file));
        }
        QVERIFY2(missing.isEmpty(),
            qPrintable(QStringLiteral("Not installed (add its package to scripts/packages.txt):\n")
                + missing.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestQmlModules)
#include "tst_qmlmodules.moc"
