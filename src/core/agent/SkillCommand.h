#pragma once

#include <QString>

// A project skill offered as a slash command: "/" + `name` in the composer. Identified by its
// name, which keeps the skill's subfolder ("story/logline").
struct SkillCommand {
    QString name;
    // From the skill file's front matter; possibly empty.
    QString description;

    const QString &id() const { return name; }

    bool operator==(const SkillCommand &) const = default;
};
