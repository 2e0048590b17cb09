// Placeholder main read loop: writes the trailers and closes the codecs
// without reading, until the real loop is built.
#include "engine/engine.h"

namespace engine {

int run_read_loop(Run& run) {
  auto& t = state().tables;
  for (int i = 0; i < t.output_file_count; ++i) av_write_trailer(t.output_files[i]->context.get());
  close_run_codecs(run);
  release_run(run);
  return 0;
}

}  // namespace engine
