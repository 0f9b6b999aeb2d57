#pragma once

#include <optional>

#include <QString>

class QJsonObject;

// One project of the service, named by its organisation's slug and its own slug. Its clone
// lives in ~/Slatebox/<org>/<slug>.
struct ProjectRef {
    QString org;
    QString slug;

    // Both slugs must be usable as one folder name each: not empty, not "." or "..", and
    // without "/", "\" or NUL. Slugs come from the service and from window state, so a ref
    // is checked before anything is cloned into or read from its folder.
    bool isValid() const;
    // Empty for a valid ref; otherwise the text to show instead of opening the project.
    QString validationError() const;

    // The absolute path of ~/Slatebox/<org>/<slug>. For an invalid ref it is the empty
    // string, so it can never name a folder outside ~/Slatebox; check isValid() first.
    QString localURL() const;
    // A file or folder named slatebox.yaml exists directly in the clone folder; always false
    // for an invalid ref.
    bool isCloned() const;

    // Exactly the keys "org" and "slug".
    QJsonObject toJson() const;
    // Nothing unless both keys hold strings (other keys are ignored). The result is not
    // checked: callers test isValid() like for any other ref.
    static std::optional<ProjectRef> fromJson(const QJsonObject &object);

    bool operator==(const ProjectRef &) const = default;
};

size_t qHash(const ProjectRef &ref, size_t seed = 0);
