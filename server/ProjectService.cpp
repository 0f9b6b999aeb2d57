#include "ProjectService.h"

#include <QDateTime>

#include "DatabaseError.h"
#include "OrgStore.h"
#include "ProjectStore.h"
#include "ProjectTemplates.h"
#include "RandomToken.h"
#include "RepositoryStore.h"
#include "SafeSlug.h"
#include "UserRecord.h"
#include "core/project/ProjectType.h"

namespace {

ProjectService::Outcome failure(int status, const QString &message)
{
    return {std::nullopt, status, message};
}

bool isPrintable(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return false;
    }
    return true;
}

} // namespace

ProjectService::Outcome ProjectService::create(const UserRecord &user, const QString &org,
                                               const QString &slug, const QString &rawTitle,
                                               const QString &type)
{
    if (!SafeSlug::isValid(org) || !m_orgs.isMember(user.id, org))
        return failure(404, u"unknown organisation \""_qs + org + u'"');
    if (!SafeSlug::isValid(slug))
        return failure(400, u"project slug must be lower-case letters, digits and hyphens, "
                            u"not starting with a hyphen"_qs);
    const auto projectType = ProjectTypes::fromRawValue(type);
    if (!projectType)
        return failure(400, u"type must be series, film or campaign"_qs);
    const QString title = rawTitle.trimmed();
    if (title.isEmpty() || title.size() > 200 || !isPrintable(title))
        return failure(400, u"title must be one line of 1 to 200 characters"_qs);

    std::lock_guard lock(m_mutex);
    if (m_projects.find(org, slug))
        return failure(409, u"project "_qs + org + u'/' + slug + u" already exists"_qs);
    // A folder without a row is what an interrupted deletion leaves; it is no project.
    m_repositories.remove(org, slug);

    const QString error =
        m_repositories.create(org, slug, ProjectTemplates::files(*projectType, title),
                              u"Start "_qs + title + u" from the "_qs + type + u" template"_qs);
    if (!error.isEmpty())
        return failure(500, u"could not create the repository: "_qs + error);

    ProjectRecord project{u"prj_"_qs + RandomToken::hex(8),
                          org,
                          slug,
                          type,
                          title,
                          QDateTime::currentDateTimeUtc().toString(Qt::ISODate)};
    try {
        m_projects.insert(project);
    } catch (const DatabaseError &e) {
        m_repositories.remove(org, slug);
        return failure(500, u"could not record the project: "_qs + QString::fromUtf8(e.what()));
    }
    return {project, 201, {}};
}

ProjectService::Outcome ProjectService::remove(const UserRecord &user, const QString &org,
                                               const QString &slug)
{
    if (!SafeSlug::isValid(org) || !SafeSlug::isValid(slug) || !m_orgs.isMember(user.id, org))
        return failure(404, u"no project "_qs + org + u'/' + slug);
    std::lock_guard lock(m_mutex);
    const auto project = m_projects.find(org, slug);
    if (!project)
        return failure(404, u"no project "_qs + org + u'/' + slug);
    m_projects.remove(org, slug);
    m_repositories.remove(org, slug);
    return {project, 200, {}};
}
