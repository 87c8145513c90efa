#pragma once

#include <QString>

// Whether a text looks like a full IMEI typed wrongly: exactly 15 digits whose
// last one is not the check digit (Luhn) of the first 14. Anything else, a
// partial or foreign number included, is no mistake we can tell.
bool hasWrongImeiCheckDigit(const QString& text);
