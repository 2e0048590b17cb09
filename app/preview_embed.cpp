// Placeholder until the preview is built.
#include "app/commands.h"

namespace app {
void create_preview(MainWindow&) {}
}  // namespace app
