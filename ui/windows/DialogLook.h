#pragma once

#include <Qt>

class QDialog;

// What the status, handover and finder windows share: a title bar with a
// close box alone, the program's icon and the blue of its windows.
namespace DialogLook {

inline constexpr Qt::WindowFlags Flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
    | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// The icon and the colour, once the form is set up.
void apply(QDialog* dialog);

} // namespace DialogLook
