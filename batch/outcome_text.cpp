// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/outcome_text.h"

#include <cerrno>
#include <cstdio>
#include <utility>

extern "C" {
#include <libavutil/error.h>
}

namespace batch {

namespace {

using engine::Stage;

constexpr const char* kDiskFull = "No space left on the disk";
constexpr const char* kNotMedia = "Not a video file or damaged beyond reading";
constexpr const char* kFolder = "The folder cannot be written";
constexpr const char* kRefused = "The encoder refused these settings";
constexpr const char* kSourceGone = "The source file went away";
constexpr const char* kSourceChanged = "The source file changed while it was read";
constexpr const char* kNothingToConvert = "The file has no picture or sound to convert";
constexpr const char* kWriteFailed = "The file could not be written";
constexpr const char* kNoCopy = "This video cannot be copied into MP4; use MKV copy";

// The words each alert has always had.
const char* alert_text(engine::JobAlert alert) {
  switch (alert) {
    case engine::JobAlert::encoder_refused:
      return "Error while opening codec for output. maybe incorrect parameters such as bit_rate, rate, width or height";
    case engine::JobAlert::no_scaler: return "Conversion critical error. Can't get resampling context.";
    case engine::JobAlert::no_resampler: return "Error: Can not resample audio channels (Hz)";
  }
  return kWriteFailed;
}

bool is(int code, int error) { return code == AVERROR(error); }

bool disk_full(int code) { return is(code, ENOSPC) || is(code, EDQUOT) || is(code, EFBIG); }

bool folder_refused(int code) {
  return is(code, EACCES) || is(code, EPERM) || is(code, EROFS) || is(code, ENOENT) || is(code, ENOTDIR) ||
         is(code, EEXIST) || is(code, ENAMETOOLONG);
}

// Errors that come from the system rather than from the codecs or muxers.
bool system_error(int code) { return code < 0 && code > -4096; }

// "The source ends early; converted up to 01:04".
std::string early_end_text(double seconds) {
  const int whole = static_cast<int>(seconds);
  char text[64];
  std::snprintf(text, sizeof text, "The source ends early; converted up to %02d:%02d", whole / 60, whole % 60);
  return text;
}

}  // namespace

std::string done_text(const JobOutcome& outcome) {
  if (outcome.code == kJobRan) return "100 %";
  return outcome.code == kJobCancelled ? "Cancelled" : "Failed";
}

const char* outcome_word(const JobOutcome& outcome) {
  if (outcome.code == kJobRan) return "converted";
  return outcome.code == kJobCancelled ? "cancelled" : "failed";
}

std::string outcome_reason(const JobOutcome& outcome) {
  if (outcome.code == kJobRan) return outcome.ends_early_at >= 0 ? early_end_text(outcome.ends_early_at) : "";
  if (outcome.code == kJobCancelled)
    return outcome.bytes_written > 0 ? "Cancelled; the file is complete up to that point"
                                     : "Cancelled before the file was begun";
  if (outcome.alert) return alert_text(*outcome.alert);
  const int code = outcome.error.code;
  if (disk_full(code)) return kDiskFull;
  switch (outcome.error.stage) {
    case Stage::source: return is(code, ENOENT) ? kSourceGone : kNotMedia;
    case Stage::read_input:
      if (code == AVERROR_INVALIDDATA) return kNotMedia;
      return is(code, ESTALE) ? kSourceChanged : kSourceGone;
    case Stage::open_input:
    case Stage::open_decoder: return kNotMedia;
    case Stage::create_output: return folder_refused(code) || system_error(code) ? kFolder : kRefused;
    case Stage::copy_video: return kNoCopy;
    case Stage::setup: return code == AVERROR_STREAM_NOT_FOUND ? kNothingToConvert : kRefused;
    case Stage::open_encoder: return kRefused;
    case Stage::write_header: return system_error(code) ? kWriteFailed : kRefused;
    case Stage::output_deleted: return "The output was deleted with its folder";
    case Stage::output_moved: return "The output was moved while it was written";
    case Stage::video_missing: return "The output has no video";
    case Stage::sound_missing: return "The output has no sound";
    case Stage::write_packet:
    case Stage::write_trailer:
    case Stage::close_output:
    case Stage::none: return kWriteFailed;
  }
  return kWriteFailed;
}

std::string outcome_detail(const JobOutcome& outcome) {
  if (!outcome.error) return {};
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(outcome.error.code, text, sizeof text);
  return std::string(engine::stage_name(outcome.error.stage)) + ": " + text;
}

std::string outcome_tooltip(const JobOutcome& outcome) {
  // What the file lacks (streams a copy left out, ...) goes under its path.
  const std::string notes = outcome.notes.empty() ? "" : "\n" + outcome.notes;
  if (outcome.code == kJobRan)
    return outcome.ends_early_at >= 0 ? outcome_reason(outcome) + "\n" + outcome.output_path + notes
                                      : outcome.output_path + notes;
  if (outcome.code == kJobCancelled)
    return outcome.bytes_written > 0 ? outcome_reason(outcome) + "\n" + outcome.output_path + notes
                                     : outcome_reason(outcome);
  const std::string detail = outcome_detail(outcome);
  return detail.empty() ? outcome_reason(outcome) : outcome_reason(outcome) + "\n(" + detail + ")";
}

void BatchCounts::add(const JobOutcome& outcome) {
  if (outcome.code == kJobRan) ++converted;
  else if (outcome.code == kJobCancelled) ++cancelled;
  else ++failed;
}

std::string summary_text(const BatchCounts& counts) {
  std::string text;
  const std::pair<int, const char*> parts[] = {{counts.converted, " converted"},
                                               {counts.failed, " failed"},
                                               {counts.cancelled, " cancelled"},
                                               {counts.not_started, " not started"}};
  for (const auto& [count, word] : parts) {
    if (count == 0) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(count) + word;
  }
  return text;
}

}  // namespace batch
