#include "core/service/AgentChatEvent.h"

namespace {

AgentChatEvent withText(AgentChatEvent::Kind kind, QString text)
{
    AgentChatEvent event;
    event.kind = kind;
    event.text = std::move(text);
    return event;
}

} // namespace

AgentChatEvent AgentChatEvent::delta(QString text)
{
    return withText(Kind::Delta, std::move(text));
}

AgentChatEvent AgentChatEvent::reasoning(QString text)
{
    return withText(Kind::Reasoning, std::move(text));
}

AgentChatEvent AgentChatEvent::status(QString name)
{
    AgentChatEvent event;
    event.kind = Kind::Status;
    event.name = std::move(name);
    return event;
}

AgentChatEvent AgentChatEvent::tool(QString name, QString detail, QString args, QString result)
{
    AgentChatEvent event;
    event.kind = Kind::Tool;
    event.name = std::move(name);
    event.detail = std::move(detail);
    event.args = std::move(args);
    event.result = std::move(result);
    return event;
}

AgentChatEvent AgentChatEvent::edit(QString path, QString contents)
{
    AgentChatEvent event;
    event.kind = Kind::Edit;
    event.path = std::move(path);
    event.contents = std::move(contents);
    return event;
}

AgentChatEvent AgentChatEvent::asset(QString path, QString dataBase64)
{
    AgentChatEvent event;
    event.kind = Kind::Asset;
    event.path = std::move(path);
    event.dataBase64 = std::move(dataBase64);
    return event;
}

AgentChatEvent AgentChatEvent::deleted(QString path)
{
    AgentChatEvent event;
    event.kind = Kind::Delete;
    event.path = std::move(path);
    return event;
}

AgentChatEvent AgentChatEvent::usageReport(AgentTurnUsage usage)
{
    AgentChatEvent event;
    event.kind = Kind::Usage;
    event.usage = std::move(usage);
    return event;
}

AgentChatEvent AgentChatEvent::title(QString text)
{
    return withText(Kind::Title, std::move(text));
}

AgentChatEvent AgentChatEvent::dropped(QString line)
{
    return withText(Kind::Dropped, std::move(line));
}
