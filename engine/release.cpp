// SPDX-License-Identifier: GPL-3.0-or-later
// Releasing what a run and a job hold.
#include "engine/engine.h"

namespace engine {

void close_run_codecs(Job& job, Run& run) {
  for (auto& ost : run.output_streams)
    if (ost && ost->encoder) ost->encoder->close();
  auto& t = job.tables;
  for (auto& ist : run.input_streams) {
    if (!ist || !ist->decoding_needed || !ist->decoder) continue;
    if (ist->file_index < t.input_file_count && t.input_files[ist->file_index]) {
      auto& decoders = t.input_files[ist->file_index]->decoders;
      if (ist->stream_index < static_cast<int>(decoders.size())) decoders[ist->stream_index].reset();
    }
    ist->decoder = nullptr;
  }
}

void release_run(Run& run) {
  run.files.clear();
  run.input_streams.clear();
  // Each OutputStream frees its FIFO, work picture, scaler and converters.
  run.output_streams.clear();
}

int64_t release_files(Job& job) {
  auto& t = job.tables;
  int64_t written = 0;
  // Outputs first (their last bytes written and the file closed before the
  // context is freed), then inputs. A failure to write those bytes is the
  // job's error like any other write failure.
  for (int i = 0; i < t.output_file_count; ++i) {
    OutputFile& out = *t.output_files[i];
    if (out.sink) {
      const int closed = out.sink->close();
      if (closed < 0) note_error(job, Stage::close_output, closed);
      written += out.sink->bytes_written();
      if (out.context) out.context->pb = nullptr;
    }
    t.output_files[i].reset();
  }
  for (int i = 0; i < t.input_file_count; ++i) t.input_files[i].reset();
  for (int i = 0; i < t.input_codec_count; ++i) t.input_codecs[i] = nullptr;
  for (int i = 0; i < t.output_codec_count; ++i) t.output_codecs[i] = nullptr;
  t.input_file_count = 0;
  t.output_file_count = 0;
  t.input_codec_count = 0;
  t.output_codec_count = 0;
  return written;
}

}  // namespace engine
