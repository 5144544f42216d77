// A chart of one case, with the fourth score abnormally low.
#pragma once

#include "render/chart_data.h"

tChartData chart(double vc);
