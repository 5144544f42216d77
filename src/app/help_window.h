// The user guide, bundled in the program and shown in a window of its own,
// and the About box.
//
// F1 in any window or dialog of the program opens the guide at that window's
// section. A window names its section in the dynamic property
// help_section_property (an anchor of the guide; an empty one is the guide's
// beginning); a window without it takes the section of the window it belongs
// to, so that a message box over a dialog, or a file dialog, opens the
// dialog's section.
#pragma once

#include <QString>
#include <QWidget>

class QMessageBox;
class QTextBrowser;

inline constexpr char help_section_property[] = "helpSection";

class tUserGuideWindow final : public QWidget {
    Q_OBJECT
public:
    explicit tUserGuideWindow(QWidget* parent = nullptr);
    QTextBrowser* txtGuide;

    // The section whose anchor is `anchor` at the top of the view, the text
    // cursor at its heading; the guide's beginning for an empty or unknown
    // anchor.
    void show_section(const QString& anchor);
};

// Makes F1 open the guide from every window of the program (once, however
// often called). A QApplication must exist.
void install_help_key();

// Shows the guide at the section of `window`, raised and active, as F1 in
// that window does.
void show_user_guide_for(QWidget* window);

// The section of the guide that `window` names, or the window it belongs to.
QString help_section_of(const QWidget* window);

// The About box's text: the version, the build date and the licence.
QString about_text();
// The About box over `parent`, to be shown; show_about_box shows it modally.
QMessageBox* new_about_box(QWidget* parent);
void show_about_box(QWidget* parent);
