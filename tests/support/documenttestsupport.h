#pragma once

// Shared checks of the document tests: golden files, event files as inputs and IOF schema
// validation.

#include "racejson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

namespace documenttest {

inline QString goldenPath(const QString &name)
{
    return QStringLiteral(VEXLO_TEST_DATA_DIR "/documents/") + name;
}

// Empty when `actual` equals the golden file. On a mismatch the actual bytes go to
// "<golden>.fail" beside it and the message holds `diff -u`. VEXLO_UPDATE_GOLDEN=1 rewrites the
// golden file instead.
inline QString compareWithGolden(const QString &name, const QByteArray &actual)
{
    const QString path = goldenPath(name);
    if (qEnvironmentVariableIsSet("VEXLO_UPDATE_GOLDEN")) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write golden file ") + path;
        out.write(actual);
        return {};
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("missing golden file ") + path;
    const QByteArray expected = in.readAll();
    const QString failPath = path + QStringLiteral(".fail");
    if (expected == actual) {
        QFile::remove(failPath);
        return {};
    }
    QFile fail(failPath);
    if (fail.open(QIODevice::WriteOnly))
        fail.write(actual);
    fail.close();
    QProcess diff;
    diff.start(QStringLiteral("diff"), {QStringLiteral("-u"), path, failPath});
    diff.waitForFinished(10000);
    return QStringLiteral("differs from %1:\n%2").arg(path, QString::fromUtf8(diff.readAllStandardOutput()));
}

// From a `_data()` slot: one row per event file (*.json) under tests/data/<folder>, named by its
// base name, with the path in the column "event".
inline void loadEventFiles(const char *folder)
{
    QTest::addColumn<QString>("event");
    const QDir dir(QStringLiteral(VEXLO_TEST_DATA_DIR "/") + QLatin1String(folder));
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.json")});
    if (files.isEmpty())
        qFatal("no event files under %s", folder);
    for (const QFileInfo &file : files)
        QTest::newRow(qPrintable(file.baseName())) << file.filePath();
}

// The event in the file at `path`; nothing, with the reason in `error`, when it cannot be read.
inline std::optional<Race> readEvent(const QString &path, QString *error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return std::nullopt;
    }
    return decodeRace(in.readAll(), error);
}

// Errors of validating `xml` against the official IOF 3.0 schema; empty when valid.
inline QString validateAgainstIOFSchema(const QByteArray &xml)
{
    static xmlSchemaPtr schema = [] {
        const QByteArray xsd = (QStringLiteral(VEXLO_IOF_DIR "/IOF.xsd")).toLocal8Bit();
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(xsd.constData());
        xmlSchemaPtr s = parser ? xmlSchemaParse(parser) : nullptr;
        if (parser)
            xmlSchemaFreeParserCtxt(parser);
        return s;
    }();
    if (!schema)
        return QStringLiteral("IOF.xsd could not be loaded (third_party/iof)");
    QStringList errors;
    xmlDocPtr doc = xmlReadMemory(xml.constData(), int(xml.size()), "document.xml", nullptr, XML_PARSE_NONET);
    if (!doc)
        return QStringLiteral("not well-formed XML");
    xmlSchemaValidCtxtPtr ctx = xmlSchemaNewValidCtxt(schema);
    xmlSchemaSetValidStructuredErrors(
        ctx,
        [](void *user, xmlErrorPtr error) {
            static_cast<QStringList *>(user)->append(QStringLiteral("line %1: %2")
                                                         .arg(error->line)
                                                         .arg(QString::fromUtf8(error->message).trimmed()));
        },
        &errors);
    const int rc = xmlSchemaValidateDoc(ctx, doc);
    xmlSchemaFreeValidCtxt(ctx);
    xmlFreeDoc(doc);
    if (rc != 0 && errors.isEmpty())
        errors.append(QStringLiteral("validation failed (%1)").arg(rc));
    return errors.join(QLatin1Char('\n'));
}

} // namespace documenttest

#define VERIFY_GOLDEN(name, bytes)                                                                           \
    do {                                                                                                     \
        const QString goldenError_ = documenttest::compareWithGolden(name, bytes);                           \
        QVERIFY2(goldenError_.isEmpty(), qPrintable(goldenError_));                                          \
    } while (false)

#define VERIFY_IOF_VALID(xml)                                                                                \
    do {                                                                                                     \
        const QString schemaError_ = documenttest::validateAgainstIOFSchema(xml);                            \
        QVERIFY2(schemaError_.isEmpty(), qPrintable(schemaError_));                                          \
    } while (false)
