// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The work behind the main window's opening steps and commands, each with the
// module that owns it. The window only calls these.

#include <string>
#include <vector>

namespace app {

class MainWindow;

// ---- input file list (file_list_commands.cpp) -----------------------------
void prepare_file_list(MainWindow& window);           // opening step 4
void start_add_files(MainWindow& window);             // 32771, starts the open-file thread
void start_add_folder(MainWindow& window);            // 32790, the folder picker, then as below
// Adds every accepted file below each folder on a thread of its own.
void start_add_folders(MainWindow& window, std::vector<std::string> folders);
// Dropped, named on the command line or handed over by a second start: the
// files (parts of one recording joined), then every accepted file below each
// folder, probed on the adding thread while the window is busy.
void add_paths(MainWindow& window, const std::vector<std::string>& paths);
void clear_file_list(MainWindow& window);             // 32774
void tick_all_rows(MainWindow& window, bool ticked);  // 32775 / 32776

// ---- preview (preview_embed.cpp) --------------------------------------------
void create_preview(MainWindow& window);              // opening step 2

// ---- option lists, presets and the batch (batch_commands.cpp) -------------
void fill_option_lists(MainWindow& window);           // opening step 8
void start_batch(MainWindow& window);                 // 1003: clears Cancel, starts the batch
void apply_preset_command(MainWindow& window, int command_id);  // 32777..32789
void preset_list_changed(MainWindow& window, int position);     // 1028 selection changed

// ---- settings, About box and first launch ------------------------------------
void restore_output_folder(MainWindow& window);       // opening steps 6 and 7
void restore_choices(MainWindow& window);             // opening step 9
void save_choices(MainWindow& window);                // at close
void restore_window_size(MainWindow& window);         // after the default size is set
void save_window_size(MainWindow& window);            // at close, with the choices
void show_about();                                    // 104
void run_first_launch();                              // opening step 10

}  // namespace app
