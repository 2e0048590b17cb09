// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/conversion_job.h"

#include "batch/progress_state.h"
#include "engine/hooks.h"

namespace batch {

engine::CarryOver& window_carry_over() {
  static engine::CarryOver carry;
  return carry;
}

engine::JobHooks window_job_hooks() {
  auto& progress = batch::progress();
  const engine::Hooks& display = engine::hooks();
  engine::JobHooks hooks;
  hooks.message_box = display.message_box;
  hooks.show_preview_picture = display.show_preview_picture;
  hooks.clear_preview = display.clear_preview;
  hooks.stop = &progress.stop_requested;
  hooks.preview = &progress.preview;
  hooks.preview_countdown = &engine::preview_countdown();
  return hooks;
}

JobOutcome convert_file(const engine::JobSpec& spec, engine::JobHooks hooks) {
  auto& progress = batch::progress();
  const engine::JobHooks window = window_job_hooks();
  if (!hooks.message_box) hooks.message_box = window.message_box;
  if (!hooks.show_preview_picture) hooks.show_preview_picture = window.show_preview_picture;
  if (!hooks.clear_preview) hooks.clear_preview = window.clear_preview;
  if (!hooks.stop) hooks.stop = window.stop;
  if (!hooks.preview) hooks.preview = window.preview;
  if (!hooks.preview_countdown) hooks.preview_countdown = window.preview_countdown;
  if (!hooks.counters) hooks.counters = &progress;
  if (!hooks.carry_over) hooks.carry_over = &window_carry_over();

  // The monitor may poll before the engine has measured the new source.
  progress.decoded_frame_count.store(0, std::memory_order_relaxed);
  progress.progress_position.store(0, std::memory_order_relaxed);
  progress.input_size.store(0, std::memory_order_relaxed);
  progress.job_start_time.store(millisecond_tick(), std::memory_order_relaxed);
  progress.conversion_running.store(true, std::memory_order_relaxed);
  progress.clock_running.store(true, std::memory_order_relaxed);
  JobOutcome outcome = engine::convert(spec, hooks);
  progress.clock_running.store(false, std::memory_order_relaxed);
  progress.conversion_running.store(false, std::memory_order_relaxed);
  return outcome;
}

}  // namespace batch
