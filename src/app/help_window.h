// The user guide, bundled in the program and shown in a window of its own
// (F1 in either window, the output window's Help menu), and the About box.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

class tUserGuideWindow final : public QWidget {
    Q_OBJECT
public:
    explicit tUserGuideWindow(QWidget* parent = nullptr);
    QTextBrowser* txtGuide;
};

// Shows the guide window that `owner` keeps in `guide` (made the first
// time), raised and active.
void show_user_guide(QWidget* owner, tUserGuideWindow*& guide);

// The About box's text: the version, the build date and the licence.
QString about_text();
// The modal About box over `parent`.
void show_about_box(QWidget* parent);
