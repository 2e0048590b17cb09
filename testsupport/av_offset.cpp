// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/av_offset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/parseutils.h>
#include <libavutil/rational.h>
}

#include "engine/av_ptr.h"
#include "testsupport/media.h"

namespace testsupport {

namespace fs = std::filesystem;

namespace {

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

using CodecPtr = engine::CodecContextPtr;

// The decoder of one stream, on one thread so that every run gives the same.
CodecPtr open_decoder(const AVStream* stream) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  CodecPtr c(codec ? avcodec_alloc_context3(codec) : nullptr);
  if (!c || avcodec_parameters_to_context(c.get(), stream->codecpar) < 0) return nullptr;
  c->pkt_timebase = stream->time_base;
  c->thread_count = 1;
  if (avcodec_open2(c.get(), codec, nullptr) < 0) return nullptr;
  return c;
}

// Mean of the first plane (luma in every YUV format), every fourth sample.
double mean_luma(const AVFrame* f) {
  double sum = 0;
  int64_t count = 0;
  for (int y = 0; y < f->height; y += 4) {
    const uint8_t* row = f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0];
    for (int x = 0; x < f->width; x += 4, ++count) sum += row[x];
  }
  return count ? sum / static_cast<double>(count) : 0;
}

// Sample `i` of the first channel, as a float in [-1, 1].
double first_channel(const AVFrame* f, int i) {
  const int channels = f->ch_layout.nb_channels;
  switch (f->format) {
    case AV_SAMPLE_FMT_FLTP: return reinterpret_cast<const float*>(f->extended_data[0])[i];
    case AV_SAMPLE_FMT_FLT: return reinterpret_cast<const float*>(f->extended_data[0])[i * channels];
    case AV_SAMPLE_FMT_DBLP: return reinterpret_cast<const double*>(f->extended_data[0])[i];
    case AV_SAMPLE_FMT_DBL: return reinterpret_cast<const double*>(f->extended_data[0])[i * channels];
    case AV_SAMPLE_FMT_S16P: return reinterpret_cast<const int16_t*>(f->extended_data[0])[i] / 32768.0;
    case AV_SAMPLE_FMT_S16: return reinterpret_cast<const int16_t*>(f->extended_data[0])[i * channels] / 32768.0;
    case AV_SAMPLE_FMT_S32P: return reinterpret_cast<const int32_t*>(f->extended_data[0])[i] / 2147483648.0;
    case AV_SAMPLE_FMT_S32: return reinterpret_cast<const int32_t*>(f->extended_data[0])[i * channels] / 2147483648.0;
    default: return 0;
  }
}

struct Moment {
  double time;   // seconds, presentation time in the file
  double value;  // luma mean, or the sample's magnitude
};

// Times where `values` rise above `threshold` after having been below it;
// a rise within `quiet` seconds of the last one counts as the same event.
std::vector<double> onsets(const std::vector<Moment>& values, double threshold, double quiet) {
  std::vector<double> times;
  bool above = true;  // the very start is no onset
  double last = -1e9;
  for (const Moment& m : values) {
    const bool now = m.value > threshold;
    if (now && !above && m.time - last > quiet) {
      times.push_back(m.time);
      last = m.time;
    }
    above = now;
  }
  return times;
}

}  // namespace

fs::path flash_beep_clip(const FlashBeepSource& s) {
  AVRational rate{};
  if (av_parse_ratio(&rate, s.rate, 1000000, 0, nullptr) < 0 || rate.num <= 0) return {};
  const int period_pictures = static_cast<int>(std::lround(av_q2d(rate)));
  const int first = period_pictures / 2;
  const double period = period_pictures / av_q2d(rate);
  const double first_time = s.audio_lead + first / av_q2d(rate);

  std::ostringstream name, args;
  name << "flashbeep_" << s.width << "x" << s.height << "_" << rate.num << "_" << rate.den << "_"
       << (s.interlaced ? "i" : "p") << (s.h264 ? "_h264" : "_mpeg2") << "_lead" << s.audio_lead << "_" << s.seconds
       << ".m2ts";
  const std::string beep = "0.5*sin(2*PI*1000*t)*lt(mod(t-" + number(first_time) + "\\," + number(period) + ")\\,0.04)";
  if (s.audio_lead > 0) args << "-itsoffset " << number(s.audio_lead) << " ";
  args << "-f lavfi -i 'color=c=black:s=" << s.width << "x" << s.height << ":r=" << s.rate << ":d=" << number(s.seconds)
       << ",drawbox=c=white:t=fill:enable=eq(mod(n\\," << period_pictures << ")\\," << first << ")' "
       << "-f lavfi -i 'aevalsrc=exprs=" << beep << "|" << beep << ":c=stereo:s=48000:d="
       << number(s.seconds + s.audio_lead) << "' ";
  if (s.h264) {
    args << "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -b:v 8M ";
    if (s.interlaced) args << "-flags +ildct+ilme -x264opts tff=1 ";
  } else {
    args << "-c:v mpeg2video -bf 2 -g 12 -b:v 6M ";
    if (s.interlaced) args << "-flags +ildct+ilme -top 1 ";
  }
  args << "-c:a ac3 -b:a 192k -f mpegts -mpegts_m2ts_mode 1";
  return cached_media(name.str(), args.str());
}

AvOffset measure_av_offset(const fs::path& file) {
  AvOffset result;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0) {
    result.error = "cannot open " + file.string();
    return result;
  }
  engine::InputContextPtr input(raw);
  if (avformat_find_stream_info(input.get(), nullptr) < 0) {
    result.error = "no stream information";
    return result;
  }
  const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (video < 0 || audio < 0) {
    result.error = video < 0 ? "no video" : "no sound";
    return result;
  }
  CodecPtr decoders[2] = {open_decoder(input->streams[video]), open_decoder(input->streams[audio])};
  if (!decoders[0] || !decoders[1]) {
    result.error = "no decoder";
    return result;
  }

  std::vector<Moment> pictures, samples;
  engine::FramePtr frame(av_frame_alloc());
  engine::PacketPtr packet(av_packet_alloc());
  auto take_frames = [&](int which) {
    AVCodecContext* dec = decoders[which].get();
    const AVRational tb = input->streams[which == 0 ? video : audio]->time_base;
    while (avcodec_receive_frame(dec, frame.get()) >= 0) {
      if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
        const double start = static_cast<double>(frame->best_effort_timestamp) * av_q2d(tb);
        if (which == 0) {
          pictures.push_back({start, mean_luma(frame.get())});
        } else if (frame->sample_rate > 0) {
          for (int i = 0; i < frame->nb_samples; ++i)
            samples.push_back({start + static_cast<double>(i) / frame->sample_rate,
                               std::fabs(first_channel(frame.get(), i))});
        }
      }
      av_frame_unref(frame.get());
    }
  };
  while (av_read_frame(input.get(), packet.get()) >= 0) {
    const int which = packet->stream_index == video ? 0 : packet->stream_index == audio ? 1 : -1;
    if (which >= 0 && avcodec_send_packet(decoders[which].get(), packet.get()) >= 0) take_frames(which);
    av_packet_unref(packet.get());
  }
  for (int which = 0; which < 2; ++which) {
    avcodec_send_packet(decoders[which].get(), nullptr);
    take_frames(which);
  }
  if (pictures.empty() || samples.empty()) {
    result.error = "nothing decoded";
    return result;
  }

  const auto [darkest, brightest] = std::minmax_element(pictures.begin(), pictures.end(),
                                                        [](const Moment& a, const Moment& b) { return a.value < b.value; });
  const double loudest =
      std::max_element(samples.begin(), samples.end(), [](const Moment& a, const Moment& b) { return a.value < b.value; })
          ->value;
  const std::vector<double> flashes = onsets(pictures, (darkest->value + brightest->value) / 2, 0.3);
  const std::vector<double> beeps = onsets(samples, loudest / 3, 0.3);
  double sum = 0;
  for (const double flash : flashes) {
    const auto nearest = std::min_element(beeps.begin(), beeps.end(), [&](double a, double b) {
      return std::fabs(a - flash) < std::fabs(b - flash);
    });
    if (nearest == beeps.end() || std::fabs(*nearest - flash) > 0.4) continue;
    sum += *nearest - flash;
    ++result.pairs;
  }
  if (result.pairs == 0) result.error = std::to_string(flashes.size()) + " flashes, " + std::to_string(beeps.size()) +
                                        " beeps, none together";
  else result.seconds = sum / result.pairs;
  return result;
}

}  // namespace testsupport
