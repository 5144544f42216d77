// The worksheet's sans-serif face, shared by the dialogs it opens: Liberation
// Sans at 13 pixels, DejaVu Sans for what it lacks.
#pragma once

#include <QFont>

QFont sans_font(bool bold);
