#include "ServerOptions.h"

#include <QRegularExpression>

#include "SafeSlug.h"

namespace {

std::optional<int> parseInt(const QString &text, int min, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> parseReal(const QString &text, double min, double max)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= min && value <= max))
        return std::nullopt;
    return value;
}

std::optional<ServerOptions> failure(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

} // namespace

std::optional<ServerOptions> ServerOptions::parse(const QStringList &arguments, QString *error)
{
    ServerOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString flag = arguments.at(i);
        std::optional<QString> inlineValue;
        if (const qsizetype eq = flag.indexOf(u'='); flag.startsWith(u"--") && eq > 0) {
            inlineValue = flag.mid(eq + 1);
            flag.truncate(eq);
        }
        static const QStringList valueFlags{u"--data"_qs,
                                            u"--port"_qs,
                                            u"--user"_qs,
                                            u"--code-ttl-seconds"_qs,
                                            u"--latest-version"_qs,
                                            u"--render-seconds"_qs,
                                            u"--render-failure-rate"_qs};
        QString value;
        if (valueFlags.contains(flag)) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments.at(++i);
            } else {
                return failure(error, flag + u" needs a value"_qs);
            }
        } else if (inlineValue) {
            return failure(error, flag + u" takes no value"_qs);
        }

        if (flag == u"--data") {
            if (value.isEmpty())
                return failure(error, u"--data needs a folder"_qs);
            options.dataDir = value;
        } else if (flag == u"--port") {
            const auto port = parseInt(value, 0, 65535);
            if (!port)
                return failure(error, u"--port must be a number from 0 to 65535, not \""_qs +
                                          value + u'"');
            options.port = *port;
        } else if (flag == u"--user") {
            const qsizetype eq = value.indexOf(u'=');
            const QString slug = eq < 0 ? value : value.left(eq);
            const QString token = eq < 0 ? QString() : value.mid(eq + 1);
            if (!SafeSlug::isValid(slug))
                return failure(error,
                               u"--user needs HANDLE=TOKEN with a handle of lower-case letters, "
                               u"digits and hyphens, not \""_qs +
                                   value + u'"');
            static const QRegularExpression tokenPattern(u"^[A-Za-z0-9._~-]{8,200}$"_qs);
            if (!tokenPattern.match(token).hasMatch())
                return failure(error, u"--user "_qs + slug +
                                          u" needs a token of at least 8 letters, digits or ._~- "
                                          u"(HANDLE=TOKEN)"_qs);
            options.users.append({slug, token});
        } else if (flag == u"--code-ttl-seconds") {
            const auto ttl = parseInt(value, 0, 86400);
            if (!ttl)
                return failure(error, u"--code-ttl-seconds must be a number from 0 to 86400"_qs);
            options.codeTtlSeconds = *ttl;
        } else if (flag == u"--latest-version") {
            static const QRegularExpression versionPattern(u"^[0-9]+(\\.[0-9]+)*$"_qs);
            if (!versionPattern.match(value).hasMatch())
                return failure(error,
                               u"--latest-version must look like 1.2.3, not \""_qs + value + u'"');
            options.latestVersion = value;
        } else if (flag == u"--render-seconds") {
            const auto seconds = parseReal(value, 0, 3600);
            if (!seconds)
                return failure(error, u"--render-seconds must be a number from 0 to 3600"_qs);
            options.renderSeconds = *seconds;
        } else if (flag == u"--render-failure-rate") {
            const auto rate = parseReal(value, 0, 1);
            if (!rate)
                return failure(error, u"--render-failure-rate must be a number from 0 to 1"_qs);
            options.renderFailureRate = *rate;
        } else if (flag == u"--test-hooks") {
            options.testHooks = true;
        } else if (flag == u"--help" || flag == u"-h") {
            options.help = true;
            return options;
        } else {
            return failure(error, u"unknown option \""_qs + flag + u"\" (see --help)"_qs);
        }
    }
    if (options.dataDir.isEmpty())
        return failure(error, u"--data DIR is required"_qs);
    return options;
}

QString ServerOptions::usage()
{
    return u"usage: slatebox-server --data DIR [--port N] [--user HANDLE=TOKEN]... "
           u"[--latest-version X.Y.Z] [--render-seconds S] [--render-failure-rate R] "
           u"[--test-hooks]\n"
           u"  --data DIR        state folder (created when missing; kept across restarts)\n"
           u"  --port N          port on 127.0.0.1 (default 8787; 0 picks a free one and prints "
           u"it on the first line)\n"
           u"  --user H=TOKEN    make account H (with its personal organisation) and give it the "
           u"device token TOKEN\n"
           u"  --latest-version  version the update feed offers (default: the server's own)\n"
           u"  --render-seconds S       time a render stays \"rendering\" (default 4)\n"
           u"  --render-failure-rate R  share of renders that fail, 0 to 1 (default 0)\n"
           u"  --test-hooks      enable the test-only endpoints\n"_qs;
}
