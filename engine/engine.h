#pragma once
// The transcoding engine: one input file into one output file, as plain
// functions over the process-wide state of state.h. Operations report by
// integer codes (0 done, negative failure) or by not registering what they
// were asked to create; callers look at the table counts.

#include <cstdint>
#include <string>

#include "engine/state.h"

namespace engine {

// ---- one-time set-up --------------------------------------------------------
// Creates the option registry's default contexts. Called once before any job.
void engine_init();

// ---- option setters and codec lookup ---------------------------------------
void apply_video_settings();
void choose_audio_codec();
int set_option(const char* name, const char* value);
// Copies every registered option whose flags contain all of `flags` from
// `source` to `target` (both AVClass-bearing contexts of the same kind).
void apply_registered_options(void* source, void* target, int flags);
AVCodecID lookup_codec_id(const char* name, AVMediaType type, bool encoder);
void choose_codec_name(std::optional<std::string>& slot, const char* name);
void parse_aspect_ratio(const char* text);
void force_container(const char* name);

// ---- input file, output streams and output file ----------------------------
void open_input(const std::string& path);
void create_output_file();
void add_video_stream(OutputFile& output);
void add_audio_stream(OutputFile& output);
void add_subtitle_stream(OutputFile& output);
// Whether any stream of any opened input has each media type.
struct MediaTypes {
  bool video = false, audio = false, subtitle = false;
};
MediaTypes scan_input_media_types();

// ---- transcode --------------------------------------------------------------
// Setup, main read loop and finish for every registered input and output.
// 0 when the loop ran to its end, -22 when an output header failed, -1 on any
// other setup failure. Every run table is released on every return.
int transcode();
// Second half of transcode: the main read loop and its finish step (drain,
// trailers, codec close). Called by transcode once the setup succeeded.
int run_read_loop(Run& run);
// Closes every encoder and decoder the run opened.
void close_run_codecs(Run& run);
// Frees the run's records (setup step 11).
void release_run(Run& run);

// ---- packet step, video and audio output -----------------------------------
// `packet` null: end-of-input flush of that input stream.
int process_input_packet(Run& run, InputStream& ist, int ist_index, const AVPacket* packet);
void write_video_frame(AVFormatContext* output, OutputStream& ost, InputStream& ist, const AVFrame* picture);
void write_audio_samples(AVFormatContext* output, OutputStream& ost, InputStream& ist, const AVFrame* samples);

// ---- support steps ------------------------------------------------------------
double sync_input_seconds(const OutputStream& ost);
// Hands one packet (timestamps in the encoder's time base) to the muxer,
// rescaled to the stream's time base; a failure becomes the job's error.
void write_packet(AVFormatContext* output, OutputStream& ost, AVPacket* packet, AVRational encoder_time_base);
void write_subtitle(AVFormatContext* output, OutputStream& ost, InputStream& ist, const AVSubtitle* subtitle, int64_t pts);
int interrupt_requested(void* opaque);

// ---- end of job ---------------------------------------------------------------
// Closes and releases every registered output (I/O first) and input and sets
// the four table counts to 0. Returns the bytes written to the outputs.
int64_t release_files();

}  // namespace engine
