#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

struct ServerContext;

// Smart-HTTP git hosting through `git http-backend` run as a CGI program, behind HTTP basic
// auth: user "token", password a device token of a member of the project's organisation.
namespace GitHosting {

// Serves one git request for <org>/<slug>.git; `rest` is what follows ".git" in the path
// ("/info/refs", "/git-upload-pack", …).
void serve(ServerContext &ctx, const httplib::Request &req, httplib::Response &res,
           const QString &org, const QString &slug, const QString &rest);

struct CgiResponse {
    int status = 200;
    QString contentType;
    QList<std::pair<QString, QString>> headers; // everything but Status and Content-Type
    QByteArray body;
    bool valid = false;
};
// Splits a CGI program's output into its header block and body.
CgiResponse parseCgi(const QByteArray &output);

} // namespace GitHosting
