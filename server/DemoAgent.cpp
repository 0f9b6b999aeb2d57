#include "DemoAgent.h"

#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr auto scratchPath = "notes/agent-scratch.md";
constexpr auto notesPath = "notes/agent-notes.md";
// A 1×1 PNG: the smallest asset a client can decode.
constexpr auto pixelPng = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA"
                          "60e6kgAAAABJRU5ErkJggg==";

bool mentionsAny(const QString &text, const QStringList &words)
{
    for (const QString &word : words) {
        const QRegularExpression pattern(QStringLiteral("\\b") + word,
                                         QRegularExpression::CaseInsensitiveOption);
        if (pattern.match(text).hasMatch())
            return true;
    }
    return false;
}

// The project path that the text names first after the first of `words`, skipping `except`.
std::optional<QString> namedPath(const AgentChatRequest &request, const QString &text,
                                 const QStringList &words,
                                 const std::optional<QString> &except = std::nullopt)
{
    qsizetype from = text.size();
    for (const QString &word : words) {
        const QRegularExpression pattern(QStringLiteral("\\b") + word,
                                         QRegularExpression::CaseInsensitiveOption);
        if (const auto match = pattern.match(text); match.hasMatch())
            from = std::min(from, match.capturedStart());
    }
    std::optional<QString> after;
    qsizetype afterAt = text.size();
    for (const AgentChatRequest::File &file : request.files) {
        if (file.path == except || file.path.isEmpty())
            continue;
        const qsizetype at = text.indexOf(file.path, from);
        // The longer path wins where one names the start of another ("a.md" in "a.md.bak").
        if (at >= 0 && (at < afterAt || (at == afterAt && file.path.size() > after->size()))) {
            after = file.path;
            afterAt = at;
        }
    }
    return after;
}

std::optional<QString> contentsOf(const AgentChatRequest &request, const QString &path)
{
    for (const AgentChatRequest::File &file : request.files) {
        if (file.path == path)
            return file.contents;
    }
    return std::nullopt;
}

// A line that reads as a note in the file's own syntax.
QString noteLine(const QString &path, const QString &note)
{
    if (path.endsWith(u".yaml") || path.endsWith(u".yml") || path.endsWith(u".lock"))
        return QStringLiteral("# agent note: ") + note;
    if (path.endsWith(u".fountain"))
        return QStringLiteral("[[agent note: ") + note + QStringLiteral("]]");
    return QStringLiteral("*Agent note: ") + note + u'*';
}

QString snippet(const QString &text, qsizetype length)
{
    QString flat = text.simplified();
    if (flat.size() > length)
        flat = flat.left(length - 1) + QChar(0x2026);
    return flat;
}

QJsonObject toolEvent(const QString &name, const QString &detail, const QJsonObject &args,
                      const QString &result)
{
    return {{QStringLiteral("tool"),
             QJsonObject{{QStringLiteral("name"), name},
                         {QStringLiteral("detail"), detail},
                         {QStringLiteral("args"),
                          QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact))},
                         {QStringLiteral("result"), result}}}};
}

void addTool(TurnScript &script, const QString &name, const QString &detail,
             const QJsonObject &args, const QString &result)
{
    script.addEvent({{QStringLiteral("status"), name}}, DemoAgent::pauseMs);
    script.addEvent(toolEvent(name, detail, args, result), DemoAgent::pauseMs);
}

void addEdit(TurnScript &script, const QString &path, const QString &contents)
{
    addTool(script, QStringLiteral("write"), path, {{QStringLiteral("path"), path}},
            QStringLiteral("%1 characters").arg(contents.size()));
    script.addEvent({{QStringLiteral("edit"), QJsonObject{{QStringLiteral("path"), path},
                                                          {QStringLiteral("contents"), contents}}}},
                    DemoAgent::pauseMs);
}

// Carries out what an agent-mode message asks for; returns one sentence per change.
QStringList addProjectChanges(TurnScript &script, const AgentChatRequest &request)
{
    const QString text = request.lastUserText();
    const QStringList editWords{QStringLiteral("edit"), QStringLiteral("write"),
                                QStringLiteral("rewrite"), QStringLiteral("change"),
                                QStringLiteral("update")};
    const QStringList deleteWords{QStringLiteral("delete"), QStringLiteral("remove")};
    const bool wantsEdit = mentionsAny(text, editWords);
    const bool wantsAsset = mentionsAny(text, {QStringLiteral("asset"), QStringLiteral("image"),
                                               QStringLiteral("picture"), QStringLiteral("sheet"),
                                               QStringLiteral("plate")});
    const bool wantsDelete = mentionsAny(text, deleteWords);
    QStringList done;
    std::optional<QString> deleteTarget;
    if (wantsDelete)
        deleteTarget = namedPath(request, text, deleteWords);
    if (wantsEdit) {
        QString path = namedPath(request, text, editWords, deleteTarget)
                           .value_or(request.activeFile.value_or(QString::fromLatin1(notesPath)));
        if (path == deleteTarget)
            path = QString::fromLatin1(notesPath);
        QString contents = contentsOf(request, path).value_or(QString());
        if (!contents.isEmpty() && !contents.endsWith(u'\n'))
            contents += u'\n';
        contents += noteLine(path, snippet(text, 80)) + u'\n';
        addEdit(script, path, contents);
        done << QStringLiteral("I added a note to `%1`.").arg(path);
    }
    if (wantsAsset) {
        const QString path = QStringLiteral("characters/agent-sketch.png");
        addTool(script, QStringLiteral("generate_character_sheet"), path,
                {{QStringLiteral("path"), path}}, QStringLiteral("1×1 PNG"));
        script.addEvent({{QStringLiteral("asset"), QJsonObject{{QStringLiteral("path"), path},
                                                               {QStringLiteral("dataBase64"),
                                                                QString::fromLatin1(pixelPng)}}}},
                        DemoAgent::pauseMs);
        done << QStringLiteral("I generated `%1`.").arg(path);
    }
    if (wantsDelete) {
        if (!deleteTarget) {
            deleteTarget = QString::fromLatin1(scratchPath);
            addEdit(script, *deleteTarget, QStringLiteral("Scratch space for this turn.\n"));
        }
        addTool(script, QStringLiteral("delete_file"), *deleteTarget,
                {{QStringLiteral("path"), *deleteTarget}}, QStringLiteral("deleted"));
        script.addEvent(
            {{QStringLiteral("delete"), QJsonObject{{QStringLiteral("path"), *deleteTarget}}}},
            DemoAgent::pauseMs);
        done << QStringLiteral("I deleted `%1`.").arg(*deleteTarget);
    }
    return done;
}

// Pieces of two or three words, each keeping the space that follows it.
QStringList deltaPieces(const QString &text)
{
    QStringList pieces;
    QString piece;
    int words = 0;
    for (QChar c : text) {
        piece += c;
        if (c == u' ' && ++words == 3) {
            pieces << piece;
            piece.clear();
            words = 0;
        }
    }
    if (!piece.isEmpty())
        pieces << piece;
    return pieces;
}

qint64 tokens(qsizetype characters)
{
    return characters / 4 + 1;
}

QJsonObject usage(const AgentChatRequest &request, const QString &reply)
{
    qsizetype conversation = 0;
    for (const AgentChatRequest::Message &message : request.messages)
        conversation += message.content.size();
    qsizetype rules = 0;
    qsizetype layout = 0;
    for (const AgentChatRequest::File &file : request.files) {
        layout += file.path.size() + 1;
        if (file.path.startsWith(u".slatebox/rules/"))
            rules += file.contents.size();
    }
    const QJsonObject breakdown{{QStringLiteral("systemPrompt"), 1800},
                                {QStringLiteral("toolDefinitions"), 1200},
                                {QStringLiteral("rules"), tokens(rules)},
                                {QStringLiteral("projectLayout"), tokens(layout)},
                                {QStringLiteral("conversation"), tokens(conversation)}};
    qint64 input = 0;
    for (const QJsonValue &value : breakdown)
        input += value.toInteger();
    const QString model =
        request.model == u"auto" ? QStringLiteral("slatebox/demo") : request.model;
    return {{QStringLiteral("inputTokens"), input},
            {QStringLiteral("outputTokens"), tokens(reply.size())},
            {QStringLiteral("model"), model},
            {QStringLiteral("contextWindow"), 200000},
            {QStringLiteral("breakdown"), breakdown}};
}

} // namespace

namespace DemoAgent {

TurnScript turn(const AgentChatRequest &request)
{
    TurnScript script;
    const QString text = request.lastUserText();
    for (const QString &piece :
         {QStringLiteral("Reading the request"), QStringLiteral(" against the project's "),
          QStringLiteral("%1 files.").arg(request.files.size())})
        script.addEvent({{QStringLiteral("reasoning"), piece}}, pauseMs);

    const QString looked = request.activeFile.value_or(QStringLiteral("."));
    addTool(script, request.activeFile ? QStringLiteral("read_file") : QStringLiteral("list_dir"),
            looked, {{QStringLiteral("path"), looked}},
            QStringLiteral("%1 files in the project").arg(request.files.size()));

    QStringList changes;
    if (request.mode == u"agent")
        changes = addProjectChanges(script, request);

    QString reply = QStringLiteral("You said: \u201c%1\u201d. ").arg(snippet(text, 120));
    reply += changes.isEmpty()
                 ? QStringLiteral("I looked over \u201c%1\u201d (%2, %3 files) and have nothing to "
                                  "change; I am the demo agent of the development service.")
                       .arg(request.title, request.type)
                       .arg(request.files.size())
                 : changes.join(u' ');
    for (const QString &piece : deltaPieces(reply))
        script.addEvent({{QStringLiteral("delta"), piece}}, pauseMs);

    script.addEvent({{QStringLiteral("usage"), usage(request, reply)}}, pauseMs);
    if (request.isFirstTurn()) {
        if (const std::optional<QString> name = title(request.messages))
            script.addEvent({{QStringLiteral("title"), *name}}, pauseMs);
    }
    script.addEvent({{QStringLiteral("done"), true}}, pauseMs);
    return script;
}

std::optional<QString> title(const QList<AgentChatRequest::Message> &messages)
{
    for (const AgentChatRequest::Message &message : messages) {
        if (message.role != u"user")
            continue;
        const QStringList words = message.content.simplified().split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        QString name = words.mid(0, 6).join(u' ');
        while (!name.isEmpty() && name.back().isPunct())
            name.chop(1);
        if (name.isEmpty())
            continue;
        name = snippet(name, 48);
        name[0] = name[0].toUpper();
        return name;
    }
    return std::nullopt;
}

} // namespace DemoAgent
