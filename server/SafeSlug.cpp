#include "SafeSlug.h"

bool SafeSlug::isValid(const QString &slug)
{
    if (slug.isEmpty() || slug.size() > 63 || slug.front() == u'-')
        return false;
    for (const QChar c : slug) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'-';
        if (!ok)
            return false;
    }
    return true;
}
