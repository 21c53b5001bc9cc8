// A test or extraction run of the program's own code.
//
// The run goes as on Windows: the notice pass (run_extraction in notice mode, its yes/no
// box answered by questions.cpp), then the real main dialog, into which the scripted user
// types the destination "D:\" and presses OK; the whole extraction runs inside that press.
// The overwrite dialog is answered from -y, -n or the terminal. While the run pumps its
// messages after every block, the idle handler draws the progress bar from the dialog's
// own controls and presses Cancel after an interrupt. A test run extracts into the null
// drive and skips the notice question (its CRC is checked by the checking walk instead).
#include "unpack.h"
#include "check.h"
#include "exit_codes.h"
#include "extract/driver.h"
#include "extract/sink.h"
#include "program_messages.h"
#include "questions.h"
#include "resource.h"
#include "stage.h"
#include "standin.h"
#include "process/state.h"
#include "terminal.h"
#include "text.h"
#include "ui/dialogs.h"

#include <stdio.h>

#include <filesystem>
#include <system_error>

namespace {

HWND main_dialog = nullptr;
bool cancel_pressed = false;

void on_dialog(HWND dialog, int template_id) {
    if (template_id == IDD_MAIN) {
        main_dialog = dialog;
        standin::type_text(dialog, IDC_FOLDER, DESTINATION_ROOT);
        standin::press(dialog, IDOK);
    } else if (template_id == IDD_OVERWRITE) {
        standin::press(dialog, answer_overwrite(standin::control_text(dialog, IDC_OVERWRITE_PATH)));
    } else {
        standin::press_escape(dialog);
    }
}

// Runs after every block. The stand-in logs each directory request for its tests; a long
// run must not keep them all.
void on_idle() {
    std::vector<std::string> &requests = standin::directory_requests();
    if (requests.size() > 64)
        std::vector<std::string>().swap(requests);
    if (!main_dialog || !standin::dialog_is_open(main_dialog))
        return;
    if (interrupted() && !cancel_pressed)
        cancel_pressed = standin::press(main_dialog, IDCANCEL);
    if (progress_due())
        show_progress(configured_total() ? standin::progress_position(main_dialog, IDC_PROGRESS)
                                         : -1,
                      state.bytes_done, printable(standin::control_text(main_dialog, IDC_MESSAGE)));
}

bool prepare_folder(const std::string &destination, std::string &folder) {
    std::error_code error;
    std::filesystem::create_directories(destination, error);
    if (!error && !std::filesystem::is_directory(destination, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error) {
        report(destination + ": " + error.message());
        return false;
    }
    folder = std::filesystem::absolute(destination).string();
    return true;
}

// The command a self-extractor starts after a successful run is recorded by the
// stand-in, never started.
void mention_command() {
    const std::vector<standin::ShellExecuteRecord> &runs = standin::shell_executions();
    if (runs.empty())
        return;
    const standin::ShellExecuteRecord &run = runs.back();
    std::string command = display_path(run.file);
    if (!run.parameters.empty())
        command.append(" ").append(printable(run.parameters));
    report("note: the archive asks to run \"" + command + "\" in " + display_path(run.directory) +
           "; it was not run");
}

std::string count(uint64_t n, const char *thing) {
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

void summarise(const Input &input, const Options &options, const Plan &plan) {
    if (options.quiet)
        return;
    if (options.command == Command::Test) {
        printf("%s: everything is intact (%s, %s)\n", input.name.c_str(),
               count(plan.files, "file").c_str(), count(plan.bytes, "byte").c_str());
        return;
    }
    mention_command();
    printf("%s: %s and %s extracted into %s", input.name.c_str(),
           count(plan.files - files_kept(), "file").c_str(),
           count(plan.directories, "folder").c_str(), options.destination.c_str());
    if (files_kept())
        printf(", %s kept", count(files_kept(), "existing file").c_str());
    printf("\n");
}

int run_main_dialog(const Options &options) {
    enable_progress(!options.quiet);
    standin::set_keep_ended_dialogs(false); // one overwrite question per existing file
    standin::set_default_dialog_handler(on_dialog);
    standin::set_idle_handler(on_idle);
    INT_PTR shown = show_main_dialog();
    clear_progress();
    if (shown != 1) {
        const std::vector<standin::DialogRecord> &dialogs = standin::dialogs();
        report("the main dialog did not run: " +
               (dialogs.empty() ? std::string("no record") : dialogs.front().failure));
        return EXIT_DAMAGED;
    }
    if (!state.failed)
        return EXIT_DONE;
    if (interrupted()) {
        report("interrupted; the member being written was removed");
        return EXIT_DECLINED;
    }
    return question_declined() ? EXIT_DECLINED : EXIT_DAMAGED;
}

} // namespace

int unpack_archive(const Input &input, const Options &options) {
    bool test = options.command == Command::Test;
    std::string folder;
    if (!test && !prepare_folder(options.destination, folder))
        return EXIT_DAMAGED;
    if (!stage_program(input, test ? Destination::NullDrive : Destination::Folder, folder))
        return EXIT_DAMAGED;
    set_display_places(input.name, test ? "" : options.destination);
    set_question_policy(options, input.name);
    answer_message_boxes(answer_notice);
    catch_interrupts();

    Plan plan;
    int refused = check_members(input, test, plan);
    if (refused >= 0)
        return refused;
    if (!input.self_extractor) {
        state.config.total_size_low = (uint32_t)plan.bytes;
        state.config.total_size_high = (uint32_t)(plan.bytes >> 32);
    }
    if (options.no)
        state.config.flags &= ~SFX_OVERWRITE_WITHOUT_ASKING;
    if (!test && !run_extraction(nullptr, MODE_NOTICE))
        return question_declined() || interrupted() ? EXIT_DECLINED : EXIT_DAMAGED;
    if (interrupted()) {
        report("interrupted; nothing was extracted");
        return EXIT_DECLINED;
    }
    int result = run_main_dialog(options);
    if (result == EXIT_DONE)
        summarise(input, options, plan);
    return result;
}
