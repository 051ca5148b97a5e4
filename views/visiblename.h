#pragma once

#include <QFontMetricsF>
#include <QString>

// A file or device name as it may be shown: control characters, line breaks and invisible
// format characters (direction overrides and isolates among them) are written out as <U+XXXX>,
// and the whole is wrapped in a first-strong isolate, so a name can neither hide characters
// nor reorder the text around it. Only for display: the name itself is never changed.
QString visibleName(const QString& name);

// `line`, which holds one name as visibleName() writes it, cut to fit `width`: the name loses
// its middle to an ellipsis inside its isolate, and the text around it stays whole. A line
// without a name is cut in its own middle.
QString nameCutToFit(const QString& line, const QFontMetricsF& metrics, qreal width);
