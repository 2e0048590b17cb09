// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-job context of the engine: the working settings derived from the
// job's spec and from the opened input, the run tables, the option registry,
// the per-run records of a transcode and the per-packet buffers. A job is
// touched only by the thread that runs convert(); other threads see only the
// counters and flags its hooks point at.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/av_ptr.h"
#include "engine/decode_ahead.h"
#include "engine/encoder.h"
#include "engine/job.h"
#include "engine/job_error.h"
#include "engine/joined_source.h"
#include "engine/output_sink.h"
#include "engine/picture_stage.h"
#include "engine/sample_buffer.h"

namespace engine {

constexpr int kMaxFiles = 20;          // files each way per run
constexpr int kMaxCodecEntries = 400;  // room for 20 streams in each of 20 files

// Working settings: initial values in a fresh engine, handed from job to
// job through the carry-over unless a step overwrites them. Written by the
// job's stages on the job's thread.
struct WorkingSettings {
  int frame_width = 0;                         // px; from the input, then spec.width
  int frame_height = 0;                        // px; from the input, then spec.height
  float frame_aspect_ratio = 0;                // display w/h, 0 none; input, then aspect_choice
  AVRational frame_rate{0, 0};                 // output rate, 0/0 none; input, then requested
  int frame_pixel_format = -1;                 // AVPixelFormat of the next video stream; input
  AVCodecID video_codec_id = AV_CODEC_ID_NONE; // from video_codec_choice
  uint32_t video_codec_tag = 0;                // fourcc, first char in the low byte; 0 none
  AVCodecID audio_codec_id = AV_CODEC_ID_NONE; // from audio_codec_choice
  int audio_sample_rate = 44100;               // Hz; input, then spec.sample_rate
  int audio_bit_rate = 128000;                 // bit/s; spec.audio_bit_rate
  int audio_channels = 1;                      // count; input, then spec.channels
  int audio_sample_format = -1;                // AVSampleFormat; from the input's decoder
  uint64_t audio_channel_layout = 0;           // channel mask; from the input
  std::optional<std::string> video_codec_name; // encoder by name for the next video stream
  std::optional<std::string> audio_codec_name; // same for audio
  std::optional<std::string> subtitle_codec_name;  // same for subtitles
  int video_disabled = 0;                      // create no video output stream
  int audio_disabled = 0;                      // create no audio output stream
  int subtitle_disabled = 0;                   // create no subtitle output stream
  const AVOutputFormat* forced_output_format = nullptr;  // container forced by name/target
  const AVInputFormat* forced_input_format = nullptr;    // demuxer forced by name
  float mux_preload = 0.5f;                    // seconds of muxer preload; target 9: 0.44
  int scaler_flags = SWS_BICUBIC;              // flags of every scaling context
  // The input's first video stream with a picture size (open_input): what
  // "the source's" size and rate mean.
  int source_width = 0;                        // px
  int source_height = 0;                       // px
  AVRational source_frame_rate{0, 0};          // pictures/s (frames, not fields); 0/0 unknown
  bool source_interlaced = false;              // coded as fields (a field order is known)
  int source_field_order = AV_FIELD_UNKNOWN;   // AVFieldOrder: which field comes first
  // The source's rate from an interlaced source that is deinterlaced: one
  // picture out per field (apply_video_settings).
  bool per_field = false;
};

// One opened input file of the run, with a decoder context per stream.
struct InputFile {
  std::unique_ptr<JoinedSource> joined;        // the parts of a joined recording; outlives the demuxer
  InputContextPtr context;                     // the demuxer
  std::vector<CodecContextPtr> decoders;       // per stream; null for unused types
};

// How an output stream of a copy format is fed (stream_copy.cpp).
struct StreamPlan {
  int source = -1;    // its input stream's index in the job's one input file
  bool copy = false;  // packets carried over bit for bit; else decoded and encoded
};

// One output file of the run, with an encoder per stream.
struct OutputFile {
  std::unique_ptr<OutputSink> sink;            // the file the job created; outlives the muxer
  OutputContextPtr context;                    // the muxer, owns its streams; writes through sink
  std::vector<std::unique_ptr<Encoder>> encoders;  // per stream index
  AVDictionary* muxer_options = nullptr;       // private muxer options ("muxrate", "preload")
  std::vector<StreamPlan> plans;               // per stream index for a copy; empty: every
                                               // stream paired with its source by media type
  ~OutputFile() { av_dict_free(&muxer_options); }
};

// Run tables: filled while a job opens its files (open_input,
// create_output_file), emptied by release_files at the job's end.
struct RunTables {
  std::array<std::unique_ptr<InputFile>, kMaxFiles> input_files;   // opened sources
  int input_file_count = 0;                                        // entries in input_files
  std::array<int64_t, kMaxFiles> input_ts_offsets{};               // µs added to every packet time; read loop adjusts
  std::array<std::unique_ptr<OutputFile>, kMaxFiles> output_files; // created outputs
  int output_file_count = 0;                                       // entries in output_files
  std::array<const AVCodec*, kMaxCodecEntries> input_codecs{};     // decoder by name per input stream, or null
  int input_codec_count = 0;                                       // entries in input_codecs
  std::array<const EncoderDescriptor*, kMaxCodecEntries> output_codecs{};  // encoder by name per output stream, or null
  int output_codec_count = 0;                                      // entries in output_codecs
};

// Named option values, copied into each codec or format context created.
// Made with its default contexts by the first job; written by the job that
// holds it (set_option, the global-header flag), then carried to the next.
struct OptionRegistry {
  std::array<CodecContextPtr, 5> codec_option_defaults;  // by media type 0..4
  AVFormatContext* format_option_defaults = nullptr;     // container option values
  SwsContext* scaler_option_defaults = nullptr;          // scaler option values
  std::vector<std::string> option_names;                 // every successful set, never cleared
  AVDictionary* muxer_private_options = nullptr;         // "muxrate", "preload" for the mpeg muxers
  OptionRegistry();  // the default contexts (the one-time engine set-up)
  OptionRegistry(const OptionRegistry&) = delete;
  OptionRegistry& operator=(const OptionRegistry&) = delete;
  ~OptionRegistry() {
    avformat_free_context(format_option_defaults);
    sws_freeContext(scaler_option_defaults);
    av_dict_free(&muxer_private_options);
  }
};

// Per input file of a run.
struct InputFileState {
  int eof_reached = 0;   // 1 once reading answered an error or end of file
  int first_stream = 0;  // index in input_streams of the file's first stream
  int stream_count = 0;  // streams of the file
  // The file's clock: µs, the decoding time of the last packet read of a
  // stream the job uses, after repair; none before the first.
  int64_t last_dts = AV_NOPTS_VALUE;
  // A jump one stream made that no other stream has made yet (µs; 0: none):
  // damage to that stream until another stream makes the same jump.
  int64_t lone_jump = 0;
  int lone_jump_stream = -1;  // the stream that made it
};

// Per stream of every input file of a run.
struct InputStream {
  int file_index = 0;                       // input file it belongs to
  int stream_index = 0;                     // index within that file
  AVStream* stream = nullptr;               // the demuxer's stream
  AVCodecContext* decoder = nullptr;        // owned by InputFile::decoders
  int discard = 1;                          // 1 while no output stream takes it
  int decoding_needed = 0;                  // 1 when an output stream re-encodes it
  bool copied = false;                      // an output stream copies its packets
  int64_t copy_end_pts = AV_NOPTS_VALUE;    // copy: µs, where the latest picture shown so far ends
  int64_t ts_offset = 0;                    // copy: µs added to its packet times (the file's offset,
                                            // moved by each jump of this stream's timeline)
  int64_t next_pts = AV_NOPTS_VALUE;        // µs, expected time of the next decoded data
  int64_t pts = 0;                          // µs, time of the data being decoded
  int64_t dispatch_pts = 0;                 // µs, audio and subtitles: time of the data being encoded
                                            // (the job's thread; pts as it was when it was decoded)
  int is_start = 1;                         // 1 until the first data was decoded
  bool decoder_drained = false;             // the decoder was sent its end of input
  int64_t packets_read = 0;                 // packets of it the reader took
};

// Per stream of every output file of a run.
struct OutputStream {
  int file_index = 0;                       // output file it belongs to
  int stream_index = 0;                     // index within that file
  int source_index = 0;                     // index in input_streams of its source
  AVStream* stream = nullptr;               // the muxer's stream
  Encoder* encoder = nullptr;               // owned by OutputFile::encoders
  InputStream* sync_input = nullptr;        // input stream it is timed against
  int64_t sync_pts = 0;                     // frames (video) / samples (audio) emitted, encoder tb
  int rescale_needed = 0;                   // video: size or pixel format differs
  PictureStage pictures;                    // video: deinterlacing, sync rule and scaling (the
                                            // thread that decodes)
  int audio_resample_needed = 0;            // audio: rate or channels differ
  SwrPtr resampler;                         // audio: rate/channel/format conversion
  bool resampler_failed = false;            // audio: the resampler could not be made (box shown)
  std::pair<int, int> sample_format_pair{-1, -1};  // audio: (input, output) formats of the converter
  SwrPtr sample_converter;                  // audio: format-only conversion
  AudioFifoPtr audio_fifo;                  // audio: pending samples in the encoder's format
  bool stream_copy = false;                 // its packets are the source's, copied (no encoder)
  bool copy_started = false;                // copy: a packet was written (video: from a key picture on)
  int64_t last_dts = AV_NOPTS_VALUE;        // dts of the last packet written, stream time base
  int64_t written_end = AV_NOPTS_VALUE;     // where the packets written so far end, stream time base
  int64_t packets = 0;                      // packets the muxer took
};

// The records of one transcode call; allocated by its setup, released on
// every return.
struct Run {
  DecodeAhead* ahead = nullptr;                               // while a reader thread decodes: where the
                                                              // decoded data go (owned by run_read_loop)
  std::vector<InputFileState> files;                          // per input file, in table order
  std::vector<std::unique_ptr<InputStream>> input_streams;    // every input stream, file by file
  std::vector<std::unique_ptr<OutputStream>> output_streams;  // every output stream, paired with its source
};

// Per-packet work buffers: made with the job, reused for every packet (one
// packet at a time on the thread that owns each, see Job), freed with the job.
struct Buffers {
  FramePtr decoded{av_frame_alloc()};            // packet step: the decoded frame
  PacketPtr subtitle_packet{av_packet_alloc()};  // packet step: the packet given to the subtitle decoder
  FramePtr encode_frame{av_frame_alloc()};       // video: the reference handed to the encoder
  FramePtr deinterlace_in{av_frame_alloc()};     // picture stage: the reference handed to the deinterlacer
  FramePtr deinterlaced{av_frame_alloc()};       // picture stage: one picture from the deinterlacer
  FramePtr audio_frame{av_frame_alloc()};        // audio: one encoder frame
  SampleBuffer converted;                        // audio: samples in the encoder's format
  PacketPtr encoded{av_packet_alloc()};          // every encoder's packets on their way to the muxer
  AvBuffer<uint8_t> subtitle_encoded;            // subtitle encoder output, made on first use
};

// Everything one conversion uses. Made by convert() on the caller's thread,
// used there, gone when convert() returns. While a run reads (run.ahead
// set), its reader thread has the input side to itself: the input files and
// their offsets, the run's file states and input streams (all but
// dispatch_pts), the decoders, the video output streams' picture stages
// and the buffers `decoded`, `subtitle_packet`, `deinterlace_in` and
// `deinterlaced`; besides those it touches only the atomic counters and
// flags and the preview hook, and reads what the setup fixed (settings,
// options, encoder sizes and time bases). The caller's thread keeps the
// rest.
struct Job {
  Job(const JobSpec& spec, JobHooks& hooks);
  ~Job();
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  const JobSpec& spec;                       // what to do (the caller's; read-only)
  JobHooks& hooks;                           // the caller's callbacks and flags
  WorkingSettings settings;                  // from the carry-over, else defaults; stages write it
  std::unique_ptr<OptionRegistry> options;   // from the carry-over, else made; stages write it
  RunTables tables;                          // opened files and codec tables; emptied at the end
  JobError error;                            // the first error (note_error)
  std::optional<JobAlert> alert;             // set when the first error is an alert (note_alert)
  double ends_early_at = -1;                 // seconds read of a source cut off mid-packet (read loop)
  int64_t packets_written = 0;               // packets the muxer took (write_packet)
  std::string notes;                         // for the outcome: streams left out, ... (one per line)
  JobCounters own_counters;                  // used when the hooks bring none
  JobCounters& counters;                     // published progress (read loop, packet step)
  Buffers buffers;
};

}  // namespace engine
