// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/output_sink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
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

std::mutex listed_mutex;
std::vector<UnfinishedOutput> listed;  // under listed_mutex

bool same_file(const UnfinishedOutput& a, const UnfinishedOutput& b) {
  return a.device == b.device && a.inode == b.inode && a.path == b.path;
}
}  // namespace

ListedOutput::ListedOutput(UnfinishedOutput output) : output_(std::move(output)) {
  std::lock_guard lock(listed_mutex);
  listed.push_back(output_);
}

ListedOutput::~ListedOutput() {
  std::lock_guard lock(listed_mutex);
  const auto it = std::find_if(listed.begin(), listed.end(), [this](const auto& o) { return same_file(o, output_); });
  if (it != listed.end()) listed.erase(it);
}

std::vector<UnfinishedOutput> unfinished_outputs() {
  std::lock_guard lock(listed_mutex);
  return listed;
}

std::unique_ptr<OutputSink> OutputSink::create(const std::string& path, int& error) {
  error = 0;
  std::unique_ptr<OutputSink> sink(new OutputSink);
  // Read as well as write: MP4's faststart reads the file back.
  sink->fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

OutputSink::Place OutputSink::place(const std::string& path) const {
  struct stat own {};
  if (fd_ < 0 || ::fstat(fd_, &own) != 0) return Place::at_path;  // nothing to judge by
  if (own.st_nlink == 0) return Place::deleted;
  struct stat named {};
  if (::lstat(path.c_str(), &named) == 0 && named.st_dev == device_ && named.st_ino == inode_) return Place::at_path;
  return Place::moved;
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

namespace {

// A reader over the sink's file for the muxer's second pass.
struct ReadBack {
  int fd = -1;              // a duplicate of the sink's descriptor
  int64_t position = 0;     // next byte to read
  int* sink_error = nullptr;  // the sink's first error, which a failed read sets

  static int read(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<ReadBack*>(opaque);
    for (;;) {
      const ssize_t n = ::pread(self->fd, data, static_cast<size_t>(size), static_cast<off_t>(self->position));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        if (*self->sink_error == 0) *self->sink_error = AVERROR(errno);
        return AVERROR(errno);
      }
      if (n == 0) return AVERROR_EOF;
      self->position += n;
      return static_cast<int>(n);
    }
  }

  static int64_t seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<ReadBack*>(opaque);
    struct stat info {};
    const bool sized = ::fstat(self->fd, &info) == 0;
    if (whence & AVSEEK_SIZE) return sized ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET: break;
      case SEEK_CUR: offset += self->position; break;
      case SEEK_END:
        if (!sized) return AVERROR(errno);
        offset += info.st_size;
        break;
      default: return AVERROR(EINVAL);
    }
    if (offset < 0) return AVERROR(EINVAL);
    self->position = offset;
    return offset;
  }
};

}  // namespace

void OutputSink::let_muxer_read_back(AVFormatContext* output) {
  output->opaque = this;
  output->io_open = &OutputSink::open_reader;
  output->io_close2 = &OutputSink::close_reader;
}

int OutputSink::open_reader(AVFormatContext* output, AVIOContext** pb, const char*, int flags, AVDictionary**) {
  auto* self = static_cast<OutputSink*>(output->opaque);
  // Only reading back: whatever else a muxer might want to open is refused.
  if (!self || self->fd_ < 0 || (flags & AVIO_FLAG_WRITE)) return AVERROR(EPERM);
  auto reader = std::make_unique<ReadBack>();
  reader->fd = ::fcntl(self->fd_, F_DUPFD_CLOEXEC, 0);
  if (reader->fd < 0) return AVERROR(errno);
  reader->sink_error = &self->first_error_;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  AVIOContext* io = buffer ? avio_alloc_context(buffer, kBufferSize, 0, reader.get(), &ReadBack::read, nullptr,
                                                &ReadBack::seek)
                           : nullptr;
  if (!io) {
    av_free(buffer);
    ::close(reader->fd);
    return AVERROR(ENOMEM);
  }
  io->seekable = AVIO_SEEKABLE_NORMAL;
  reader.release();
  *pb = io;
  return 0;
}

int OutputSink::close_reader(AVFormatContext*, AVIOContext* pb) {
  if (!pb) return 0;
  auto* reader = static_cast<ReadBack*>(pb->opaque);
  av_freep(&pb->buffer);
  avio_context_free(&pb);
  if (reader) {
    ::close(reader->fd);
    delete reader;
  }
  return 0;
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
