// The agent endpoints of SlateboxAPI: the streamed turn and the conversation title.

#include "core/service/SlateboxAPI.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>

#include "core/service/AgentChatHandle.h"
#include "core/service/AgentChatStream.h"
#include "core/service/DecodingError.h"
#include "core/service/StrictJson.h"

namespace {

QCoro::Task<std::optional<QString>> titleOf(SlateboxAPI api, QList<AgentChatBody::Message> messages)
{
    QJsonArray encoded;
    for (const AgentChatBody::Message &message : messages)
        encoded.append(message.toJson());
    QJsonObject request;
    request.insert(QStringLiteral("messages"), encoded);
    const APIResponse response = co_await api.post(QStringLiteral("v1/agent/title"), request);
    api.check(response, {200});
    const QJsonDocument document = QJsonDocument::fromJson(response.body);
    if (!document.isObject())
        throw DecodingError(u"The title answer is not a JSON object."_qs);
    const auto title = StrictJson::optionalString(document.object(), u"title");
    if (!title.ok)
        throw DecodingError(u"The title answer's \"title\" is not a string."_qs);
    co_return title.value;
}

} // namespace

QCoro::AsyncGenerator<AgentChatEvent> SlateboxAPI::agentChat(AgentChatBody body,
                                                             AgentChatHandle handle) const
{
    QNetworkRequest request(url(u"v1/agent/chat"_qs));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    authorize(request);
    return AgentChatStream::open(std::move(request),
                                 QJsonDocument(body.toJson()).toJson(QJsonDocument::Compact),
                                 m_baseURL.toString(), std::move(handle));
}

QCoro::Task<std::optional<QString>>
SlateboxAPI::agentTitle(QList<AgentChatBody::Message> messages) const
{
    return titleOf(*this, std::move(messages));
}
