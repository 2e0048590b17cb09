// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/spanned.h"

#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <optional>

#include "engine/av_ptr.h"
#include "engine/joined_source.h"

namespace probe {
namespace {

constexpr int64_t kTailBytes = 2 << 20;  // read before the end of the first file
constexpr int64_t kHeadBytes = 8 << 20;  // read at most into the second

bool regular_size(const std::string& path, int64_t& size) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  size = info.st_size;
  return true;
}

struct NumberedName {
  std::string folder, head, tail;  // the name around the number
  std::string digits;
};

std::optional<NumberedName> numbered(const std::string& path) {
  const size_t slash = path.rfind('/');
  NumberedName n;
  n.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t last = name.find_last_of("0123456789");
  if (last == std::string::npos) return std::nullopt;
  size_t first = last;
  while (first > 0 && std::isdigit(static_cast<unsigned char>(name[first - 1]))) --first;
  n.head = name.substr(0, first);
  n.digits = name.substr(first, last + 1 - first);
  n.tail = name.substr(last + 1);
  return n;
}

// The digits of one more, in as many digits; empty when it would need more.
std::string incremented(std::string digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return digits;
    }
    digits[i] = '0';
  }
  return {};
}

engine::InputContextPtr open_over(AVIOContext* io) {
  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) return nullptr;
  raw->pb = io;
  raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (avformat_open_input(&raw, nullptr, nullptr, nullptr) < 0) return nullptr;
  engine::InputContextPtr input(raw);
  if (avformat_find_stream_info(input.get(), nullptr) < 0) return nullptr;
  return input;
}

}  // namespace

bool is_next_name(const std::string& before, const std::string& after) {
  const auto a = numbered(before);
  const auto b = numbered(after);
  return a && b && a->folder == b->folder && a->head == b->head && a->tail == b->tail &&
         incremented(a->digits) == b->digits;
}

PartFacts part_facts(const std::string& path) {
  PartFacts facts;
  int64_t size = 0;
  int error = 0;
  if (!regular_size(path, size)) return facts;
  const auto source = engine::JoinedSource::open({path}, error);
  if (!source) return facts;
  const engine::InputContextPtr input = open_over(source->io());
  if (!input) return facts;
  facts.readable = true;
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* par = input->streams[i]->codecpar;
    const char* kind = av_get_media_type_string(par->codec_type);
    facts.layout += std::string(kind ? kind : "other") + ":" + avcodec_get_name(par->codec_id) + ";";
  }
  facts.duration_us = input->duration > 0 ? input->duration : 0;
  return facts;
}

bool continues(const std::string& before, const std::string& after) {
  int64_t boundary = 0;
  int error = 0;
  if (!regular_size(before, boundary)) return false;
  const auto source = engine::JoinedSource::open({before, after}, error);
  if (!source) return false;
  const engine::InputContextPtr input = open_over(source->io());
  if (!input) return false;

  // The stream that sets the pace: the video, else the first audio stream.
  int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) return false;
  const AVStream* stream = input->streams[index];
  const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  double frame = rate.num > 0 ? av_q2d(av_inv_q(rate)) : 0.0;

  if (boundary > kTailBytes &&
      av_seek_frame(input.get(), -1, boundary - kTailBytes, AVSEEK_FLAG_BYTE | AVSEEK_FLAG_ANY) < 0)
    return false;
  engine::PacketPtr packet(av_packet_alloc());
  if (!packet) return false;
  std::optional<double> last_before;
  std::optional<double> first_after;
  while (!first_after && av_read_frame(input.get(), packet.get()) >= 0) {
    const bool ours = packet->stream_index == index && packet->dts != AV_NOPTS_VALUE && packet->pos >= 0;
    if (ours) {
      const double t = static_cast<double>(packet->dts) * av_q2d(stream->time_base);
      if (packet->pos < boundary) last_before = t;
      else first_after = t;
      if (!(frame > 0) && packet->duration > 0)
        frame = static_cast<double>(packet->duration) * av_q2d(stream->time_base);
    }
    const bool too_far = packet->pos >= boundary + kHeadBytes;
    av_packet_unref(packet.get());
    if (too_far) break;
  }
  if (!last_before || !first_after || !(frame > 0)) return false;
  return std::fabs(*first_after - (*last_before + frame)) <= 2 * frame;
}

void group_recordings(const std::vector<std::string>& paths, bool join,
                      const std::function<void(std::vector<std::string> parts)>& emit) {
  std::vector<std::string> group;
  std::optional<PartFacts> last;  // facts of group.back(), read when first needed
  for (const std::string& path : paths) {
    if (join && !group.empty() && is_next_name(group.back(), path)) {
      if (!last) last = part_facts(group.back());
      PartFacts next = part_facts(path);
      if (last->readable && next.readable && last->layout == next.layout && continues(group.back(), path)) {
        group.push_back(path);
        last = std::move(next);
        continue;
      }
      emit(std::move(group));
      group = {path};
      last = std::move(next);
      continue;
    }
    if (!group.empty()) emit(std::move(group));
    group = {path};
    last.reset();
  }
  if (!group.empty()) emit(std::move(group));
}

}  // namespace probe
