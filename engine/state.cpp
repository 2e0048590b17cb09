#include "engine/state.h"

namespace engine {

EngineState& state() {
  static EngineState s;
  return s;
}

}  // namespace engine
