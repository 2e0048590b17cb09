// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Converted audio samples before they enter a stream's FIFO: grown on
// demand, reused chunk after chunk.

#include <cstdint>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace engine {

class SampleBuffer {
 public:
  SampleBuffer() = default;
  ~SampleBuffer() { release(); }
  SampleBuffer(const SampleBuffer&) = delete;
  SampleBuffer& operator=(const SampleBuffer&) = delete;

  // Room for `samples` per channel in `format` with `channels`; null on failure.
  uint8_t** reserve(int samples, int channels, AVSampleFormat format) {
    if (data_ && samples <= capacity_ && channels == channels_ && format == format_) return data_;
    release();
    if (av_samples_alloc_array_and_samples(&data_, nullptr, channels, samples, format, 0) < 0) {
      data_ = nullptr;
      return nullptr;
    }
    capacity_ = samples;
    channels_ = channels;
    format_ = format;
    return data_;
  }

 private:
  void release() {
    if (data_) av_freep(&data_[0]);
    av_freep(&data_);
    capacity_ = 0;
  }
  uint8_t** data_ = nullptr;
  int capacity_ = 0;
  int channels_ = 0;
  AVSampleFormat format_ = AV_SAMPLE_FMT_NONE;
};

}  // namespace engine
