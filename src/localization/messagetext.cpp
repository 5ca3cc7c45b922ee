#include "messagetext.h"

#include "localization.h"
#include "nameorder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// How deep arguments are translated in turn; the services nest at most three levels.
constexpr int maxDepth = 4;

struct KeyPattern
{
    QString key;
    QRegularExpression expression;
    // Characters of the key outside its placeholders: the more, the more specific the key.
    qsizetype literalLength = 0;
    // For each placeholder, whether the key itself quotes it (then its argument gets no more).
    QList<bool> quoted;
    // Fewer than two letters of its own ("%@ (%@)"): it could join any words, so it counts only
    // when one of its arguments is known.
    bool weak = false;
};

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'' || c == u'\u201C' || c == u'\u201D' || c == u'\u00AB' || c == u'\u00BB'
        || c == u'\u201E';
}

// The key split as `formatLocalized` reads it; absent when it takes no arguments or has no text
// of its own ("%@", "%lld").
std::optional<KeyPattern> patternOf(const QString &key)
{
    QString expression = QStringLiteral("\\A");
    QString literal;
    KeyPattern pattern;
    pattern.key = key;
    const qsizetype n = key.size();
    int placeholders = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = key.at(i);
        if (c == u'%' && i + 1 < n) {
            qsizetype j = i + 1;
            while (j < n && key.at(j).isDigit() && key.at(j).unicode() < 128)
                ++j;
            if (j > i + 1 && j < n && key.at(j) == u'$')
                ++j;
            else
                j = i + 1;
            qsizetype end = -1;
            if (key.at(j) == u'%' && j == i + 1) {
                literal.append(u'%');
                expression.append(QRegularExpression::escape(QStringLiteral("%")));
                i = j;
                continue;
            }
            if (key.at(j) == u'@' || key.at(j) == u'd')
                end = j;
            else if (key.mid(j, 3) == QLatin1String("lld"))
                end = j + 2;
            else if (key.mid(j, 2) == QLatin1String("ld"))
                end = j + 1;
            if (end >= 0) {
                // Empty arguments occur ("%@%@" with no club); the text between keys decides.
                expression.append(QStringLiteral("(.*?)"));
                pattern.quoted.append(
                    i > 0 && end + 1 < n && isQuote(key.at(i - 1)) && isQuote(key.at(end + 1)));
                ++placeholders;
                i = end;
                continue;
            }
        }
        literal.append(c);
        expression.append(QRegularExpression::escape(QString(c)));
    }
    expression.append(QStringLiteral("\\z"));
    const auto letters
        = std::count_if(literal.cbegin(), literal.cend(), [](QChar c) { return c.isLetter(); });
    if (placeholders == 0 || literal.trimmed().isEmpty())
        return std::nullopt;
    pattern.weak = letters < 2;
    pattern.expression = QRegularExpression(expression, QRegularExpression::DotMatchesEverythingOption);
    pattern.literalLength = literal.size();
    return pattern;
}

struct Tables
{
    QStringList keys;
    QSet<QString> keySet;
    QList<KeyPattern> patterns;
};

const Tables &tables()
{
    static const Tables built = [] {
        Tables t;
        const QDir dir(QStringLiteral(":/i18n/keys"));
        QStringList messageKeys;
        for (const QString &name : dir.entryList({QStringLiteral("*.ts")}, QDir::Files, QDir::Name)) {
            // Only the message table's keys are patterns: a screen's short key ("Start %@") would
            // otherwise claim any outside text that happens to begin with its word.
            const bool messages = name.startsWith(QLatin1String("messages_"));
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QXmlStreamReader xml(&file);
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::StartElement
                    && xml.name() == QLatin1String("source")) {
                    const QString key = xml.readElementText();
                    if (messages)
                        messageKeys.append(key);
                    if (!t.keySet.contains(key)) {
                        t.keySet.insert(key);
                        t.keys.append(key);
                    }
                }
            }
        }
        for (const QString &key : std::as_const(messageKeys)) {
            if (auto p = patternOf(key))
                t.patterns.append(std::move(*p));
        }
        std::stable_sort(t.patterns.begin(), t.patterns.end(), [](const KeyPattern &a, const KeyPattern &b) {
            if (a.weak != b.weak)
                return b.weak;
            return a.literalLength > b.literalLength;
        });
        return t;
    }();
    return built;
}

// Outside text worth quotation marks: words, a name with dots or slashes. A number, a time or a
// single plain word (an IOF list's name, a field) reads clearly without them.
bool needsQuotes(const QString &text)
{
    const bool letters = std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); });
    const bool plainWord
        = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber() || c == u'_'; });
    return letters && !plainWord;
}

QString entryFor(const QString &key, MessageTranslation &into)
{
    const auto entry = LocalizationManager::shared().lookup(key);
    if (!entry && LocalizationManager::shared().language() != AppLanguage::English)
        into.missingKeys.append(key);
    return entry.value_or(key);
}

MessageTranslation translate(const QString &english, int depth)
{
    MessageTranslation out;
    const Tables &t = tables();
    if (t.keySet.contains(english)) {
        out.known = true;
        out.text = entryFor(english, out);
        // A key is its own text: a percent sign in it is not a placeholder.
        return out;
    }
    if (depth < maxDepth) {
        for (const KeyPattern &pattern : t.patterns) {
            const QRegularExpressionMatch match = pattern.expression.match(english);
            if (!match.hasMatch())
                continue;
            QList<MessageTranslation> inner;
            for (int i = 1; i <= match.lastCapturedIndex(); ++i)
                inner.append(translate(match.captured(i), depth + 1));
            if (pattern.weak && std::none_of(inner.cbegin(), inner.cend(), [](const MessageTranslation &m) {
                    return m.known;
                }))
                continue;
            out.known = true;
            QStringList arguments;
            for (int i = 1; i <= match.lastCapturedIndex(); ++i) {
                const QString argument = match.captured(i);
                if (inner[i - 1].known) {
                    arguments.append(inner[i - 1].text);
                    out.missingKeys.append(inner[i - 1].missingKeys);
                } else if (needsQuotes(argument) && !pattern.quoted.value(i - 1)) {
                    arguments.append(
                        localeForLanguage(LocalizationManager::shared().language()).quoteString(argument));
                } else {
                    arguments.append(argument);
                }
            }
            out.text = formatLocalized(entryFor(pattern.key, out), arguments);
            return out;
        }
    }
    out.text = english;
    return out;
}

} // namespace

MessageTranslation translateMessage(const QString &english)
{
    return translate(english, 0);
}

QString localizedMessage(const QString &english)
{
    return translateMessage(english).text;
}

const QStringList &allTableKeys()
{
    return tables().keys;
}
