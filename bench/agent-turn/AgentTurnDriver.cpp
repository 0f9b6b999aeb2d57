// Two modes:
//   script COUNT             prints a turn script for the reference service's test hook: COUNT
//                            `delta` events of five characters each, then `done`.
//   turn URL TOKEN FOLDER    opens FOLDER as a project session (its chats file under the data
//                            folder), sends one message and waits for the turn's end; prints
//                            "<turn seconds> <chats-file writes> <reply characters>".
#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <memory>

#include "core/agent/AgentConversation.h"
#include "core/service/SlateboxAPI.h"
#include "core/session/AgentTurn.h"
#include "core/session/ChatStore.h"
#include "core/session/ProjectLoader.h"
#include "core/session/ProjectSession.h"

namespace {

int printScript(long count)
{
    // Written by hand: a QJsonArray of 200,000 objects would dwarf the turn being measured.
    std::fputs("{\"steps\":[", stdout);
    for (long i = 0; i < count; ++i)
        std::fputs("{\"event\":{\"delta\":\"abcde\"}},", stdout);
    std::fputs("{\"event\":{\"done\":true}}]}\n", stdout);
    return 0;
}

int runTurn(const QString &url, const QString &token, const QString &folder)
{
    QDir().mkpath(folder);
    QFile manifest(folder + u"/slatebox.yaml");
    if (!manifest.exists()) {
        if (!manifest.open(QIODevice::WriteOnly))
            return 1;
        manifest.write("type: film\ntitle: \"Bench\"\n");
        manifest.close();
    }
    std::unique_ptr<ProjectSession> session(
        ProjectLoader::load(folder, u"bench"_qs, u"agent-turn"_qs));
    const SlateboxAPI api(QUrl(url), token);
    session->agentTurn().setStreamSource([api](AgentChatBody body, AgentChatHandle handle) {
        return api.agentChat(std::move(body), std::move(handle));
    });

    QElapsedTimer elapsed;
    QObject::connect(&session->agentTurn(), &AgentTurn::turnEnded, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    session->activeConversation()->setComposer(u"Go"_qs);
    elapsed.start();
    session->sendComposer();
    QCoreApplication::exec();
    const double seconds = double(elapsed.nsecsElapsed()) / 1e9;

    const AgentMessage &reply = session->activeConversation()->messages().last();
    if (reply.text.contains(u"Agent error")) {
        std::fprintf(stderr, "turn failed: %s\n", qPrintable(reply.text.right(200)));
        return 1;
    }
    std::printf("%.4f %d %lld\n", seconds, session->chatStore().writeCount(),
                static_cast<long long>(reply.text.size()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == u"script")
        return printScript(args.at(2).toLong());
    if (args.size() == 5 && args.at(1) == u"turn")
        return runTurn(args.at(2), args.at(3), args.at(4));
    std::fprintf(stderr, "usage: %s script COUNT | turn URL TOKEN FOLDER\n", argv[0]);
    return 2;
}
