#pragma once

#include <QList>
#include <QString>

#include "core/agent/ContextSlice.h"

// Token counts as the agent pane shows them.
namespace TokenCount {

// "999", "1K", "1.3K", "1000.0K", "2M": a whole number when the scaled value is integral, else
// one decimal digit (rounded as printf's "%.1f" does).
QString label(qint64 count);

// Rescales the slices so that they add up to exactly `total`: each is rounded on its own (halves
// away from zero) and the rounding error goes to the largest slice, the first of equals. When
// the slices hold no tokens, all of `total` is one "Conversation" slice.
QList<ContextSlice> scaled(const QList<ContextSlice> &slices, qint64 total);

} // namespace TokenCount
