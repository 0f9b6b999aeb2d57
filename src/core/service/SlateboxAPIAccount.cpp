// The two account endpoints of SlateboxAPI: the sign-in code exchange and the current user.

#include "core/service/SlateboxAPI.h"

#include <QJsonObject>

#include "core/service/AccountUser.h"
#include "core/service/DeviceExchange.h"
#include "core/service/JsonFields.h"

// Braced lists stay out of the coroutine bodies: GCC 12 miscompiles initializer lists there.
namespace {

QMap<QString, QString> exchangeBody(const QString &code, const QString &verifier)
{
    return {{QStringLiteral("code"), code}, {QStringLiteral("verifier"), verifier}};
}

const QList<int> &created()
{
    static const QList<int> statuses{201};
    return statuses;
}

const QList<int> &ok()
{
    static const QList<int> statuses{200};
    return statuses;
}

} // namespace

QCoro::Task<DeviceExchange> SlateboxAPI::deviceExchange(QString code, QString verifier) const
{
    const SlateboxAPI api = *this;
    const APIResponse response =
        co_await api.post(QStringLiteral("v1/auth/device/exchange"), exchangeBody(code, verifier));
    api.check(response, created());
    const QJsonObject answer = JsonFields::object(response.body);
    co_return DeviceExchange{JsonFields::requireString(answer, u"token"),
                             AccountUser::fromJson(JsonFields::requireObject(answer, u"user"))};
}

QCoro::Task<AccountUser> SlateboxAPI::me() const
{
    const SlateboxAPI api = *this;
    const APIResponse response = co_await api.get(QStringLiteral("v1/me"));
    api.check(response, ok());
    co_return AccountUser::fromJson(
        JsonFields::requireObject(JsonFields::object(response.body), u"user"));
}
