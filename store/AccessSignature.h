#pragma once

#include <QString>

// Whether a file starts like an Access (Jet or ACE) database: the store will
// not take one for its own, and the program offers to convert one. Apart from
// the store, so that the Access reader (and its fuzz target) can use it alone.
namespace AccessSignature {

bool matches(const QString& path);

} // namespace AccessSignature
