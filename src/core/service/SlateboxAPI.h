#pragma once

#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <qcoro/qcoroasyncgenerator.h>
#include <qcoro/qcorotask.h>

#include "core/project/ProjectType.h"
#include "core/service/APIResponse.h"
#include "core/service/AgentChatBody.h"
#include "core/service/AgentChatEvent.h"
#include "core/service/AgentModel.h"
#include "core/service/CreatedProject.h"
#include "core/service/CutDryRun.h"
#include "core/service/Namespace.h"
#include "core/service/RenderBody.h"
#include "core/service/Ship.h"
#include "core/service/ShipBody.h"
#include "core/service/Take.h"
#include "core/service/TakeLookup.h"

class AgentChatHandle;
class QNetworkRequest;
struct AccountUser;
struct DeviceExchange;

// The client of the service's HTTP API: a base URL and the signed-in device's token, nothing
// else. A value is cheap and immutable; callers make a fresh one with `current()` right before
// they talk to the service, so a sign-in or sign-out is seen by the next operation.
//
// Every call runs on the UI thread over the shared network manager. Failing statuses throw
// APIError (from `check`), broken answers DecodingError, and transport failures TransportError.
// The coroutines copy the value before their first suspension, so a temporary
// `SlateboxAPI::current().listProjects()` is safe to await later.
class SlateboxAPI {
public:
    static constexpr int TimeoutSeconds = 60;

    SlateboxAPI(QUrl baseURL, std::optional<QString> bearerToken);

    // The configured origin ("apiBaseURL" or the built-in default) and the cached device token.
    static SlateboxAPI current();

    const QUrl &baseURL() const { return m_baseURL; }
    const std::optional<QString> &bearerToken() const { return m_bearerToken; }

    // `baseURL` with the relative endpoint `path` below its own path; characters that cannot
    // stand in a URL path are percent-encoded, "/" separates pieces.
    QUrl url(const QString &path, const QUrlQuery &query = {}) const;
    // A request for `path` with the 60-second transfer timeout and, through `authorize`, the
    // bearer header.
    QNetworkRequest request(const QString &path, const QUrlQuery &query = {}) const;
    // Sets "Authorization: Bearer <token>" when there is a token and the request may carry it:
    // the token never travels in clear, so a plain-http URL gets it only on a loopback host.
    // Returns whether the header was set.
    bool authorize(QNetworkRequest &request) const;
    // Throws APIError unless the answer is HTTP with a status in `allow`.
    void check(const APIResponse &response, const QList<int> &allow) const;

    QCoro::Task<APIResponse> get(QString path, QUrlQuery query = {}) const;
    QCoro::Task<APIResponse> post(QString path, QJsonObject json) const;
    // A flat object of strings.
    QCoro::Task<APIResponse> post(QString path, QMap<QString, QString> body) const;
    QCoro::Task<APIResponse> deleteResource(QString path) const;

    // One agent turn, streamed over the streaming network manager (SlateboxAPIAgent.cpp). The
    // request is built at once; the transfer starts when the stream is first awaited. `handle`
    // stops it.
    QCoro::AsyncGenerator<AgentChatEvent> agentChat(AgentChatBody body,
                                                    AgentChatHandle handle) const;
    // A generated conversation title; absent when the service has none.
    QCoro::Task<std::optional<QString>> agentTitle(QList<AgentChatBody::Message> messages) const;

    // Account endpoints (SlateboxAPIAccount.cpp). POST "v1/auth/device/exchange": a sign-in
    // code and its verifier for a device token (201 only); GET "v1/me": the token's account
    // (200 only).
    QCoro::Task<DeviceExchange> deviceExchange(QString code, QString verifier) const;
    QCoro::Task<AccountUser> me() const;

    // REST endpoints (SlateboxAPIEndpoints.cpp). Each accepts exactly the statuses noted; the
    // take-returning ones pass their takes through `resolvingMedia`.
    QCoro::Task<QList<Namespace>> listOrgs() const;          // GET, 200
    QCoro::Task<QList<CreatedProject>> listProjects() const; // GET, 200
    QCoro::Task<CreatedProject> createProject(QString org, QString slug, QString title,
                                              ProjectType type) const;        // POST, 200 or 201
    QCoro::Task<void> deleteProject(QString org, QString slug) const;         // DELETE, 200
    QCoro::Task<QList<AgentModel>> agentModels() const;                       // GET, 200
    QCoro::Task<TakeLookup> lookupTakes(QString shots, QString shotId) const; // POST, 200
    QCoro::Task<Take> createRender(RenderBody body) const;                    // POST, 202
    QCoro::Task<Take> render(QString id) const;                               // GET, 200
    QCoro::Task<CutDryRun> cutDryRun(QString shots, std::optional<QString> lock) const; // 200
    QCoro::Task<Ship> createShip(ShipBody body) const;                                  // POST, 201

    // Points each take with a content address at its cached file, else at a fresh download URL
    // (fetched concurrently, one fetch per address, kept 30 minutes process-wide), else leaves
    // the service's `outputUrl`. Starts background downloads into the media cache for addresses
    // not cached yet. Order and count of the takes are kept; never throws.
    QCoro::Task<QList<Take>> resolvingMedia(QList<Take> takes) const;

    bool operator==(const SlateboxAPI &) const = default;

private:
    // Fills the process-wide media URL cache for `address`; any failure leaves it untouched.
    QCoro::Task<void> fetchCasUrl(QString address) const;

    QUrl m_baseURL;
    std::optional<QString> m_bearerToken;
};
