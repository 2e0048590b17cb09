// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The batch: converts every ticked row of the window's input list, from the
// top down, with "Files at once" jobs at a time (one by default). The thread
// that runs it takes the rows, hands each to a job slot (a thread per job)
// and alone writes the window: the rows' outcomes and, every 90 ms, the
// status area. A Batch also holds what lives from one batch to the next:
// the Cancel flag, the preview switch and countdown, the settings the jobs
// hand on and the job record each row is prepared over.

#include <atomic>
#include <memory>
#include <vector>

#include "batch/batch_window.h"
#include "engine/job.h"

namespace batch {

class Batch {
 public:
  Batch();
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // Converts the window's ticked rows and returns once every job of the
  // batch has ended. Runs on the calling thread; one run at a time. The
  // window is asked for its rows at the start, so a row added later waits
  // for the next batch. Returns 0.
  int run(BatchWindow& window);

  // Cancel: the running files end properly and no further row starts.
  void cancel() { stop_.store(true, std::memory_order_relaxed); }
  // Lets the next run start: a Cancel given before no longer applies. Only
  // while no run is going on.
  void clear_cancel() { stop_.store(false, std::memory_order_relaxed); }
  bool cancelled() const { return stop_.load(std::memory_order_relaxed); }

  // "Preview during conversion": decoded pictures are shown while it is on,
  // a change taking effect at the next picture.
  void set_preview(bool on) { preview_.store(on, std::memory_order_relaxed); }
  bool preview() const { return preview_.load(std::memory_order_relaxed); }

 private:
  // Cancel asked. Written by cancel and clear_cancel on the thread that owns
  // the Batch (the window's UI thread; clipmill-convert's cancel timer);
  // read by the run before every row and by every job once per packet.
  std::atomic<bool> stop_{false};
  // Show pictures. Written by set_preview on the window's UI thread; read
  // by the job of the first slot for every decoded picture.
  std::atomic<bool> preview_{false};
  // Pictures before the next shown one, counting on across jobs and
  // batches: the job of the first slot, the one that draws the preview.
  std::atomic<int> preview_countdown_{10};
  // The record each row is prepared over, so that a row whose format the
  // table does not know keeps the codec choices of the row before (the
  // run's thread).
  engine::JobSpec spec_;
  // The settings the jobs of each slot hand on to the next, kept from batch
  // to batch; the slot's job thread while its job runs, the run's thread
  // otherwise.
  std::vector<std::unique_ptr<engine::CarryOver>> carry_overs_;
};

}  // namespace batch
