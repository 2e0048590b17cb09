// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine's one entry point: one input file into one output file,
// described by a JobSpec value, reporting through JobHooks, ending with a
// JobOutcome. Everything one conversion uses lives in a per-job context
// (state.h) made by convert() and gone when it returns, so several jobs can
// run at once, each on its own thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/job_error.h"

struct AVFrame;
struct AVCodecContext;

namespace engine {

// How a job carries streams of the source over unchanged instead of
// re-encoding them.
enum class StreamCopy {
  none,             // every stream is decoded and encoded again
  video_aac_audio,  // the video bit for bit; each audio track of the first program as AAC (copied
                    // when it is AAC already); subtitles and data left out
  every_stream,     // every stream of the first program the container can hold, bit for bit (PCM
                    // the container refuses repacked losslessly); the others left out
};

// What one conversion is to do. Filled by the caller; the engine only reads it.
struct JobSpec {
  std::string input_path;          // the source
  std::string output_path;         // created exclusively; never an existing file
  int video_codec_choice = 0;      // 1..15 the designed encoders (others: MPEG-4); 16 H.264 and
                                   // 17 HEVC at constant quality, capped at video_bit_rate
  int audio_codec_choice = 0;      // 1..8, audio encoder (others: the container's own)
  int output_target = 0;           // 0, 3, 7, 8, 9: container and muxing preset
  int width = 0;                   // px, output picture width; 0 (with height 0): the source's
  int height = 0;                  // px, output picture height
  float frame_rate = 0;            // frames/s as the user typed it (29.97); 0: the source's, one
                                   // picture per field when an interlaced source is deinterlaced
  int video_bit_rate = 0;          // bit/s; for the constant-quality encoders the most it may reach
  int audio_bit_rate = 0;          // bit/s
  int sample_rate = 0;             // Hz
  int channels = 0;                // count
  int aspect_choice = 0;           // 1..7 display aspect (1 "4:3", 2 "16:9", ...)
  // The parts of one recording that follow input_path, read after it as one
  // continuous source (a camcorder splits long recordings into 2 or 4 GB
  // files). Empty: input_path alone.
  std::vector<std::string> further_parts;
  // Interlaced pictures go through a motion-adaptive deinterlacer before
  // scaling; progressive ones pass untouched.
  bool deinterlace = false;
  // With deinterlacing, an output no taller than one field is scaled from
  // the field that carries each picture's moment, without the deinterlacer.
  // Off only to compare the two ways.
  bool field_scaling = true;
  // Seconds since 1970 (UTC) the recording was made: written into the
  // container's creation time where it has one and set as the output's
  // modification time. None: neither is touched.
  std::optional<int64_t> recording_time;
  // Streams carried over instead of re-encoded (the copy formats).
  StreamCopy copy = StreamCopy::none;
  // The container's index goes before the media data (MP4's "faststart"),
  // so that a player can start before the whole file has arrived.
  bool index_first = false;
  // Cores this job's video encoder may keep busy when several files convert
  // at once; 0: every core.
  int thread_share = 0;
};

// Counters a running job publishes. Written by the job's thread only; read
// by monitors on other threads, which may see a value one poll late.
struct JobCounters {
  std::atomic<int64_t> input_size{0};          // bytes of the source, 0 when unknown
  std::atomic<int64_t> progress_position{0};   // largest source byte position read
  std::atomic<int32_t> decoded_frame_count{0}; // video pictures decoded
};

struct CarryOver;

// Failures that have words of their own for the user: an encoder that
// refused its settings, a picture scaler or an audio resampler that could
// not be made. They end the job like any other failure (no one is asked to
// acknowledge them); the words are the caller's, and the outcome carries the
// library's code as well.
enum class JobAlert { encoder_refused, no_scaler, no_resampler };

// The job's ways out. Every member may be left empty: no preview is drawn,
// no stop is asked, counters are kept inside. Nothing here waits for the
// user: a batch runs unattended.
struct JobHooks {
  // One decoded picture for the preview (the decoder gives size, format,
  // aspect). Called on the thread that decodes.
  std::function<void(const AVFrame* picture, const AVCodecContext* decoder)> show_preview_picture;
  // Paints the preview black; called at the job's end.
  std::function<void()> clear_preview;
  const std::atomic<bool>* stop = nullptr;        // Cancel: polled once per packet
  const std::atomic<bool>* preview = nullptr;     // show pictures while true
  // Decoded pictures before the next shown one: the job counts it down per
  // picture and sets it back to 10 when it shows one; it runs across jobs.
  std::atomic<int>* preview_countdown = nullptr;
  JobCounters* counters = nullptr;                // the job's published progress
  // Settings kept from one job to the next (the carry-over); null:
  // the job starts from a fresh engine's settings.
  CarryOver* carry_over = nullptr;
};

enum JobResult : int {
  kJobRan = 0,           // converted: the output is complete
  kJobNoOutput = 1,      // the output file could not be made
  kJobNoInput = 2,       // the source could not be opened as media
  kJobCancelled = 3,     // stopped by the user; the output is complete up to there
  kJobWriteFailed = 4,   // writing the output failed (disk full, I/O error)
  kJobHeaderFailed = 5,  // the container refused the streams' header
  kJobCodecFailed = 6,   // an encoder, decoder or converter could not be set up
  kJobSourceFailed = 7,  // the source became unreadable or shorter during the job
};

struct JobOutcome {
  int code = kJobRan;
  JobError error;             // the first error, for every failure code
  std::optional<JobAlert> alert;  // set when that error is one of the alerts
  // Seconds of the source converted when the source ends early (cut off in
  // the middle of a packet): the file holds what there was. Below 0 for a
  // source that ends whole.
  double ends_early_at = -1;
  int32_t frames = 0;         // pictures decoded
  int64_t bytes_written = 0;  // bytes the job wrote to its output
  std::string output_path;    // the job's output (gone again after a failure)
  // What the user should know of the output beyond its outcome, one line
  // each: streams left out of a copy, a copied video browsers do not play.
  std::string notes;
};

inline bool succeeded(const JobOutcome& outcome) { return outcome.code == kJobRan; }

// The settings one job hands to the next. Opaque to callers: made empty,
// filled by the first job that uses it.
struct CarryOver {
  CarryOver();
  ~CarryOver();
  CarryOver(const CarryOver&) = delete;
  CarryOver& operator=(const CarryOver&) = delete;
  struct Kept;
  std::unique_ptr<Kept> kept;  // null until a job has run
};

// Converts spec.input_path (and its further parts, read as one source) into
// spec.output_path. A job that fails after it
// created its output removes that file (only that file); a cancelled job
// keeps its complete file. Thread-safe: each call has its own context.
JobOutcome convert(const JobSpec& spec, JobHooks& hooks);

}  // namespace engine
