#pragma once

#include <QString>

#include "core/git/GitIdentity.h"

// The one place that talks to libgit2. Operations are free functions over a clone folder and
// plain values; apart from the library's start-up, the fallback identity below is the only state.
namespace GitClient {

// Used for commits in a repository that has no committer identity of its own. Safe from any
// thread; a later call replaces an earlier pair. Never throws.
void setFallbackIdentity(const QString &name, const QString &email);

// The pair last set, or "Slatebox" with the service's no-reply address when none was set.
GitIdentity fallbackIdentity();

} // namespace GitClient
