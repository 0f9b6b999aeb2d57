#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QString>
#include <QStringView>

#include "core/agent/AgentMessage.h"
#include "core/agent/ContextSlice.h"
#include "core/project/ProjectTree.h"
#include "core/service/AgentTurnUsage.h"

// How much of the model's context window the next prompt takes, for the pane's usage ring and
// panel: the service's own breakdown when a turn has reported one, else the client's estimate.
namespace ContextEstimate {

inline constexpr qint64 charactersPerToken = 4;
// The window assumed when neither the usage nor the chosen model names one.
inline constexpr qint64 fallbackWindowTokens = 15000;

// The client's estimate in three slices, "Project context", "Rules", "Conversation": every
// sendable file's path (plus 4) counts, and so does the text of the core files (the manifest,
// the file of the active editor tab, everything under "bible/"); rules are the files under
// ".slatebox/rules/"; the conversation is its messages' texts. Characters are user-perceived
// characters, each slice divided by 4 with the remainder dropped.
QList<ContextSlice> estimatedBreakdown(const FileIndex &files,
                                       const std::optional<QString> &activeTab,
                                       const QList<AgentMessage> &messages);

// The service's five slices when the usage carries a breakdown, else `estimate()`; scaled to
// the usage's input tokens when there are any, so the slices add up to what was reported.
// `estimate` is only called when it is needed.
QList<ContextSlice> contextBreakdown(const std::optional<AgentTurnUsage> &usage,
                                     const std::function<QList<ContextSlice>()> &estimate);

// The usage's input tokens, else the sum of the breakdown (the estimate).
// `breakdown` is only called without a usage.
qint64 contextTokensUsed(const std::optional<AgentTurnUsage> &usage,
                         const std::function<QList<ContextSlice>()> &breakdown);

// The usage's window, else (when a model is chosen rather than "auto") the catalogue's context
// size of that model; absent when nothing says.
std::optional<qint64> contextWindowTokens(const std::optional<AgentTurnUsage> &usage,
                                          bool agentAuto, QStringView modelId);

// Used over window, at most 1; a missing or non-positive window counts as 15000 tokens.
double contextUsage(qint64 tokensUsed, const std::optional<qint64> &windowTokens);

} // namespace ContextEstimate
