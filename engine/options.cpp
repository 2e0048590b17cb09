// SPDX-License-Identifier: GPL-3.0-or-later
// Option setters and codec lookup: the user's numeric choices become codec
// ids, rates and sizes; named option values go into the option registry and
// from there into every codec or format context that is created.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/engine.h"

namespace engine {

namespace {

struct VideoChoice {
  AVCodecID id;
  uint32_t tag;
};

// Index = video_codec_choice 1..17; any other choice is MPEG-4 without a tag.
// Choice 2 (XVID) has no codec id of its own any more: it is MPEG-4. 16 and
// 17 are the constant-quality encoders (quality_video.cpp); HEVC in MP4 is
// tagged "hvc1", the tag Apple's players and most TVs require.
const VideoChoice kVideoChoices[18] = {
    {AV_CODEC_ID_MPEG4, 0},
    {AV_CODEC_ID_MPEG4, 0},
    {AV_CODEC_ID_MPEG4, 0},
    {AV_CODEC_ID_MPEG4, MKTAG('D', 'I', 'V', 'X')},
    {AV_CODEC_ID_WMV2, MKTAG('W', 'M', 'V', '2')},
    {AV_CODEC_ID_H264, 0},
    {AV_CODEC_ID_H263, 0},
    {AV_CODEC_ID_MPEG4, MKTAG('D', 'X', '5', '0')},
    {AV_CODEC_ID_WMV1, MKTAG('W', 'M', 'V', '1')},
    {AV_CODEC_ID_WMV3, MKTAG('W', 'M', 'V', '3')},
    {AV_CODEC_ID_DVVIDEO, 0},
    {AV_CODEC_ID_MSMPEG4V1, 0},
    {AV_CODEC_ID_MSMPEG4V2, 0},
    {AV_CODEC_ID_MPEG1VIDEO, 0},
    {AV_CODEC_ID_MPEG2VIDEO, 0},
    {AV_CODEC_ID_FLV1, 0},
    {AV_CODEC_ID_H264, 0},
    {AV_CODEC_ID_HEVC, MKTAG('h', 'v', 'c', '1')},
};

// Index = audio_codec_choice 1..8; any other choice leaves the container's
// own audio codec in charge.
const AVCodecID kAudioChoices[9] = {
    AV_CODEC_ID_NONE, AV_CODEC_ID_AAC,    AV_CODEC_ID_MP3,    AV_CODEC_ID_MP2,    AV_CODEC_ID_WMAV2,
    AV_CODEC_ID_AMR_NB, AV_CODEC_ID_AC3,   AV_CODEC_ID_AMR_WB, AV_CODEC_ID_WAVPACK,
};

const char* const kAspectTexts[8] = {nullptr, "4:3", "16:9", "1:1", "3:2", "5:4", "11:9", "12:5"};

// Registry names the library knows under another name. "gop" was never an
// option of any library version; its value belongs to the GOP size "g".
const char* library_option_name(const char* name) {
  if (std::strcmp(name, "gop") == 0) return "g";
  return name;
}

// Private options of the MPEG program-stream muxers ("muxrate", "preload"):
// a plain format context does not know them, so they are kept aside and
// handed to the muxer when its header is written.
bool set_muxer_private_option(Job& job, const char* name, const char* value) {
  const AVOutputFormat* mpeg = av_guess_format("dvd", nullptr, nullptr);
  if (!mpeg || !mpeg->priv_class) return false;
  const AVClass* cls = mpeg->priv_class;
  const AVOption* o = av_opt_find(&cls, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
  if (!o) return false;
  if (o->type == AV_OPT_TYPE_INT) {
    char* end = nullptr;
    long long v = std::strtoll(value, &end, 10);
    if (end == value || *end != '\0' || v < o->min || v > o->max) return false;
  }
  return av_dict_set(&job.options->muxer_private_options, name, value, 0) >= 0;
}

// Sets `name` on one object when it has such an option carrying `mask`.
// 1 taken, 0 unknown there, -1 value refused.
int try_set(void* object, const char* name, const char* value, int mask, const char** found) {
  if (!object) return 0;
  const AVOption* o = av_opt_find(object, name, nullptr, mask, 0);
  if (!o) return 0;
  *found = o->name;
  return av_opt_set(object, name, value, 0) < 0 ? -1 : 1;
}

}  // namespace

void apply_video_settings(Job& job) {
  auto& s = job.settings;
  const auto& p = job.spec;
  const int vc = p.video_codec_choice;
  const VideoChoice choice = (vc >= 1 && vc <= 17) ? kVideoChoices[vc] : kVideoChoices[0];
  s.video_codec_id = choice.id;
  s.video_codec_tag = choice.tag;

  // Later rules override earlier ones; values outside every rule keep the
  // input's rate.
  const double r = p.frame_rate;
  if (r == 10 || r == 15 || r == 25 || r == 30 || r == 24 || r == 60) s.frame_rate = {static_cast<int>(r), 1};
  if (r >= 29 && r < 30) s.frame_rate = {30000, 1001};
  if (r >= 23 && r < 24) s.frame_rate = {24000, 1001};
  if (r >= 14 && r < 15) s.frame_rate = {15000, 1001};
  if (r >= 12 && r < 13) s.frame_rate = {25, 2};
  if (r >= 11 && r < 12) s.frame_rate = {12000, 1001};
  if (r >= 7 && r < 8) s.frame_rate = {15, 2};
  if (r >= 6 && r < 7) s.frame_rate = {25, 4};
  if (r >= 5 && r < 6) s.frame_rate = {6000, 1001};
  // Rate 0 is the source's: its pictures per second, twice that when an
  // interlaced source is deinterlaced (one picture per field, every moment
  // the camera recorded).
  s.per_field = r == 0 && p.deinterlace && s.source_interlaced;
  if (r == 0 && s.source_frame_rate.num > 0 && s.source_frame_rate.den > 0)
    s.frame_rate = s.per_field ? av_mul_q(s.source_frame_rate, {2, 1}) : s.source_frame_rate;

  // Size 0x0 is the source's.
  const bool source_size = p.width <= 0 && p.height <= 0;
  s.frame_width = source_size ? s.source_width : p.width;
  s.frame_height = source_size ? s.source_height : p.height;
  if (p.aspect_choice >= 1 && p.aspect_choice <= 7) parse_aspect_ratio(job, kAspectTexts[p.aspect_choice]);

  const std::string maxrate = p.video_bit_rate >= 9000001 ? std::to_string(p.video_bit_rate) : "9000000";
  set_option(job, "maxrate", maxrate.c_str());
  set_option(job, "minrate", "0");
}

void choose_audio_codec(Job& job) {
  auto& s = job.settings;
  const auto& p = job.spec;
  s.audio_channels = p.channels;
  s.audio_sample_rate = p.sample_rate;
  s.audio_bit_rate = p.audio_bit_rate;
  const int ac = p.audio_codec_choice;
  s.audio_codec_id = (ac >= 1 && ac <= 8) ? kAudioChoices[ac] : kAudioChoices[0];
}

int set_option(Job& job, const char* name, const char* value) {
  if (!name || !value || !*name) return -1;
  auto& reg = *job.options;
  const char* lib_name = library_option_name(name);
  static const int kTypeMasks[5] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                    AV_OPT_FLAG_SUBTITLE_PARAM, 0};
  const char* found = nullptr;
  int taken = 0;
  void* video_entry = reg.codec_option_defaults[AVMEDIA_TYPE_VIDEO].get();
  for (int type = 0; type < 5 && taken >= 0; ++type) {
    if (!video_entry || !av_opt_find(video_entry, lib_name, nullptr, kTypeMasks[type], 0)) continue;
    int r = try_set(reg.codec_option_defaults[type].get(), lib_name, value, kTypeMasks[type], &found);
    if (r != 0) taken = r;
  }
  if (taken == 0) taken = try_set(reg.format_option_defaults, lib_name, value, 0, &found);
  if (taken == 0 && set_muxer_private_option(job, lib_name, value)) return 0;
  if (taken == 0) taken = try_set(reg.scaler_option_defaults, lib_name, value, 0, &found);
  if (taken == 0) {
    int type;
    switch (name[0]) {
      case 'a': type = AVMEDIA_TYPE_AUDIO; break;
      case 'v': type = AVMEDIA_TYPE_VIDEO; break;
      case 's': type = AVMEDIA_TYPE_SUBTITLE; break;
      default: return -1;
    }
    if (name[1] == '\0') return -1;
    taken = try_set(reg.codec_option_defaults[type].get(), library_option_name(name + 1), value, 0, &found);
  }
  if (taken <= 0 || !found) return -1;

  reg.option_names.emplace_back(found);
  int64_t debug = 0;
  if (video_entry && av_opt_get_int(video_entry, "debug", 0, &debug) >= 0 && debug) av_log_set_level(AV_LOG_DEBUG);
  if (reg.format_option_defaults && av_opt_get_int(reg.format_option_defaults, "fdebug", 0, &debug) >= 0 && debug)
    av_log_set_level(AV_LOG_DEBUG);
  return 0;
}

void apply_registered_options(const Job& job, void* source, void* target, int flags) {
  if (!source || !target) return;
  for (const std::string& name : job.options->option_names) {
    const AVOption* o = av_opt_find(source, name.c_str(), nullptr, flags, 0);
    if (!o || (o->flags & flags) != flags) continue;
    uint8_t* text = nullptr;
    if (av_opt_get(source, name.c_str(), 0, &text) < 0 || !text) continue;
    av_opt_set(target, name.c_str(), reinterpret_cast<const char*>(text), 0);
    av_free(text);
  }
}

AVCodecID lookup_codec_id(const char* name, AVMediaType type, bool encoder) {
  if (!name) return AV_CODEC_ID_NONE;
  const char* word = encoder ? "encoder" : "decoder";
  AVMediaType found_type;
  AVCodecID id;
  if (encoder) {
    const EncoderDescriptor* d = find_encoder_by_name(name);
    if (!d) {
      av_log(nullptr, AV_LOG_ERROR, "Unknown %s '%s'\n", word, name);
      return AV_CODEC_ID_NONE;
    }
    found_type = d->type;
    id = d->id;
  } else {
    const AVCodec* c = avcodec_find_decoder_by_name(name);
    if (!c) {
      av_log(nullptr, AV_LOG_ERROR, "Unknown %s '%s'\n", word, name);
      return AV_CODEC_ID_NONE;
    }
    found_type = c->type;
    id = c->id;
  }
  if (found_type != type) {
    av_log(nullptr, AV_LOG_ERROR, "Invalid %s type '%s'\n", word, name);
    return AV_CODEC_ID_NONE;
  }
  return id;
}

void choose_codec_name(std::optional<std::string>& slot, const char* name) {
  if (name)
    slot = name;
  else
    slot.reset();
}

void parse_aspect_ratio(Job& job, const char* text) {
  if (!text) return;
  double ratio;
  if (const char* colon = std::strchr(text, ':')) {
    char* end = nullptr;
    long a = std::strtol(text, &end, 10);
    long b = 0;
    if (end == colon) b = std::strtol(colon + 1, nullptr, 10);
    if (a <= 0 || b <= 0) return;
    ratio = static_cast<double>(a) / static_cast<double>(b);
  } else {
    ratio = std::strtod(text, nullptr);
  }
  // A negative or non-finite ratio would give a meaningless sample aspect.
  if (!(ratio > 0) || !std::isfinite(ratio)) return;
  job.settings.frame_aspect_ratio = static_cast<float>(ratio);
}

void force_container(Job& job, const char* name) {
  auto& s = job.settings;
  s.forced_input_format = name ? av_find_input_format(name) : nullptr;
  s.forced_output_format = name ? av_guess_format(name, nullptr, nullptr) : nullptr;
}

}  // namespace engine
