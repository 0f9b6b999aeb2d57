#include "HttpReply.h"

#include <QJsonDocument>

#include <httplib.h>

void HttpReply::json(httplib::Response &res, int status, const QJsonObject &body)
{
    res.status = status;
    res.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                    "application/json");
}

void HttpReply::wrapped(httplib::Response &res, int status, const QString &key,
                        const QJsonValue &body)
{
    json(res, status, QJsonObject{{key, body}});
}

void HttpReply::error(httplib::Response &res, int status, const QString &message)
{
    json(res, status, QJsonObject{{u"error"_qs, message}});
}

void HttpReply::html(httplib::Response &res, int status, const QString &page)
{
    res.status = status;
    res.set_content(page.toStdString(), "text/html; charset=utf-8");
}
