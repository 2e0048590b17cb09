// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A job's outcome in the words the window and clipmill-convert show: the
// row's done text, the plain reason, the technical detail and the batch's
// closing count.

#include <string>

#include "batch/conversion_job.h"

namespace batch {

// "100 %", "Cancelled" or "Failed".
std::string done_text(const JobOutcome& outcome);
// "converted", "cancelled" or "failed", for report lines.
const char* outcome_word(const JobOutcome& outcome);
// The reason in plain words ("No space left on the disk", ...; an alert's
// own message); for a converted file, empty or what it lacks ("The source
// ends early; converted up to 00:04").
std::string outcome_reason(const JobOutcome& outcome);
// Where it happened and the library's or system's own text ("writing the
// file: No space left on device"); empty when there was no error.
std::string outcome_detail(const JobOutcome& outcome);
// The row's tooltip: the output's path for a converted or cancelled file
// (and the job's notes under it), the reason and its detail for a failed
// one.
std::string outcome_tooltip(const JobOutcome& outcome);

struct BatchCounts {
  int converted = 0, failed = 0, cancelled = 0;
  int not_started = 0;  // ticked rows a Cancel kept from starting
  void add(const JobOutcome& outcome);
};
// "12 converted, 1 failed, 1 cancelled, 4 not started"; parts that are zero
// are left out.
std::string summary_text(const BatchCounts& counts);

}  // namespace batch
