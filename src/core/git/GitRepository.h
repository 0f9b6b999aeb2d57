#pragma once

#include <QString>

struct git_repository;

// An open repository, freed when this goes away. Opening looks at the folder itself only, never
// at its parents, so a plain folder inside some other clone is not mistaken for a repository.
class GitRepository {
public:
    // Throws GitError "git open <path>: …" when `path` is not a repository.
    explicit GitRepository(const QString &path);
    ~GitRepository();
    GitRepository(const GitRepository &) = delete;
    GitRepository &operator=(const GitRepository &) = delete;

    git_repository *get() const { return m_repository; }

private:
    git_repository *m_repository = nullptr;
};
