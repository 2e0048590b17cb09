// SPDX-License-Identifier: GPL-3.0-or-later
// convert(): one job from its spec to its outcome, in the engine's order of
// steps: settings, input, settings again, output, transcode, release. The
// first error of the job decides the outcome; a failed job removes the file
// it created.
#include "engine/job.h"

#include <sys/stat.h>

#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/signals.h"

namespace engine {

struct CarryOver::Kept {
  WorkingSettings settings;
  std::unique_ptr<OptionRegistry> options;
};

CarryOver::CarryOver() = default;
CarryOver::~CarryOver() = default;

OptionRegistry::OptionRegistry() {
  // One option-holding codec context per media type (video, audio, data,
  // subtitle, attachment): option values set by name are stored there.
  for (int type = 0; type < 5; ++type) {
    codec_option_defaults[type].reset(avcodec_alloc_context3(nullptr));
    if (codec_option_defaults[type]) codec_option_defaults[type]->codec_type = static_cast<AVMediaType>(type);
  }
  format_option_defaults = avformat_alloc_context();
  scaler_option_defaults = sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P,
                                          WorkingSettings{}.scaler_flags, nullptr, nullptr, nullptr);
}

Job::Job(const JobSpec& job_spec, JobHooks& job_hooks)
    : spec(job_spec), hooks(job_hooks), counters(job_hooks.counters ? *job_hooks.counters : own_counters) {
  if (CarryOver* carry = hooks.carry_over; carry && carry->kept) {
    settings = carry->kept->settings;
    options = std::move(carry->kept->options);
  }
  if (!options) options = std::make_unique<OptionRegistry>();
}

Job::~Job() {
  CarryOver* carry = hooks.carry_over;
  if (!carry) return;
  if (!carry->kept) carry->kept = std::make_unique<CarryOver::Kept>();
  carry->kept->settings = settings;
  carry->kept->options = std::move(options);
}

void note_alert(Job& job, JobAlert alert, Stage stage, int code) {
  if (job.error) return;
  note_error(job, stage, code);
  job.alert = alert;
}

bool stop_asked(const Job& job) {
  return (job.hooks.stop && job.hooks.stop->load(std::memory_order_relaxed)) ||
         termination_signal().load(std::memory_order_relaxed) != 0;
}

namespace {

struct Source {
  bool exists = false;
  bool regular = false;
  int64_t size = 0;  // bytes; 64-bit, camcorder files pass 2 GiB
  int error = 0;     // AVERROR of the failed stat
  std::vector<std::pair<dev_t, ino_t>> files;  // which file each name led to
  std::vector<std::pair<time_t, long>> modified;  // each file's modification time
};

Source look_at(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {false, false, 0, AVERROR(errno), {}};
  return {true, S_ISREG(info.st_mode), static_cast<int64_t>(info.st_size), 0, {{info.st_dev, info.st_ino}},
          {{info.st_mtim.tv_sec, info.st_mtim.tv_nsec}}};
}

// The source and its further parts as one: the first part that is missing
// or no regular file speaks for all; the size is that of all parts.
Source look_at(const JobSpec& spec) {
  Source all = look_at(spec.input_path);
  for (const std::string& part : spec.further_parts) {
    if (!all.exists || !all.regular) break;
    const Source next = look_at(part);
    if (!next.exists || !next.regular) return next;
    all.size += next.size;
    all.files.push_back(next.files.front());
    all.modified.push_back(next.modified.front());
  }
  return all;
}

int code_for(Stage stage) {
  switch (stage) {
    case Stage::none: return kJobRan;
    case Stage::source:
    case Stage::open_input: return kJobNoInput;
    case Stage::create_output:
    case Stage::copy_video: return kJobNoOutput;
    case Stage::setup:
    case Stage::open_encoder:
    case Stage::open_decoder: return kJobCodecFailed;
    case Stage::write_header: return kJobHeaderFailed;
    case Stage::read_input:
    case Stage::video_missing:
    case Stage::sound_missing: return kJobSourceFailed;
    case Stage::write_packet:
    case Stage::write_trailer:
    case Stage::close_output:
    case Stage::output_deleted:
    case Stage::output_moved: return kJobWriteFailed;
  }
  return kJobWriteFailed;
}

// The files closed, the tables empty, the preview black; the bytes written.
int64_t end_job(Job& job) {
  const int64_t written = release_files(job);
  if (job.hooks.clear_preview) job.hooks.clear_preview();
  return written;
}

void reset_counters(Job& job, int64_t input_size) {
  job.counters.decoded_frame_count.store(0, std::memory_order_relaxed);
  job.counters.progress_position.store(0, std::memory_order_relaxed);
  job.counters.input_size.store(input_size, std::memory_order_relaxed);
}

}  // namespace

JobOutcome convert(const JobSpec& spec, JobHooks& hooks) {
  Job job(spec, hooks);
  JobOutcome outcome;
  outcome.output_path = spec.output_path;

  const Source source = look_at(spec);
  reset_counters(job, source.size);

  // Only a regular file is opened: a pipe or device would block the job
  // forever, and a folder is no recording. A stop asked before the job
  // began ends it before it makes anything.
  if (!source.exists) note_error(job, Stage::source, source.error);
  else if (!source.regular) note_error(job, Stage::source, AVERROR(EINVAL));
  if (job.error || stop_asked(job)) {
    end_job(job);
    outcome.code = job.error ? kJobNoInput : kJobCancelled;
    outcome.error = job.error;
    return outcome;
  }

  choose_audio_codec(job);
  apply_video_settings(job);
  open_input(job, spec.input_path);
  // The user's values replace what the input's own streams put there.
  choose_audio_codec(job);
  apply_video_settings(job);

  create_output_file(job);
  const OutputSink* sink =
      job.tables.output_file_count > 0 ? job.tables.output_files[0]->sink.get() : nullptr;
  const bool created = sink != nullptr;
  const dev_t device = sink ? sink->device() : 0;
  const ino_t inode = sink ? sink->inode() : 0;
  std::optional<ListedOutput> listed;
  if (created) listed.emplace(UnfinishedOutput{spec.output_path, device, inode});
  apply_video_settings(job);

  if (job.tables.output_file_count <= 0) {
    outcome.code = kJobNoOutput;
    note_error(job, Stage::create_output, AVERROR(EINVAL));
  } else if (job.tables.input_file_count == 0) {
    outcome.code = kJobNoInput;
    note_error(job, Stage::open_input, AVERROR_INVALIDDATA);
  } else {
    transcode(job);
    // A source, or any part of a recording, that shrank or was written
    // while it was read gave the job only part of itself, or parts of two
    // versions: a part cut short while it is read ends early in the joined
    // reading, and its rewrite may be whole again by the end. A name that
    // leads to another file now (the original replaced by a rename) says
    // nothing of what the job read through its own descriptors.
    const Source after = look_at(spec);
    if (after.exists && after.files == source.files) {
      if (after.size < source.size) note_error(job, Stage::read_input, AVERROR(ENODATA));
      else if (after.modified != source.modified) note_error(job, Stage::read_input, AVERROR(ESTALE));
    }
    // A file of which nothing could be decoded and written is no result.
    if (job.packets_written == 0 && !stop_asked(job)) note_error(job, Stage::read_input, AVERROR_INVALIDDATA);
    // Converted means the file is where the row says: the name must still
    // lead to the file this job wrote.
    if (!job.error && sink) {
      const OutputSink::Place place = sink->place(spec.output_path);
      if (place == OutputSink::Place::deleted) note_error(job, Stage::output_deleted, AVERROR(ENOENT));
      else if (place == OutputSink::Place::moved) note_error(job, Stage::output_moved, AVERROR(ENOENT));
    }
  }

  const bool transcoded = outcome.code == kJobRan;
  outcome.bytes_written = end_job(job);
  outcome.frames = job.counters.decoded_frame_count.load(std::memory_order_relaxed);
  outcome.error = job.error;
  outcome.alert = job.alert;
  outcome.ends_early_at = job.ends_early_at;
  outcome.notes = job.notes;
  if (transcoded && outcome.error) outcome.code = code_for(outcome.error.stage);
  else if (transcoded && stop_asked(job)) outcome.code = kJobCancelled;

  // No half file may look like a result. Only the file this job created is
  // removed, and only while that name still leads to it. A file cancelled
  // before it got a single packet holds nothing either.
  const bool empty_cancel = outcome.code == kJobCancelled && job.packets_written == 0;
  if (created && (empty_cancel || (outcome.code != kJobRan && outcome.code != kJobCancelled))) {
    remove_if_same(outcome.output_path, device, inode);
    outcome.bytes_written = 0;
  }
  return outcome;
}

}  // namespace engine
