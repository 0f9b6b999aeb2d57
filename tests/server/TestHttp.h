#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>

// A blocking HTTP client for the server tests: one request, its status, headers and body.
// Redirects are never followed, so a test sees the server's own 302.
class TestHttp {
public:
    struct Reply {
        int status = 0; // 0 when the request failed below HTTP
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QString transportError;

        QJsonObject json() const;
        QByteArray header(const QByteArray &name) const;
        QString error() const { return json().value(u"error"_qs).toString(); }
    };

    explicit TestHttp(QUrl base)
        : m_base(std::move(base))
    {
    }
    void setToken(const QString &token) { m_token = token; }

    Reply get(const QString &path) const;
    Reply post(const QString &path, const QByteArray &body,
               const QByteArray &contentType = "application/json") const;
    Reply postJson(const QString &path, const QJsonObject &body) const;
    Reply del(const QString &path) const;

    // `path` relative to the base, with an optional query ("v1/me", "v1/auth/login?x=1").
    QUrl url(const QString &path) const;

private:
    Reply send(const QByteArray &method, const QString &path, const QByteArray &body,
               const QByteArray &contentType) const;

    QUrl m_base;
    QString m_token;
};
