#pragma once

#include <QStringList>

// The schema as a list of migrations: migration i brings a database from `user_version` i to
// i + 1. Append new steps at the end; never edit a step that has shipped in a data folder.
namespace DatabaseSchema {

const QStringList &migrations();

} // namespace DatabaseSchema
