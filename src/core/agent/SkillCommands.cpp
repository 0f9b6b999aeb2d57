#include "core/agent/SkillCommands.h"

#include <algorithm>
#include <utility>

#include "core/project/CodePointOrder.h"

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimSpacesAndTabs(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool isSkillFile(const ProjectFile &file)
{
    return !file.isGroup() && !file.isBinary && file.path.startsWith(SkillCommands::skillsFolder) &&
           file.path.endsWith(SkillCommands::skillSuffix);
}

QString commandName(const QString &path)
{
    const qsizetype start = SkillCommands::skillsFolder.size();
    return path.sliced(start, path.size() - start - SkillCommands::skillSuffix.size());
}

} // namespace

QList<SkillCommand> SkillCommands::skillCommands(const FileIndex &files)
{
    QList<SkillCommand> commands;
    for (const ProjectFile &file : files) {
        if (isSkillFile(file))
            commands.append(SkillCommand{commandName(file.path), skillDescription(file.contents)});
    }
    std::stable_sort(commands.begin(), commands.end(),
                     [](const SkillCommand &a, const SkillCommand &b) {
                         return CodePointOrder::less(a.name, b.name);
                     });
    return commands;
}

QString SkillCommands::skillDescription(QStringView contents)
{
    static constexpr QStringView fence = u"---";
    static constexpr QStringView key = u"description:";
    if (!contents.startsWith(fence))
        return {};
    bool first = true;
    for (const QStringView line : contents.tokenize(u'\n', Qt::SkipEmptyParts)) {
        if (std::exchange(first, false))
            continue;
        const QStringView trimmed = trimSpacesAndTabs(line);
        if (trimmed == fence)
            return {};
        if (trimmed.startsWith(key))
            return trimSpacesAndTabs(trimmed.sliced(key.size())).toString();
    }
    return {};
}

QList<SkillCommand> SkillCommands::slashSuggestions(QStringView composer,
                                                    const QList<SkillCommand> &commands)
{
    if (!composer.startsWith(u'/') || composer.contains(u' ') || composer.contains(u'\n'))
        return {};
    const QString query = composer.sliced(1).toString().toLower();
    QList<SkillCommand> matches;
    for (const SkillCommand &command : commands) {
        if (command.name.toLower().startsWith(query))
            matches.append(command);
    }
    return matches;
}

QString SkillCommands::completion(QStringView name)
{
    return u'/' + name.toString() + u' ';
}
