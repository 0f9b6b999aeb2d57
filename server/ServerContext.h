#pragma once

#include <atomic>

#include <QString>

#include "ServerOptions.h"

class AccountStore;
class Database;
class OrgStore;
class ProjectService;
class ProjectStore;
class RepositoryStore;

// What every route handler may reach: the options, the data folder and the stores. Built once in
// main() and alive until the server stops; handlers run on pool threads, so everything reached
// from here is thread-safe (the stores serialise on the database lock).
struct ServerContext {
    ServerOptions options;
    QString dataDir; // absolute, no trailing "/"
    Database &db;
    AccountStore &accounts;
    OrgStore &orgs;
    ProjectStore &projects;
    RepositoryStore &repositories;
    ProjectService &projectService;
    std::atomic<int> port{0}; // the bound port, known once listening

    // "http://127.0.0.1:PORT", the origin every URL the server hands out starts with.
    QString baseUrl() const { return u"http://127.0.0.1:"_qs + QString::number(port.load()); }
};
