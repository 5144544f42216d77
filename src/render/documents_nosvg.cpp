// Builds without QtSvg (the Windows build: Debian has no QtSvg for it) write
// no SVG drawing; the windows offer PNG and PDF, the batch tool refuses
// --chart-dir before it computes anything.
#include "render/documents.h"

#include <stdexcept>

bool chart_svg_available()
{
    return false;
}

QByteArray chart_svg(const tChartData&)
{
    throw std::runtime_error("this build of Brenlow cannot write SVG drawings");
}
