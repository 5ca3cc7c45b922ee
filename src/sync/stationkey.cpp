#include "stationkey.h"

#include <QCryptographicHash>
#include <QHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

#include <string_view>

namespace {

constexpr char alphabet[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
static_assert(sizeof alphabet == 33);

// Fixed: every station of every version must derive the same key from the same text.
constexpr char salt[] = "vexlo station sync key v1";
constexpr int iterations = 100000;

} // namespace

QString generateStationKey()
{
    QString symbols;
    for (int i = 0; i < stationKeySymbols; ++i)
        symbols += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(32)]);
    return *canonicalStationKey(symbols);
}

std::optional<QString> canonicalStationKey(const QString &typed)
{
    QString symbols;
    for (QChar c : typed) {
        if (c.isSpace() || c == QLatin1Char('-'))
            continue;
        c = c.toUpper();
        if (c == QLatin1Char('I') || c == QLatin1Char('L'))
            c = QLatin1Char('1');
        else if (c == QLatin1Char('O'))
            c = QLatin1Char('0');
        if (c.unicode() > 127 || std::string_view(alphabet).find(char(c.unicode())) == std::string_view::npos)
            return std::nullopt;
        symbols += c;
    }
    if (symbols.size() != stationKeySymbols)
        return std::nullopt;
    return symbols.left(4) + QLatin1Char('-') + symbols.mid(4, 4) + QLatin1Char('-') + symbols.mid(8);
}

QByteArray stationPreSharedKey(const QString &canonicalKey)
{
    // Main thread only, like the engine that asks.
    static QHash<QString, QByteArray> derived;
    auto it = derived.constFind(canonicalKey);
    if (it != derived.cend())
        return *it;
    const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, canonicalKey.toUtf8(), QByteArray(salt), iterations, 32);
    derived.insert(canonicalKey, key);
    return key;
}
