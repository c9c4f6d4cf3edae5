// Case folding for the names the layer compares itself (connection,
// owner and database names): only the ASCII letters a-z change, so the
// result never depends on the locale and keeps its length.
#pragma once

#include <QString>

QString AsciiUpper(const QString& text);
