// The program's icon, drawn from its SVG at the sizes desktops ask for; both
// windows and the application carry it.
#pragma once

#include <QIcon>

QIcon brenlow_icon();
