// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/output_sink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace engine {

namespace {
// Writes go out in blocks of this size. Muxers mark a flush point after
// every packet (a 2 kB pack in MPEG program streams); without a minimum the
// buffer would be handed to the disk at each one.
constexpr int kBufferSize = 262144;
}

std::unique_ptr<OutputSink> OutputSink::create(const std::string& path, int& error) {
  error = 0;
  std::unique_ptr<OutputSink> sink(new OutputSink);
  sink->fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (sink->fd_ < 0) {
    error = AVERROR(errno);
    return nullptr;
  }
  struct stat info {};
  if (::fstat(sink->fd_, &info) == 0) {
    sink->device_ = info.st_dev;
    sink->inode_ = info.st_ino;
  }
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  if (buffer)
    sink->io_ = avio_alloc_context(buffer, kBufferSize, 1, sink.get(), nullptr, &OutputSink::write, &OutputSink::seek);
  if (!sink->io_) {
    av_free(buffer);
    error = AVERROR(ENOMEM);
    remove_if_same(path, sink->device_, sink->inode_);
    return nullptr;
  }
  sink->io_->min_packet_size = kBufferSize;
  // MP4, 3GP and ASF go back to fill in their headers at the end.
  sink->io_->seekable = AVIO_SEEKABLE_NORMAL;
  return sink;
}

bool remove_if_same(const std::string& path, dev_t device, ino_t inode) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_dev != device || info.st_ino != inode) return false;
  return ::unlink(path.c_str()) == 0;
}

OutputSink::~OutputSink() {
  free_io();
  if (fd_ >= 0) ::close(fd_);
}

void OutputSink::free_io() {
  if (!io_) return;
  av_freep(&io_->buffer);
  avio_context_free(&io_);
}

int OutputSink::close() {
  if (io_) {
    avio_flush(io_);
    if (io_->error < 0 && first_error_ == 0) first_error_ = io_->error;
    free_io();
  }
  if (fd_ >= 0) {
    // Through the descriptor, so it is this file's time, not whatever holds
    // the name now. A time that cannot be set leaves the file as it is.
    if (modification_time_ >= 0) {
      const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(modification_time_), 0}};
      ::futimens(fd_, times);
    }
    if (::close(fd_) != 0 && first_error_ == 0) first_error_ = AVERROR(errno);
    fd_ = -1;
  }
  return first_error_;
}

int OutputSink::write(void* opaque, uint8_t* data, int size) {
  auto* self = static_cast<OutputSink*>(opaque);
  if (self->first_error_ != 0) return self->first_error_;
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(self->fd_, data + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that makes no progress on a regular file means the disk is
      // full even when the system gives no errno.
      self->first_error_ = n < 0 ? AVERROR(errno) : AVERROR(ENOSPC);
      return self->first_error_;
    }
    done += static_cast<int>(n);
    self->bytes_written_ += n;
  }
  return size;
}

int64_t OutputSink::seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<OutputSink*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat info {};
    return ::fstat(self->fd_, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
  }
  const off_t at = ::lseek(self->fd_, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

}  // namespace engine
