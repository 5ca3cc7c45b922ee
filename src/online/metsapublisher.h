#pragma once

// The Metsä live results publisher. Every upload is the whole race as one IOF XML 3.0 ResultList
// (status "Complete"), POSTed to <service>/api/v1/competitions/<id>/uploads with the competition's
// password as bearer token; the service works out what changed.
//
// Invariants the requests keep whatever the settings hold: the competition id is one
// percent-encoded path segment (a "/" or "?" in it cannot reach another path or a query), and no
// header carries a line break or another control character: such an id or password is refused
// before anything is sent. One upload is in flight at a time; a tick or "Publish now" arriving
// meanwhile runs when it ends.

#include "livepublishers.h"
#include "publishingsettings.h"
#include "race.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTime>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

struct MetsaPublisherOptions
{
    // Null: the publisher's own.
    QNetworkAccessManager *network = nullptr;
    // Null: a real timer.
    std::unique_ptr<BatchTimer> timer;
    // The time of day in status texts. Empty: the local clock.
    std::function<QTime()> clock;
    // A request the server leaves without an answer this long fails.
    int timeoutMs = 60000;
};

class MetsaPublisher : public LivePublisher
{
    Q_OBJECT
public:
    // The most of an answer's body that is read; the rest is not waited for.
    static constexpr qsizetype maxAnswerBytes = 256 * 1024;

    explicit MetsaPublisher(
        MetsaSettings *settings, MetsaPublisherOptions options = {}, QObject *parent = nullptr);
    ~MetsaPublisher() override;

    // An upload of `race` now, whether or not background publishing is on; it supersedes a
    // waiting one.
    void publishNow(const Race &race);

    // Where uploads for the current competition id go; nothing when the id is empty or holds a
    // control character.
    [[nodiscard]] std::optional<QUrl> uploadUrl() const;

    // ---- The document -------------------------------------------------------------------------
    // Valid against the IOF 3.0 schema for any race: texts are escaped and characters XML cannot
    // carry are replaced by U+FFFD; the class id is the Class's Id element, and the ControlCard
    // follows the Status as the schema orders them.

    // Classes in stored order, those without runners left out; runners in stored order under
    // their base class, each with its result read out last (of any stage; the first stored of
    // equally late ones).
    [[nodiscard]] static QString buildResultListXML(const Race &race);
    // The same document as the UTF-8 bytes that are sent.
    [[nodiscard]] static QByteArray buildResultListUtf8(const Race &race);

    // ---- The answer ---------------------------------------------------------------------------

    // The wording of a refused upload's status code, with the body's detail in parentheses.
    [[nodiscard]] static QString statusMessage(int status, const QByteArray &body);
    // "detail", else "title", of a JSON object body; nothing for anything else.
    [[nodiscard]] static std::optional<QString> errorDetail(const QByteArray &body);
    [[nodiscard]] static QString successSummary(const QByteArray &body, const QTime &now);

protected:
    void publishPending() override;

private:
    void publish(Race race);
    void settle(QNetworkReply *reply);
    void runWaiting();

    MetsaSettings *m_settings;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    QNetworkAccessManager *m_network;
    std::function<QTime()> m_clock;
    int m_timeoutMs;
    QPointer<QNetworkReply> m_reply;
    std::optional<Race> m_sending;
    QByteArray m_answer;
    bool m_answerCut = false;
    bool m_tickWaiting = false;
};
