#include "core/editor/SyntaxLanguage.h"

#include <QString>

namespace SyntaxLanguages {

std::optional<SyntaxLanguage> detect(QStringView path)
{
    const QStringView fileName = path.mid(path.lastIndexOf(u'/') + 1);
    if (fileName.compare(u"slatebox.lock", Qt::CaseInsensitive) == 0)
        return SyntaxLanguage::Yaml;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0)
        return std::nullopt;
    const QString extension = fileName.mid(dot + 1).toString().toLower();
    if (extension == u"md" || extension == u"mdc" || extension == u"markdown")
        return SyntaxLanguage::Markdown;
    if (extension == u"yaml" || extension == u"yml")
        return SyntaxLanguage::Yaml;
    return std::nullopt;
}

} // namespace SyntaxLanguages
