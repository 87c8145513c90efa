#pragma once

#include "printout/report/ReportLayout.h"

#include <functional>

class QPainter;

// Paints placed boxes on any paint device: a printer, a PDF writer or an
// image. Millimetres become device pixels by the device's resolution, with
// the painter's origin at the sheet's top-left corner.
namespace ReportPainter {

void paintBox(QPainter& painter, const PlacedBox& box);

// Paints a page box by box; `afterBox` runs after each box and may stop the
// painting by returning false. Returns false when it was stopped.
bool paintPage(QPainter& painter, const ReportPage& page, const std::function<bool()>& afterBox = {});

} // namespace ReportPainter
