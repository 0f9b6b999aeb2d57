#pragma once

#include <QString>

// Unguessable identifiers from the system's secure random source.
namespace RandomToken {

// `bytes` random bytes as lower-case hex.
QString hex(int bytes);

} // namespace RandomToken
