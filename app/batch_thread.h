#pragma once
// The batch worker thread that "Convert!" starts (batch_commands.cpp).

namespace app {

// Whether a batch worker is still running. "Convert!" starts no second batch
// while one runs: both would drive the one engine.
bool batch_running();

}  // namespace app
