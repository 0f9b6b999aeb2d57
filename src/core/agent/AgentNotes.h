#pragma once

#include <chrono>
#include <optional>

#include <QString>
#include <QStringView>

// The one-line notes an assistant reply carries between its pieces of text, the activity labels
// shown while the agent works, and the closing marker of a turn. Pure text rules, so the turn
// loop and the transcript agree on them.
namespace AgentNotes {

// Middle dot and a space: every note but the warning starts with it.
inline constexpr QStringView NotePrefix = u"\u00B7 ";
inline constexpr QStringView PlanningActivity = u"Planning next moves";
inline constexpr QStringView ThinkingActivity = u"Thinking";
inline constexpr QStringView DroppedLineWarning =
    u"\u26A0 A file update from the server could not be read \u2014 local files may be stale. "
    u"Ask the agent to re-check its last edit.";
inline constexpr QStringView OutsidePathWarning =
    u"\u26A0 Ignored a file change outside the project: ";
inline constexpr qsizetype OutsidePathShownLength = 200;

// What the agent is doing while a tool runs: "Reading a file", or "Working" for a tool this
// client does not know. Names compare exactly.
QString toolActivity(QStringView name);
// The note left after a tool ran: "· Read: <detail>", or "· <name>" for an unknown tool.
QString toolNote(QStringView name, QStringView detail);

// "· Thought briefly" below half a second (and for a duration that is not a number), else
// "· Thought for 12s" or "· Thought for 2m 5s", whole seconds rounded half away from zero.
QString thoughtNote(double seconds);
QString thoughtNote(std::chrono::steady_clock::time_point since,
                    std::chrono::steady_clock::time_point now);

// Appends `note` on a line of its own; the next text then starts on a fresh line. Amortised:
// the reply grows in place.
void appendNote(QString &text, QStringView note);

// The warning for an edit, asset or delete whose path is not a project path; a long path is
// cut so a hostile one cannot flood the transcript.
QString outsidePathNote(QStringView path);

// How a turn ended, as the closing marker needs it.
struct TurnEnd {
    bool stopped = false;
    // The error's description, when the turn failed for another reason than a stop.
    std::optional<QString> error;
};

// The reply's final text: "(stopped)" or "\n\n(stopped)" after a stop; "Agent error: …", alone
// or in parentheses after a blank line, after an error; "(empty reply)" for nothing at all.
void markTurnEnd(QString &text, const TurnEnd &end);

} // namespace AgentNotes
