#pragma once
// The conversion job: one input file into one output file, with the
// progress counters reset at its start and every engine table empty at its
// end, whatever the outcome.

namespace batch {

enum JobResult : int { kJobRan = 0, kJobNoOutput = 1, kJobNoInput = 2 };

int convert_file();  // converts engine::state().params.input_path into params.output_path

}  // namespace batch
