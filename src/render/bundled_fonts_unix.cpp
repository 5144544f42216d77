// On Linux the fonts come from the system (the package depends on
// fonts-liberation); nothing is shipped with the program.
#include "render/bundled_fonts.h"

void load_bundled_fonts() {}

QFont::HintingPreference document_font_hinting()
{
    return QFont::PreferDefaultHinting;
}
