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
        // 2: render takes (finished by the render worker) and shipped releases.
        uR"sql(
CREATE TABLE renders (
    id TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    org TEXT NOT NULL,
    slug TEXT NOT NULL,
    deliverable TEXT NOT NULL,
    shot_id TEXT NOT NULL,
    input_hash TEXT NOT NULL,
    status TEXT NOT NULL,
    output_cas TEXT,
    billed_usd REAL,
    model TEXT NOT NULL,
    resolution TEXT NOT NULL,
    error TEXT,
    prompt TEXT NOT NULL,
    seed INTEGER NOT NULL,
    duration_seconds INTEGER NOT NULL,
    created_at TEXT NOT NULL,
    created_ms INTEGER NOT NULL,
    due_ms INTEGER NOT NULL
);
CREATE INDEX renders_by_shot ON renders (shot_id, input_hash, created_ms);
CREATE INDEX renders_pending ON renders (status, due_ms);
CREATE TABLE ships (
    id TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    org TEXT NOT NULL,
    slug TEXT NOT NULL,
    deliverable TEXT NOT NULL,
    commit_id TEXT NOT NULL,
    tag TEXT NOT NULL,
    air_date TEXT,
    shots TEXT,
    lock_text TEXT,
    created_at TEXT NOT NULL,
    created_ms INTEGER NOT NULL
);
CREATE INDEX ships_by_project ON ships (org, slug, created_ms);
)sql"_qs,
    };
    return steps;
}
