#pragma once

// Reads an IOF XML 3.0 StartList document into one row per runner start (card, names, start
// time). Matching rows to participants is the caller's business.

#include "iofxml.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>
#include <stdexcept>

class IOFStartListParser
{
public:
    IOFStartListParser() = delete;

    struct Entry
    {
        std::optional<QString> cardNumber;
        std::optional<QString> familyName;
        std::optional<QString> givenName;
        QDateTime startTime; // UTC instant

        bool operator==(const Entry &) const = default;
    };

    // The start list holds no usable data; the message is shown to the organiser as it stands.
    class ParseError : public std::runtime_error
    {
    public:
        explicit ParseError(const QString &message)
            : std::runtime_error(message.toStdString())
            , m_message(message)
        { }
        [[nodiscard]] const QString &message() const { return m_message; }

    private:
        QString m_message;
    };

    // Rows in document order, one per runner who starts in race `raceNumber` (absent: the event
    // has one race, which takes race 1 of a file of several); a file that names one race or none
    // is read whatever the number. Starts without a readable start time are dropped. The card is the start's
    // SportIdent card. Throws XmlError for bytes that are not an acceptable XML document,
    // ImportError for any other document than a StartList, and ParseError
    // "No <PersonStart> elements found in StartList XML" when there is no start.
    [[nodiscard]] static QList<Entry> parse(
        const QByteArray &bytes, std::optional<int> raceNumber = std::nullopt);

    // The two ways parse reads, for tests that hold them against each other. readStreaming reads
    // the common case from the parser's events and gives nullopt for every document it leaves to
    // readTree (refused, broken, another list, no start at all, starts inside starts, a read
    // attribute with a reference, a long text); readTree reads any document from the parsed tree
    // and throws as parse does.
    [[nodiscard]] static std::optional<QList<Entry>> readStreaming(
        const QByteArray &bytes, std::optional<int> raceNumber = std::nullopt);
    [[nodiscard]] static QList<Entry> readTree(
        const QByteArray &bytes, std::optional<int> raceNumber = std::nullopt);

    // Every xs:dateTime form: surrounding white space, any number of fractional digits (cut to
    // milliseconds), a zone designator or none (then the system's current time zone), 24:00:00.
    // Instants the event file cannot hold (outside years 1 to 9999) are no date.
    [[nodiscard]] static std::optional<QDateTime> parseDate(const QString &text);
};
