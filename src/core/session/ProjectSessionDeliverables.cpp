#include "core/session/DeliverableLifecycle.h"
#include "core/session/ProjectSession.h"

void ProjectSession::setDeliverableStatus(const QString &slug, const QString &status,
                                          const std::optional<QString> &airDate)
{
    DeliverableLifecycle(*this).setDeliverableStatus(slug, status, airDate);
}

QCoro::Task<void> ProjectSession::ship(QString deliverable, std::optional<QDateTime> airDate)
{
    return DeliverableLifecycle(*this).ship(std::move(deliverable), std::move(airDate));
}

QCoro::Task<void> ProjectSession::startRevision(QString deliverable)
{
    return DeliverableLifecycle(*this).startRevision(std::move(deliverable));
}

QString ProjectSession::nextShipTag(const QString &slug, const QString &root)
{
    return DeliverableLifecycle::nextShipTag(slug, root);
}

QString ProjectSession::isoDay(const QDateTime &date)
{
    return DeliverableLifecycle::isoDay(date);
}

void ProjectSession::pin(const QString &inputHash, const QString &cas)
{
    DeliverableLifecycle(*this).pin(inputHash, cas);
}

void ProjectSession::unpin(const QString &inputHash)
{
    DeliverableLifecycle(*this).unpin(inputHash);
}

std::optional<QString> ProjectSession::pinnedCas(const QString &inputHash) const
{
    return DeliverableLifecycle::pinnedCas(*this, inputHash);
}

QHash<QString, QString> ProjectSession::appearanceByRef() const
{
    return DeliverableLifecycle::appearanceByRef(*this);
}

QHash<QString, QString> ProjectSession::voiceByRef() const
{
    return DeliverableLifecycle::voiceByRef(*this);
}

QHash<QString, QString> ProjectSession::locationByRef() const
{
    return DeliverableLifecycle::locationByRef(*this);
}
