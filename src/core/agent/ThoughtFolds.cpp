#include "core/agent/ThoughtFolds.h"

#include "core/agent/UuidText.h"

QString ThoughtFolds::thoughtKey(const QUuid &messageId, int index)
{
    return UuidText::toString(messageId) + u'#' + QString::number(index);
}

QSet<QString> ThoughtFolds::toggledThought(QSet<QString> expanded, const QUuid &messageId,
                                           int index)
{
    const QString key = thoughtKey(messageId, index);
    if (!expanded.remove(key))
        expanded.insert(key);
    return expanded;
}
