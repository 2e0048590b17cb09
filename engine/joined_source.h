// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parts of one recording read as one source: an I/O context over the
// parts' bytes one after another, so the demuxer sees the recording as the
// camcorder wrote it before splitting it into files. Positions run across
// all parts, so the read position measures progress over the whole
// recording.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVIOContext;

namespace engine {

class JoinedSource {
 public:
  // Opens every part (regular files only). Null on failure, with `error`
  // set to the AVERROR of the part that could not be opened.
  static std::unique_ptr<JoinedSource> open(const std::vector<std::string>& parts, int& error);
  ~JoinedSource();
  JoinedSource(const JoinedSource&) = delete;
  JoinedSource& operator=(const JoinedSource&) = delete;

  AVIOContext* io() const { return io_; }
  int64_t size() const { return total_; }

 private:
  struct Part {
    int fd = -1;
    int64_t start = 0;  // position of its first byte in the whole
    int64_t size = 0;
  };
  JoinedSource() = default;
  static int read(void* opaque, uint8_t* data, int size);
  static int64_t seek(void* opaque, int64_t offset, int whence);

  std::vector<Part> parts_;
  int64_t total_ = 0;     // bytes of all parts
  int64_t position_ = 0;  // next byte to read, in the whole
  AVIOContext* io_ = nullptr;
};

}  // namespace engine
