#pragma once

#include <QString>
#include <QtGlobal>

// One share of a prompt's tokens ("System prompt", "Rules", "Conversation", …); a list of slices
// divides the tokens of one prompt. Identified by its label.
struct ContextSlice {
    QString label;
    qint64 tokens = 0;

    const QString &id() const { return label; }

    bool operator==(const ContextSlice &) const = default;
};
