#pragma once

#include <optional>

#include <QStringView>

// The languages the source editor colours; a file with no language is shown as plain text.
enum class SyntaxLanguage { Markdown, Yaml };

namespace SyntaxLanguages {

// By file name: the lock file is YAML whatever its case; otherwise by the lower-cased extension.
std::optional<SyntaxLanguage> detect(QStringView path);

} // namespace SyntaxLanguages
