// Enter and Return press a push button that has the focus, as Space does.
// Qt leaves them to dialog default buttons; keyboard users expect them to
// press the button they are on, in every window of the program.
#pragma once

class QPushButton;

void press_on_enter(QPushButton* button);
