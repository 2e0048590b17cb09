// Placeholder until presets and the batch worker are built.
#include "app/commands.h"

namespace app {
void fill_option_lists(MainWindow&) {}
void start_batch(MainWindow&) {}
void apply_preset_command(MainWindow&, int) {}
void preset_list_changed(MainWindow&, int) {}
}  // namespace app
