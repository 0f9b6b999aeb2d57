#pragma once

#include <QMap>
#include <QString>

// Input hash → content address of the locked-in take. Both are opaque and compared exactly.
using LockPins = QMap<QString, QString>;

// Reads and writes `slatebox.lock`. The reader tolerates hand edits; the writer always produces
// the one canonical shape, so comments and unknown keys are dropped on the first write.
namespace LockFile {

// Never fails: lines it does not understand yield fewer pins.
LockPins pins(const QString &text);

// Pins sorted by the input hash's code points. Neither hash nor address is escaped: they must not
// hold a double quote or a line break.
QString serialize(const LockPins &pins);

QString settingPin(const QString &text, const QString &inputHash, const QString &cas);
QString removingPin(const QString &text, const QString &inputHash);

// Drops one pair of enclosing double quotes; no escapes are understood.
QString unquote(const QString &text);

} // namespace LockFile
