// Enter and Return press a push button that has the focus, as Space does.
// Qt leaves them to dialog default buttons; keyboard users expect them to
// press the button they are on, in every window of the program.
#pragma once

class QPushButton;
class QWidget;

void press_on_enter(QPushButton* button);

// The style draws a control's focus mark only once the keyboard has moved the
// focus in its window; a button that has the focus from the start (Return to
// Worksheet after Compute) would show none until Tab is pressed. Called when
// `window`'s activation changes, this marks the focus at once.
void show_focus_mark(QWidget* window);
