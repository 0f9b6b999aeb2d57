#include "RandomToken.h"

#include <QByteArray>
#include <QRandomGenerator>

QString RandomToken::hex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (auto &byte : raw)
        byte = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(raw.toHex());
}
