// Reads one agent turn from URL with SlateboxAPI::agentChat, decoding every event, and prints
// how many events arrived. Exits 1 when the stream failed.
#include <cstdio>

#include <QCoreApplication>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include "core/UserFacingError.h"
#include "core/service/AgentChatHandle.h"
#include "core/service/SlateboxAPI.h"

namespace {

struct Count {
    long events = 0;
    long characters = 0;
    QString error;
};

QCoro::Task<Count> countEvents(SlateboxAPI api)
{
    AgentChatBody body;
    body.model = u"auto"_qs;
    body.mode = u"ask"_qs;
    body.messages = {AgentChatBody::Message{u"user"_qs, u"Go"_qs, {}, {}, {}}};
    body.context.title = u"Bench"_qs;
    body.context.type = u"film"_qs;
    Count count;
    try {
        auto stream = api.agentChat(body, AgentChatHandle());
        for (auto it = co_await stream.begin(); it != stream.end(); co_await ++it) {
            ++count.events;
            count.characters += (*it).text.size();
        }
    } catch (const UserFacingError &error) {
        count.error = error.message();
    }
    co_return count;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s URL\n", argv[0]);
        return 2;
    }
    const Count count =
        QCoro::waitFor(countEvents(SlateboxAPI(QUrl(QString::fromUtf8(argv[1])), std::nullopt)));
    if (!count.error.isEmpty()) {
        std::fprintf(stderr, "stream failed: %s\n", qPrintable(count.error));
        return 1;
    }
    std::printf("%ld events, %ld characters\n", count.events, count.characters);
    return 0;
}
