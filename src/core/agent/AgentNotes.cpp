#include "core/agent/AgentNotes.h"

#include <algorithm>
#include <cmath>

namespace AgentNotes {

namespace {

struct ToolLabels {
    QStringView name;
    QStringView activity;
    QStringView note;
};

constexpr ToolLabels knownTools[] = {
    {u"project_search", u"Searching the project", u"Searched project"},
    {u"grep_search", u"Grepping", u"Grepped"},
    {u"file_search", u"Searching files", u"Searched files"},
    {u"diff_history", u"Checking recent changes", u"Checked recent changes"},
    {u"list_dir", u"Listing files", u"Listed"},
    {u"read_file", u"Reading a file", u"Read"},
    {u"fetch_rules", u"Fetching rules", u"Fetched rules"},
    {u"search_replace", u"Editing a file", u"Edited"},
    {u"write", u"Writing a file", u"Wrote"},
    {u"delete_file", u"Deleting a file", u"Deleted"},
    {u"generate_character_sheet", u"Generating a character sheet", u"Generated character sheet"},
    {u"generate_character_voice", u"Generating a character voice", u"Generated character voice"},
    {u"generate_location_plate", u"Generating a location plate", u"Generated location plate"},
};

const ToolLabels *labelsOf(QStringView name)
{
    for (const ToolLabels &tool : knownTools) {
        if (tool.name == name)
            return &tool;
    }
    return nullptr;
}

} // namespace

QString toolActivity(QStringView name)
{
    const ToolLabels *tool = labelsOf(name);
    return tool ? tool->activity.toString() : u"Working"_qs;
}

QString toolNote(QStringView name, QStringView detail)
{
    const ToolLabels *tool = labelsOf(name);
    QString note = NotePrefix.toString() + (tool ? tool->note : name);
    if (!detail.isEmpty())
        note += u": " + detail;
    return note;
}

QString thoughtNote(double seconds)
{
    if (std::isnan(seconds) || seconds < 0.5)
        return NotePrefix + u"Thought briefly";
    const double rounded = std::round(seconds);
    const qint64 whole = rounded < 1 ? 1 : rounded > 9e15 ? qint64(9e15) : qint64(rounded);
    if (whole <= 59)
        return NotePrefix + u"Thought for " + QString::number(whole) + u's';
    return NotePrefix + u"Thought for " + QString::number(whole / 60) + u"m " +
           QString::number(whole % 60) + u's';
}

QString thoughtNote(std::chrono::steady_clock::time_point since,
                    std::chrono::steady_clock::time_point now)
{
    return thoughtNote(std::chrono::duration<double>(now - since).count());
}

void appendNote(QString &text, QStringView note)
{
    if (!text.isEmpty())
        text += u'\n';
    text += note;
    text += u'\n';
}

QString outsidePathNote(QStringView path)
{
    qsizetype length = std::min(path.size(), OutsidePathShownLength);
    // Never split a surrogate pair at the cut.
    if (length < path.size() && length > 0 && path.at(length - 1).isHighSurrogate())
        --length;
    return OutsidePathWarning + path.left(length);
}

void markTurnEnd(QString &text, const TurnEnd &end)
{
    const bool empty = text.isEmpty();
    if (end.stopped) {
        if (empty)
            text = u"(stopped)"_qs;
        else
            text += u"\n\n(stopped)";
    } else if (end.error) {
        const QString description = u"Agent error: " + *end.error;
        if (empty)
            text = description;
        else
            text += u"\n\n(" + description + u')';
    } else if (empty) {
        text = u"(empty reply)"_qs;
    }
}

} // namespace AgentNotes
