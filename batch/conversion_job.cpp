#include "batch/conversion_job.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "engine/progress.h"

namespace batch {

namespace fs = std::filesystem;

namespace {

// Size of the input in bytes (64-bit: camcorder files pass 2 GiB), 0 when
// it cannot be measured.
int64_t measured_size(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0 : static_cast<int64_t>(size);
}

struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
};

FileIdentity identity_of(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return {};
  return {true, info.st_dev, info.st_ino};
}

// Removes the output when this job created it and it stayed empty: a job
// that converted nothing must not leave a file that looks like a result.
// A file that was there before the job is never touched.
void remove_empty_output(const std::string& path, bool existed_before, const FileIdentity& created) {
  if (existed_before || !created.exists) return;
  const FileIdentity now = identity_of(path);
  if (!now.exists || now.device != created.device || now.inode != created.inode) return;
  std::error_code ec;
  if (fs::is_regular_file(fs::symlink_status(path, ec)) && fs::file_size(path, ec) == 0 && !ec)
    fs::remove(path, ec);
}

// Steps 13 to 15 of every outcome: files closed, tables empty, clock and
// running flag down, preview black.
void end_job() {
  engine::release_files();
  auto& progress = engine::progress();
  progress.clock_running.store(false, std::memory_order_relaxed);
  progress.conversion_running.store(false, std::memory_order_relaxed);
  engine::clear_preview();
}

}  // namespace

int convert_file() {
  auto& progress = engine::progress();
  auto& engine = engine::state();
  const std::string input_path = engine.params.input_path;
  const std::string output_path = engine.params.output_path;

  progress.stop_requested.store(false, std::memory_order_relaxed);
  progress.decoded_frame_count.store(0, std::memory_order_relaxed);
  progress.job_start_time.store(engine::millisecond_tick(), std::memory_order_relaxed);
  progress.conversion_running.store(true, std::memory_order_relaxed);
  progress.progress_position.store(0, std::memory_order_relaxed);
  progress.input_size.store(measured_size(input_path), std::memory_order_relaxed);
  progress.clock_running.store(true, std::memory_order_relaxed);

  engine::choose_audio_codec();
  engine::apply_video_settings();
  engine::open_input(input_path);
  // The user's values replace what the input's own streams put there.
  engine::choose_audio_codec();
  engine::apply_video_settings();

  const bool existed_before = identity_of(output_path).exists;
  engine::create_output_file();
  const FileIdentity created = identity_of(output_path);
  engine::apply_video_settings();

  int result = kJobRan;
  if (engine.tables.output_file_count <= 0)
    result = kJobNoOutput;
  else if (engine.tables.input_file_count == 0)
    result = kJobNoInput;
  else
    engine::transcode();

  end_job();
  remove_empty_output(output_path, existed_before, created);
  return result;
}

}  // namespace batch
