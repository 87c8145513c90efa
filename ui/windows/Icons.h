#pragma once

#include <QIcon>
#include <QString>

// The program's pictures by name ("trelomar", "new", …): drawn from SVG where
// Qt reads it, otherwise from the PNG sizes the build rendered from the same
// SVG (the Windows build carries no SVG reader).
namespace Icons {
QIcon named(const QString& name);
}
