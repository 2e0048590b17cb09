#include "batch/conversion_job.h"

#include <sys/stat.h>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "engine/progress.h"

namespace batch {

namespace {

struct Source {
  bool exists = false;
  bool regular = false;
  int64_t size = 0;  // bytes; 64-bit, camcorder files pass 2 GiB
  int error = 0;     // AVERROR of the failed stat
};

Source look_at(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {false, false, 0, AVERROR(errno)};
  return {true, S_ISREG(info.st_mode), static_cast<int64_t>(info.st_size), 0};
}

// Steps 13 to 15 of every outcome: files closed, tables empty, clock and
// running flag down, preview black. Returns the bytes written.
int64_t end_job() {
  const int64_t written = engine::release_files();
  auto& progress = engine::progress();
  progress.clock_running.store(false, std::memory_order_relaxed);
  progress.conversion_running.store(false, std::memory_order_relaxed);
  engine::clear_preview();
  return written;
}

bool stop_asked() {
  return engine::progress().stop_requested.load(std::memory_order_relaxed) ||
         engine::state().termination_signalled.load(std::memory_order_relaxed) != 0;
}

int code_for(engine::Stage stage) {
  using engine::Stage;
  switch (stage) {
    case Stage::none: return kJobRan;
    case Stage::source:
    case Stage::open_input: return kJobNoInput;
    case Stage::create_output: return kJobNoOutput;
    case Stage::setup:
    case Stage::open_encoder:
    case Stage::open_decoder: return kJobCodecFailed;
    case Stage::write_header: return kJobHeaderFailed;
    case Stage::read_input: return kJobSourceFailed;
    case Stage::write_packet:
    case Stage::write_trailer:
    case Stage::close_output: return kJobWriteFailed;
  }
  return kJobWriteFailed;
}

void start_clock(int64_t input_size) {
  auto& progress = engine::progress();
  progress.decoded_frame_count.store(0, std::memory_order_relaxed);
  progress.job_start_time.store(engine::millisecond_tick(), std::memory_order_relaxed);
  progress.conversion_running.store(true, std::memory_order_relaxed);
  progress.progress_position.store(0, std::memory_order_relaxed);
  progress.input_size.store(input_size, std::memory_order_relaxed);
  progress.clock_running.store(true, std::memory_order_relaxed);
}

}  // namespace

bool succeeded(const JobOutcome& outcome) { return outcome.code == kJobRan; }

JobOutcome convert_file() {
  auto& engine = engine::state();
  const std::string input_path = engine.params.input_path;
  JobOutcome outcome;
  outcome.output_path = engine.params.output_path;

  // The stop flag is not cleared here: a Cancel given after "Convert!" must
  // stop the batch whenever it comes, also before this job began.
  engine::reset_job_error();
  const Source source = look_at(input_path);
  start_clock(source.size);

  // Only a regular file is opened: a pipe or device would block the job
  // forever, and a folder is no recording.
  if (!source.exists) engine::note_error(engine::Stage::source, source.error);
  else if (!source.regular) engine::note_error(engine::Stage::source, AVERROR(EINVAL));
  if (engine::job_error() || stop_asked()) {
    end_job();
    outcome.code = engine::job_error() ? kJobNoInput : kJobCancelled;
    outcome.error = engine::job_error();
    return outcome;
  }

  engine::choose_audio_codec();
  engine::apply_video_settings();
  engine::open_input(input_path);
  // The user's values replace what the input's own streams put there.
  engine::choose_audio_codec();
  engine::apply_video_settings();

  engine::create_output_file();
  bool created = false;
  dev_t device = 0;
  ino_t inode = 0;
  if (engine.tables.output_file_count > 0 && engine.tables.output_files[0]->sink) {
    created = true;
    device = engine.tables.output_files[0]->sink->device();
    inode = engine.tables.output_files[0]->sink->inode();
  }
  engine::apply_video_settings();

  if (engine.tables.output_file_count <= 0) {
    outcome.code = kJobNoOutput;
    engine::note_error(engine::Stage::create_output, AVERROR(EINVAL));
  } else if (engine.tables.input_file_count == 0) {
    outcome.code = kJobNoInput;
    engine::note_error(engine::Stage::open_input, AVERROR_INVALIDDATA);
  } else {
    engine::transcode();
    // A source that shrank while it was read gave only part of itself.
    const Source after = look_at(input_path);
    if (after.exists && after.size < source.size) engine::note_error(engine::Stage::read_input, AVERROR(ENODATA));
    // A file of which nothing could be decoded and written is no result.
    if (engine.packets_written == 0 && !stop_asked())
      engine::note_error(engine::Stage::read_input, AVERROR_INVALIDDATA);
  }

  const bool transcoded = outcome.code == kJobRan;
  outcome.bytes_written = end_job();
  outcome.frames = engine::progress().decoded_frame_count.load(std::memory_order_relaxed);
  outcome.error = engine::job_error();
  if (transcoded && outcome.error) outcome.code = code_for(outcome.error.stage);
  else if (transcoded && stop_asked()) outcome.code = kJobCancelled;

  // No half file may look like a result. Only the file this job created is
  // removed, and only while that name still leads to it.
  // A file cancelled before it got a single packet holds nothing either.
  const bool empty_cancel = outcome.code == kJobCancelled && engine.packets_written == 0;
  if (created && (empty_cancel || (outcome.code != kJobRan && outcome.code != kJobCancelled))) {
    engine::remove_if_same(outcome.output_path, device, inode);
    outcome.bytes_written = 0;
  }
  return outcome;
}

}  // namespace batch
