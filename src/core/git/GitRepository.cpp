#include "core/git/GitRepository.h"

#include <git2.h>

#include "core/git/GitLibrary.h"

GitRepository::GitRepository(const QString &path)
{
    GitLibrary::check(git_repository_open(&m_repository, path.toUtf8().constData()),
                      QStringLiteral("open ") + path);
}

GitRepository::~GitRepository()
{
    git_repository_free(m_repository);
}
