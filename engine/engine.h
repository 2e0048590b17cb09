// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine's stages, as free functions over one job's context (state.h):
// the option setters and codec choice, input and output opening, the
// transcode setup and read loop, the packet step and the outputs. Each takes
// the job first. They report by the library's error codes (0 done,
// negative failure) or by not registering what they were asked to create;
// the first error of a job is kept in job.error, and convert() turns it into
// the outcome once, at the job's end.

#include <cstdint>
#include <string>

#include "engine/state.h"

namespace engine {

// ---- option setters and codec lookup ---------------------------------------
void apply_video_settings(Job& job);
void choose_audio_codec(Job& job);
int set_option(Job& job, const char* name, const char* value);
// Copies every registered option whose flags contain all of `flags` from
// `source` to `target` (both AVClass-bearing contexts of the same kind).
void apply_registered_options(const Job& job, void* source, void* target, int flags);
AVCodecID lookup_codec_id(const char* name, AVMediaType type, bool encoder);
void choose_codec_name(std::optional<std::string>& slot, const char* name);
void parse_aspect_ratio(Job& job, const char* text);
void force_container(Job& job, const char* name);

// ---- input file, output streams and output file ----------------------------
void open_input(Job& job, const std::string& path);
void create_output_file(Job& job);
// Adds a muxer stream and its (not yet open) encoder; null on failure.
Encoder* add_output_stream(OutputFile& output, AVMediaType type);
void add_video_stream(Job& job, OutputFile& output);
void add_audio_stream(Job& job, OutputFile& output);
void add_subtitle_stream(Job& job, OutputFile& output);
// Whether any stream of any opened input has each media type.
struct MediaTypes {
  bool video = false, audio = false, subtitle = false;
};
MediaTypes scan_input_media_types(const Job& job);

// ---- transcode --------------------------------------------------------------
// Setup, main read loop and finish for every registered input and output.
// 0 when the loop ran to its end, -22 when an output header failed, -1 on any
// other setup failure. Every run record is released on every return.
int transcode(Job& job);
// Second half of transcode: the main read loop and its finish step (drain,
// trailers, codec close). Called by transcode once the setup succeeded.
int run_read_loop(Job& job, Run& run);
// Closes every encoder and decoder the run opened.
void close_run_codecs(Job& job, Run& run);
// Frees the run's records (setup step 11).
void release_run(Run& run);

// ---- packet step, video and audio output -----------------------------------
// `packet` null: end-of-input flush of that input stream.
// With run.ahead set (a reader thread decodes), the decoded data and each
// stream's end go there instead of to the output streams.
int process_input_packet(Job& job, Run& run, InputStream& ist, int ist_index, const AVPacket* packet);
// The job's thread: hands one piece from the reader on to the output
// streams (or drains their encoders at its stream's end).
int encode_decoded(Job& job, Run& run, Decoded& item);
// The thread that decodes: one decoded picture through the picture stage
// of output stream `ost_index`, its input time `clock` in µs; what comes
// out goes on to the encoding side (see picture_stage.h).
void stage_picture(Job& job, Run& run, int ost_index, const AVFrame* picture, int64_t clock);
// End of input: the pictures the deinterlacer still holds go on.
void drain_picture_stage(Job& job, Run& run, int ost_index);
// The job's thread: a ready picture to the encoder `count` times, as the
// output frames from `first_pts` on (encoder time base).
void encode_ready_picture(Job& job, AVFormatContext* output, OutputStream& ost, const AVFrame* ready,
                          int64_t first_pts, int64_t count);
void write_audio_samples(Job& job, AVFormatContext* output, OutputStream& ost, const AVFrame* samples);

// ---- support steps ------------------------------------------------------------
double sync_input_seconds(const OutputStream& ost);
// Hands one packet (timestamps in the encoder's time base) to the muxer,
// rescaled to the stream's time base; a failure becomes the job's error.
void write_packet(Job& job, AVFormatContext* output, OutputStream& ost, AVPacket* packet,
                  AVRational encoder_time_base);
void write_subtitle(Job& job, AVFormatContext* output, OutputStream& ost, InputStream& ist,
                    const AVSubtitle* subtitle, int64_t pts);
// Whether the job is to end now: Cancel, or a termination signal.
bool stop_asked(const Job& job);

// ---- end of job ---------------------------------------------------------------
// Closes and releases every registered output (I/O first) and input and sets
// the four table counts to 0. Returns the bytes written to the outputs.
int64_t release_files(Job& job);

// ---- the job's ways out ---------------------------------------------------------
// Keeps `code` at `stage` as the job's error, told in the words of `alert`,
// unless an earlier error is kept already.
void note_alert(Job& job, JobAlert alert, Stage stage, int code);

}  // namespace engine
