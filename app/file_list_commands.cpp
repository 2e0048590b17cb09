// Placeholder until the input file list is built.
#include "app/commands.h"

namespace app {
void prepare_file_list(MainWindow&) {}
void start_add_files(MainWindow&) {}
void clear_file_list(MainWindow&) {}
void tick_all_rows(MainWindow&, bool) {}
}  // namespace app
