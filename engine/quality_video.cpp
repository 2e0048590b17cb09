// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/quality_video.h"

#include <algorithm>
#include <string>

extern "C" {
#include <libavutil/opt.h>
}

namespace engine {

namespace {

constexpr int kH264Choice = 16;
constexpr int kHevcChoice = 17;

// The quality each aims at (lower is better; the two scales differ) and
// the speed: "fast" is most of "medium"'s quality at about half its time.
constexpr const char* kH264Quality = "20";
constexpr const char* kHevcQuality = "24";
constexpr const char* kSpeed = "fast";

struct LevelLimits {
  int idc;
  int64_t macroblocks_per_second;
  int64_t macroblocks_per_picture;
  int64_t max_bit_rate;  // bit/s, High profile (1.25 times the base profiles')
  int64_t max_buffer;    // bits, High profile
};

// ITU-T H.264 table A-1 from level 4.1 up, the level every player of
// 1080p takes.
constexpr LevelLimits kLevels[] = {
    {41, 245760, 8192, 62500000, 78125000},     {42, 522240, 8704, 62500000, 78125000},
    {50, 589824, 22080, 168750000, 168750000},  {51, 983040, 36864, 300000000, 300000000},
    {52, 2073600, 36864, 300000000, 300000000},
};

bool is_hevc(const Job& job) { return job.spec.video_codec_choice == kHevcChoice; }

void set_private(AVCodecContext* c, const char* name, const std::string& value) {
  if (c->priv_data) av_opt_set(c->priv_data, name, value.c_str(), 0);
}

// Interlaced pictures that reach the encoder as they are (deinterlacing off,
// no change of height) are coded as fields in the source's field order.
// x265 takes progressive pictures only: they stay frames there.
bool codes_fields(const Job& job, const AVCodecContext* c) {
  const WorkingSettings& s = job.settings;
  return !is_hevc(job) && !job.spec.deinterlace && s.source_interlaced && c->height == s.source_height;
}

}  // namespace

bool constant_quality_video(const JobSpec& spec) {
  return spec.video_codec_choice == kH264Choice || spec.video_codec_choice == kHevcChoice;
}

H264Level h264_level(int width, int height, AVRational rate) {
  const int64_t per_picture = static_cast<int64_t>((width + 15) / 16) * ((height + 15) / 16);
  const double pictures_per_second = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0.0;
  for (const LevelLimits& level : kLevels) {
    if (per_picture > level.macroblocks_per_picture) continue;
    if (static_cast<double>(per_picture) * pictures_per_second > static_cast<double>(level.macroblocks_per_second))
      continue;
    return {level.idc, level.max_bit_rate, level.max_buffer};
  }
  return {};
}

void start_constant_quality(Job& job, AVFormatContext* output, Encoder& encoder, const EncoderDescriptor* d) {
  // Without its own defaults the encoder would still open, with the
  // generic ones; the stream is then only worse, not wrong.
  if (!encoder.use_codec_defaults(d)) return;
  AVCodecContext* c = encoder.context();
  if (output->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (job.settings.video_codec_tag) c->codec_tag = job.settings.video_codec_tag;
}

void finish_constant_quality(Job& job, AVCodecContext* c) {
  const bool hevc = is_hevc(job);
  // Both encoders take 8-bit 4:2:0 for their Main and High profiles; a
  // 4:2:2 or 10-bit source is converted on the way.
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  set_private(c, "preset", kSpeed);
  set_private(c, "crf", hevc ? kHevcQuality : kH264Quality);
  set_private(c, "profile", hevc ? "main" : "high");

  // The quality target spends at most the user's rate (over a buffer of two
  // seconds of it), and never more than the level allows.
  int64_t cap = job.spec.video_bit_rate > 0 ? job.spec.video_bit_rate : 0;
  int64_t buffer = 2 * cap;
  if (!hevc) {
    const H264Level level = h264_level(c->width, c->height, c->framerate);
    if (level.idc > 0) {
      c->level = level.idc;
      cap = cap > 0 ? std::min(cap, level.max_bit_rate) : level.max_bit_rate;
      buffer = std::min(2 * cap, level.max_buffer);
    }
  }
  c->bit_rate = 0;
  c->rc_max_rate = cap;
  c->rc_buffer_size = static_cast<int>(std::min<int64_t>(buffer, INT32_MAX));

  // Several files at once: each encoder keeps its share of the cores busy
  // (x264's frame threads; x265's frame threads and its worker pool).
  const int share = std::max(0, job.spec.thread_share);
  c->thread_count = share;
  std::string x265_params = "log-level=error";
  if (share > 0) x265_params += ":pools=" + std::to_string(share);
  if (hevc) set_private(c, "x265-params", x265_params);

  if (codes_fields(job, c)) {
    c->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    c->field_order = static_cast<AVFieldOrder>(job.settings.source_field_order);
  }
}

}  // namespace engine
