// Program entry of the desktop calculator: the two program-wide strings, the
// fonts where the system lacks them, the
// folder of the worksheet file, the worksheet (the main window, which
// restores the last scores as it is created), the hidden output window, the
// message boxes, the event loop; a second start shows the first and ends.
#include "app/worksheet_window.h"
#include "app/output_window.h"
#include "app/app_icon.h"
#include "app/program_windows.h"
#include "app/qt_messages.h"
#include "app/single_instance.h"
#include "app/worksheet_folder.h"
#include "common/process_setup.h"
#include "common/temporary_files.h"
#include "common/user_messages.h"
#include "render/bundled_fonts.h"
#include "storage/worksheet_file.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // The one word it answers on the command line, before any window exists;
    // otherwise the program reads no command line.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("brenlow " BRENLOW_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    open_closed_standard_streams();
    // A save's temporary file holds patient data: a signal that ends the
    // program removes it first.
    remove_temporaries_on_signals();
    // Qt's runtime files and the one-program guard in a folder of the
    // user's alone, also where XDG_RUNTIME_DIR is not set (under cron).
    private_runtime_folder();
    // Qt sees the program name only.
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
    // QApplication adopts the user's locale; reports, messages and the
    // worksheet file always write numbers with a full stop.
    std::setlocale(LC_NUMERIC, "C");
    load_bundled_fonts();
    // The user's data folder is named after the program, however it was started.
    QCoreApplication::setApplicationName(QStringLiteral("brenlow"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brenlow.brenlow"));
    QApplication::setWindowIcon(brenlow_icon());
    const tWorksheetLocation location = choose_worksheet_location(GetProgramFolder());
    // A second start on the same worksheet file shows the running program
    // and ends.
    tWorksheetWindow* worksheet = nullptr;
    tOutputWindow* output = nullptr;
    tSingleInstance instance(single_instance_name(location.path()));
    if (!instance.claim([&worksheet, &output] { bring_program_to_front(worksheet, output); }))
        return 0;

    worksheet = new tWorksheetWindow(location);
    output = new tOutputWindow;
    output->set_worksheet(worksheet); // Return to Worksheet shows it
    worksheet->set_output_window(output); // Compute reports there
    tQtUserMessages messages;
    tScopedUserMessages seam(messages);

    worksheet->show();
    const int code = app.exec();

    delete output;
    output = nullptr;
    delete worksheet;
    worksheet = nullptr;
    return code;
}
