#include "app/worksheet_folder.h"

#include "storage/worksheet_config.h"
#include "storage/worksheet_file.h"

std::string user_data_folder()
{
    return system_data_folder();
}

std::string tWorksheetLocation::path() const
{
    if (folder.empty())
        return worksheet_file_path();
    return folder + "/" + DataFileName;
}

std::string tWorksheetLocation::earlier_path() const
{
    return earlier_folder + "/" + DataFileName;
}

void tWorksheetLocation::create_folder() const
{
    if (create_on_save && !folder.empty())
        create_folder_path(folder);
}

tWorksheetLocation choose_worksheet_location(const std::string& program_folder)
{
    const std::string folder = worksheet_folder_for(program_folder, user_data_folder());
    // A worksheet file left beside the program by an earlier copy is read
    // when the data folder has none yet.
    const bool moved = folder != program_folder;
    return {folder, moved, moved ? program_folder : std::string()};
}
