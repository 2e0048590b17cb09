// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The output file as the muxer writes it: an I/O context over the
// descriptor the job created exclusively. Every byte goes into the file this
// job made, never into one that was put at that name afterwards, and the
// first write or close failure is kept with its errno.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVIOContext;
struct AVFormatContext;
struct AVDictionary;

namespace engine {

// Removes `path` only when it is still the regular file with that device
// and inode: the file a job created, never one that replaced it.
bool remove_if_same(const std::string& path, dev_t device, ino_t inode);

// The outputs of jobs that have not settled their outcome yet, so that a
// program told to end at once can take back the files it left half made.
// A job lists its file from its creation until its outcome is settled
// (removed or kept). Any thread.
struct UnfinishedOutput {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
};
class ListedOutput {
 public:
  explicit ListedOutput(UnfinishedOutput output);
  ~ListedOutput();
  ListedOutput(const ListedOutput&) = delete;
  ListedOutput& operator=(const ListedOutput&) = delete;

 private:
  UnfinishedOutput output_;
};
std::vector<UnfinishedOutput> unfinished_outputs();

class OutputSink {
 public:
  // Creates `path` only when nothing of that name exists. Null on failure,
  // with `error` set to the AVERROR of the failure.
  static std::unique_ptr<OutputSink> create(const std::string& path, int& error);
  ~OutputSink();  // closes without reporting, when close() was not called
  OutputSink(const OutputSink&) = delete;
  OutputSink& operator=(const OutputSink&) = delete;

  AVIOContext* io() const { return io_; }
  // Flushes what the I/O context still holds and closes the descriptor.
  // 0 when every byte reached the file, else the AVERROR of the first
  // failure of the file's life.
  int close();

  // Lets the muxer read back what it wrote, as MP4's faststart does when it
  // moves the index to the front: `output`'s io_open then opens a reader
  // over a duplicate of this sink's descriptor (pread, leaving the write
  // position alone), never the file by its name, which may lead elsewhere
  // by then. A read that fails becomes the sink's error.
  void let_muxer_read_back(AVFormatContext* output);

  // The modification time close() gives the file once its last byte is in
  // (seconds since 1970, UTC).
  void set_modification_time(int64_t seconds) { modification_time_ = seconds; }

  // Where the file this sink writes is now, while its descriptor is open:
  // still at `path`, deleted (no name leads to it any more: its data go
  // with the descriptor), or moved (a name elsewhere leads to it).
  enum class Place { at_path, deleted, moved };
  Place place(const std::string& path) const;

  dev_t device() const { return device_; }
  ino_t inode() const { return inode_; }
  int64_t bytes_written() const { return bytes_written_; }

 private:
  OutputSink() = default;
  static int write(void* opaque, uint8_t* data, int size);
  static int64_t seek(void* opaque, int64_t offset, int whence);
  static int open_reader(AVFormatContext* output, AVIOContext** pb, const char* url, int flags,
                         AVDictionary** options);
  static int close_reader(AVFormatContext* output, AVIOContext* pb);
  void free_io();

  int fd_ = -1;
  AVIOContext* io_ = nullptr;
  int first_error_ = 0;        // AVERROR of the first failed write, seek or close
  int64_t bytes_written_ = 0;  // bytes handed to the file
  dev_t device_ = 0;           // identity of the file this sink created
  ino_t inode_ = 0;
  int64_t modification_time_ = -1;  // -1: the time of the last write
};

}  // namespace engine
