#include "app/worksheet_folder.h"

#include "app/worksheet_window.h"
#include "storage/worksheet_file.h"

std::string user_data_folder()
{
    return system_data_folder();
}

void choose_worksheet_folder(const std::string& program_folder)
{
    const std::string folder = worksheet_folder_for(program_folder, user_data_folder());
    // A worksheet file left beside the program by an earlier copy is read
    // when the data folder has none yet.
    const bool moved = folder != program_folder;
    set_worksheet_folder(folder, moved, moved ? program_folder : std::string());
}
