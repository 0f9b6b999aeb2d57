#pragma once

#include <QList>
#include <QString>

#include "core/service/AgentModel.h"

// One section of the model menu: the models that share a vendor display name. `provider` holds
// that display name (the models' `detail`), not their vendor key.
struct AgentModelGroup {
    QString provider;
    QList<AgentModel> models;

    bool operator==(const AgentModelGroup &) const = default;
};
