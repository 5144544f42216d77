// Asks an X11 window manager for a caption bar with the title only: no
// minimise, maximise or close button and no system menu, and no moving
// but by the title. Window managers that honour the Motif hints draw it so;
// elsewhere (another platform, a build without xcb) nothing happens.
#pragma once

class QWidget;

// Call on a top-level widget before it is first shown.
void ask_for_title_only_caption(QWidget* window);

// Asks the window manager to show `window` on the desktop (workspace) now
// shown: a window that must stay in reach is brought back when it is sent to
// another one.
void move_to_current_desktop(QWidget* window);
