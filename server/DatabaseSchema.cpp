#include "DatabaseSchema.h"

const QStringList &DatabaseSchema::migrations()
{
    static const QStringList steps{
        // 1: accounts, device tokens, sign-in codes, organisations, projects.
        uR"sql(
CREATE TABLE users (
    id TEXT PRIMARY KEY,
    slug TEXT NOT NULL UNIQUE,
    email TEXT,
    display_name TEXT
);
CREATE TABLE device_tokens (
    token TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    created_at INTEGER NOT NULL
);
CREATE TABLE auth_codes (
    code TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    challenge TEXT NOT NULL,
    created_at_ms INTEGER NOT NULL,
    used INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE orgs (
    slug TEXT PRIMARY KEY,
    name TEXT,
    personal INTEGER NOT NULL
);
CREATE TABLE memberships (
    org_slug TEXT NOT NULL REFERENCES orgs(slug),
    user_id TEXT NOT NULL REFERENCES users(id),
    PRIMARY KEY (org_slug, user_id)
);
CREATE TABLE projects (
    id TEXT PRIMARY KEY,
    org TEXT NOT NULL REFERENCES orgs(slug),
    slug TEXT NOT NULL,
    type TEXT NOT NULL,
    title TEXT NOT NULL,
    created_at TEXT NOT NULL,
    UNIQUE (org, slug)
);
)sql"_qs,
    };
    return steps;
}
