// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/joined_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace engine {

namespace {
constexpr int kBufferSize = 1 << 16;
}

std::unique_ptr<JoinedSource> JoinedSource::open(const std::vector<std::string>& parts, int& error) {
  error = 0;
  std::unique_ptr<JoinedSource> source(new JoinedSource);
  for (const std::string& path : parts) {
    // Non-blocking, so a named pipe put in a part's place cannot hold the
    // job; it is refused below as not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      error = AVERROR(errno);
      return nullptr;
    }
    struct stat info {};
    source->parts_.push_back({fd, source->total_, 0});
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      error = AVERROR(EINVAL);
      return nullptr;
    }
    source->parts_.back().size = info.st_size;
    source->total_ += info.st_size;
  }
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  if (buffer)
    source->io_ = avio_alloc_context(buffer, kBufferSize, 0, source.get(), &JoinedSource::read, nullptr,
                                     &JoinedSource::seek);
  if (!source->io_) {
    av_free(buffer);
    error = AVERROR(ENOMEM);
    return nullptr;
  }
  return source;
}

JoinedSource::~JoinedSource() {
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
  for (const Part& part : parts_)
    if (part.fd >= 0) ::close(part.fd);
}

int JoinedSource::read(void* opaque, uint8_t* data, int size) {
  auto* self = static_cast<JoinedSource*>(opaque);
  for (;;) {
    // The part holding the position; past the last one is the end.
    auto part = std::find_if(self->parts_.begin(), self->parts_.end(),
                             [&](const Part& p) { return self->position_ < p.start + p.size; });
    if (part == self->parts_.end()) return AVERROR_EOF;
    const int64_t within = self->position_ - part->start;
    const auto wanted = static_cast<size_t>(std::min<int64_t>(size, part->size - within));
    const ssize_t n = ::pread(part->fd, data, wanted, static_cast<off_t>(within));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return AVERROR(errno);
    if (n == 0) {
      // The part is shorter than it was when the job began: the rest of
      // the recording goes on from the next part.
      self->position_ = part->start + part->size;
      continue;
    }
    self->position_ += n;
    return static_cast<int>(n);
  }
}

int64_t JoinedSource::seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<JoinedSource*>(opaque);
  if (whence & AVSEEK_SIZE) return self->total_;
  int64_t target = offset;
  switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET: break;
    case SEEK_CUR: target += self->position_; break;
    case SEEK_END: target += self->total_; break;
    default: return AVERROR(EINVAL);
  }
  if (target < 0) return AVERROR(EINVAL);
  self->position_ = target;
  return target;
}

}  // namespace engine
