#pragma once

#include <QString>

// A committer name and e-mail address, as written into a commit signature.
struct GitIdentity {
    QString name;
    QString email;

    bool operator==(const GitIdentity &) const = default;
};
