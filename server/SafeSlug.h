#pragma once

#include <QString>

// The one rule for names that become paths inside the data folder (organisation and project
// slugs, account handles): lower-case ASCII letters, digits and hyphens, starting with a letter or
// digit, at most 63 characters. Anything that passes can never be "." / ".." or hold a "/".
namespace SafeSlug {

bool isValid(const QString &slug);

} // namespace SafeSlug
