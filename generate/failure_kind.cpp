#include "generate/failure_kind.h"

namespace pindle {

bool RefusesTheBatch(FailureKind kind) {
  return kind == FailureKind::Certificate || kind == FailureKind::MissingValue || kind == FailureKind::KeyMoved;
}

}  // namespace pindle
