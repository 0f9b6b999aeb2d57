#include "GitHosting.h"

#include <httplib.h>

#include "AccountStore.h"
#include "ChildProcess.h"
#include "HttpReply.h"
#include "OrgStore.h"
#include "RepositoryStore.h"
#include "ServerContext.h"

namespace {

// The account of the request's basic credentials, when the user name is "token" and the
// password a known device token.
std::optional<UserRecord> basicUser(ServerContext &ctx, const httplib::Request &req)
{
    const QString header = QString::fromStdString(req.get_header_value("Authorization"));
    static const QString prefix = u"Basic "_qs;
    if (!header.startsWith(prefix, Qt::CaseInsensitive))
        return std::nullopt;
    const QString decoded = QString::fromUtf8(QByteArray::fromBase64(
        header.mid(prefix.size()).trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors));
    const qsizetype colon = decoded.indexOf(u':');
    if (colon < 0 || decoded.left(colon) != u"token")
        return std::nullopt;
    return ctx.accounts.userForToken(decoded.mid(colon + 1));
}

void challenge(httplib::Response &res, const QString &message)
{
    res.set_header("WWW-Authenticate", "Basic realm=\"Slatebox\"");
    HttpReply::error(res, 401, message);
}

bool isSafeHeaderValue(const QString &value)
{
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

} // namespace

GitHosting::CgiResponse GitHosting::parseCgi(const QByteArray &output)
{
    CgiResponse response;
    qsizetype end = output.indexOf("\r\n\r\n");
    qsizetype bodyStart = end + 4;
    const qsizetype lfEnd = output.indexOf("\n\n");
    if (lfEnd >= 0 && (end < 0 || lfEnd < end)) {
        end = lfEnd;
        bodyStart = lfEnd + 2;
    }
    if (end < 0)
        return response;
    const QList<QByteArray> lines = output.left(end).split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QString name = QString::fromLatin1(line.left(colon)).trimmed();
        const QString value = QString::fromLatin1(line.mid(colon + 1)).trimmed();
        if (name.compare(u"Status"_qs, Qt::CaseInsensitive) == 0)
            response.status = value.section(u' ', 0, 0).toInt();
        else if (name.compare(u"Content-Type"_qs, Qt::CaseInsensitive) == 0)
            response.contentType = value;
        else
            response.headers.append({name, value});
    }
    response.body = output.mid(bodyStart);
    response.valid = response.status >= 100 && response.status <= 599;
    return response;
}

void GitHosting::serve(ServerContext &ctx, const httplib::Request &req, httplib::Response &res,
                       const QString &org, const QString &slug, const QString &rest)
{
    if (!req.has_header("Authorization")) {
        challenge(res, u"git access needs the user \"token\" and a device token"_qs);
        return;
    }
    const auto user = basicUser(ctx, req);
    if (!user) {
        challenge(res, u"the device token is unknown or has been revoked"_qs);
        return;
    }
    if (!ctx.orgs.isMember(user->id, org) || !ctx.repositories.exists(org, slug)) {
        HttpReply::error(res, 404, u"no repository "_qs + org + u'/' + slug + u".git"_qs);
        return;
    }

    QStringList env = ctx.repositories.gitEnvironment();
    env << u"GIT_PROJECT_ROOT="_qs + ctx.repositories.root() << u"GIT_HTTP_EXPORT_ALL=1"_qs
        << u"PATH_INFO=/"_qs + org + u'/' + slug + u".git"_qs + rest
        << u"REQUEST_METHOD="_qs + QString::fromStdString(req.method)
        << u"QUERY_STRING="_qs + QString::fromStdString(req.target).section(u'?', 1)
        << u"REMOTE_USER="_qs + user->slug
        << u"REMOTE_ADDR="_qs + QString::fromStdString(req.remote_addr)
        << u"GATEWAY_INTERFACE=CGI/1.1"_qs;
    // httplib has already inflated a gzip body, so the backend sees plain data and must not be
    // told about the encoding; the length is that of the inflated body.
    const QString contentType = QString::fromStdString(req.get_header_value("Content-Type"));
    if (!contentType.isEmpty() && isSafeHeaderValue(contentType))
        env << u"CONTENT_TYPE="_qs + contentType;
    if (req.method == "POST")
        env << u"CONTENT_LENGTH="_qs + QString::number(req.body.size());
    const QString protocol = QString::fromStdString(req.get_header_value("Git-Protocol"));
    if (!protocol.isEmpty() && isSafeHeaderValue(protocol))
        env << u"GIT_PROTOCOL="_qs + protocol;

    const auto result = ChildProcess::run(ctx.repositories.gitProgram(), {u"http-backend"_qs}, env,
                                          {}, QByteArray::fromStdString(req.body));
    const CgiResponse cgi = parseCgi(result.out);
    if (!result.started || !cgi.valid) {
        HttpReply::error(res, 500,
                         u"git http-backend failed: "_qs +
                             (result.error.isEmpty() ? QString::fromLocal8Bit(result.err).trimmed()
                                                     : result.error));
        return;
    }
    res.status = cgi.status;
    for (const auto &[name, value] : cgi.headers) {
        if (name.compare(u"Content-Length"_qs, Qt::CaseInsensitive) != 0)
            res.set_header(name.toStdString(), value.toStdString());
    }
    if (cgi.status >= 400 && cgi.body.isEmpty()) {
        HttpReply::error(res, cgi.status, u"git request refused"_qs);
        return;
    }
    res.set_content(cgi.body.toStdString(), cgi.contentType.isEmpty()
                                                ? std::string("application/octet-stream")
                                                : cgi.contentType.toStdString());
}
