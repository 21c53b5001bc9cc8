// Setting up the stand-in for one run of the program's code.
#include "stage.h"
#include "resource.h"
#include "standin.h"
#include "process/config.h"
#include "process/messages.h"
#include "terminal.h"
#include "text.h"

#include <commctrl.h>

bool stage_program(const Input &input, Destination destination, const std::string &folder) {
    standin::map_drive('E', input.host_path);
    standin::set_module_file_name("E:\\");
    if (destination == Destination::Folder) {
        standin::map_drive('D', folder);
        standin::confine_drive('D');
    } else if (destination == Destination::NullDrive) {
        standin::map_null_drive('D');
    }
    standin::set_current_directory(DESTINATION_ROOT);

    state.instance = GetModuleHandleA(nullptr);
    GetModuleFileNameA(state.instance, state.own_path, PATH_SIZE);
    InitCommonControls();
    if (input.self_extractor) {
        if (load_config())
            return true;
        report(input.name + ": " + printable(fetch_string(IDS_ARCHIVE_DAMAGED)) +
               " (the configuration block cannot be read)");
        return false;
    }
    SfxConfig &config = state.config;
    config = {};
    lstrcpynA(config.title, fetch_string(IDS_PROGRAM_NAME), sizeof config.title);
    lstrcpynA(config.folder, DESTINATION_ROOT, sizeof config.folder);
    return true;
}
