#pragma once

#include <QString>

// A file or device name as it may be shown: control characters, line breaks and invisible
// format characters (direction overrides and isolates among them) are written out as <U+XXXX>,
// and the whole is wrapped in a first-strong isolate, so a name can neither hide characters
// nor reorder the text around it. Only for display: the name itself is never changed.
QString visibleName(const QString& name);
