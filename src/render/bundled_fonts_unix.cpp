// On Linux the fonts come from the system (the package depends on
// fonts-liberation); nothing is shipped with the program.
#include "render/bundled_fonts.h"

// Qt's font engine here (FreeType through fontconfig) names each face by its
// file already.
void choose_font_engine() {}

void load_bundled_fonts() {}
