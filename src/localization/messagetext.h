#pragma once

// Messages composed in English by the services, parsers and the store (status lines, import,
// save and export errors) shown in the selected language.
//
// The services speak English: their texts are the table keys filled with their arguments
// ("Publish failed: server returned status 503"), which is what they log and what their tests
// read. The window translates such a text at the edge: an exact key of any table is looked up;
// otherwise the text is matched against the keys of the message table (translations/messages_*.ts)
// that take arguments ("Publish failed: %@"), the most specific key first, and each argument is
// translated the same way. A service's new message goes into that table, format and all. An argument that
// matches no key is outside text (a file or host name, a server's or the system's own words) and is shown
// unchanged, in the language's quotation marks unless it is a number, a time or a single plain word.

#include <QString>
#include <QStringList>

struct MessageTranslation
{
    // The message in the selected language.
    QString text;
    // Whether the message itself is a table key or built from one; false for a text the tables do
    // not know at all (then `text` is the message unchanged).
    bool known = false;
    // Keys the message was built from that the selected language's table has no entry for.
    QStringList missingKeys;
};

[[nodiscard]] MessageTranslation translateMessage(const QString &english);

// `translateMessage(english).text`.
[[nodiscard]] QString localizedMessage(const QString &english);

// Every key of the tables (the English texts), as the application carries them.
[[nodiscard]] const QStringList &allTableKeys();
