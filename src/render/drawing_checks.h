// A painter begun and ended on a file's paint device, or an exception: a
// drawing that could not be made must not be written as if it were whole.
#pragma once

#include <QPainter>

#include <stdexcept>

inline void begin_or_throw(QPainter& painter, QPaintDevice* device)
{
    if (!painter.begin(device))
        throw std::runtime_error("the drawing could not be started");
}

inline void end_or_throw(QPainter& painter)
{
    if (!painter.end())
        throw std::runtime_error("the drawing could not be finished");
}
