// The user guide window and the About box.
#include "app/help_window.h"

#include "app/app_icon.h"
#include "app/screen_fit.h"

#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#ifndef BRENLOW_BUILD_DATE
#define BRENLOW_BUILD_DATE "an unrecorded date"
#endif

tUserGuideWindow::tUserGuideWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Brenlow User Guide"));
    setWindowIcon(brenlow_icon());
    txtGuide = new QTextBrowser(this);
    txtGuide->setObjectName(QStringLiteral("txtGuide"));
    txtGuide->setAccessibleName(QStringLiteral("User guide"));
    txtGuide->setOpenExternalLinks(false);
    txtGuide->setSource(QUrl(QStringLiteral("qrc:/help/user-guide.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtGuide);
    resize(700, 560);
}

void show_user_guide(QWidget* owner, tUserGuideWindow*& guide)
{
    if (!guide) {
        guide = new tUserGuideWindow(owner);
        fit_window_to_screen(guide);
        centre_on_screen(guide);
    }
    guide->show();
    guide->raise();
    guide->activateWindow();
}

QString about_text()
{
    return QStringLiteral(
        "<p><b>Brenlow " BRENLOW_VERSION "</b><br>Supplementary analysis of a case's Orvane Index "
        "scores.</p><p>Built on " BRENLOW_BUILD_DATE ".</p>"
        "<p>Copyright (c) 2026 The Brenlow developers.<br>Released under the MIT License: free to "
        "use, copy, change and pass on, with the copyright and licence notice kept, and without "
        "any warranty.</p>");
}

void show_about_box(QWidget* parent)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("About Brenlow"), about_text(),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);
    box.setIconPixmap(brenlow_icon().pixmap(64, 64));
    box.exec();
}
