#pragma once
// The conversion job: one input file into one output file, with the
// progress counters reset at its start and every engine table empty at its
// end, whatever the outcome. A job that fails after it created its output
// removes that file (only that file); a cancelled job keeps its complete
// file.

#include <cstdint>
#include <string>

#include "engine/job_error.h"

namespace batch {

enum JobResult : int {
  kJobRan = 0,           // converted: the output is complete
  kJobNoOutput = 1,      // the output file could not be made
  kJobNoInput = 2,       // the source could not be opened as media
  kJobCancelled = 3,     // stopped by the user; the output is complete up to there
  kJobWriteFailed = 4,   // writing the output failed (disk full, I/O error)
  kJobHeaderFailed = 5,  // the container refused the streams' header
  kJobCodecFailed = 6,   // an encoder, decoder or converter could not be set up
  kJobSourceFailed = 7,  // the source became unreadable or shorter during the job
};

struct JobOutcome {
  int code = kJobRan;
  engine::JobError error;     // the first error, for every failure code
  int32_t frames = 0;         // pictures decoded
  int64_t bytes_written = 0;  // bytes the job wrote to its output
  std::string output_path;    // the job's output (gone again after a failure)
};

bool succeeded(const JobOutcome& outcome);

// Converts engine::state().params.input_path into params.output_path.
JobOutcome convert_file();

}  // namespace batch
