#include "serial/line_arbiter.h"

#include <utility>

namespace {
size_t Slot(LineOwner owner) { return static_cast<size_t>(owner); }
}  // namespace

LineArbiter::Lease::Lease(Lease&& other) noexcept
    : arbiter_(std::exchange(other.arbiter_, nullptr)), owner_(other.owner_) {}

LineArbiter::Lease& LineArbiter::Lease::operator=(Lease&& other) noexcept {
  if (this != &other) {
    Release();
    arbiter_ = std::exchange(other.arbiter_, nullptr);
    owner_ = other.owner_;
  }
  return *this;
}

void LineArbiter::Lease::Release() {
  if (LineArbiter* arbiter = std::exchange(arbiter_, nullptr)) arbiter->Release(owner_);
}

LineArbiter::Lease LineArbiter::Hold(LineOwner owner) {
  if (owner == LineOwner::kNone) return {};
  std::lock_guard<std::mutex> lock(mutex_);
  ++holds_[Slot(owner)];
  return Lease(this, owner);
}

void LineArbiter::Release(LineOwner owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  --holds_[Slot(owner)];
}

LineOwner LineArbiter::OwnerLocked() const {
  for (LineOwner o : {LineOwner::kDownload, LineOwner::kModeDialogue, LineOwner::kConfig})
    if (holds_[Slot(o)] > 0) return o;
  return LineOwner::kNone;
}

LineOwner LineArbiter::Owner() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return OwnerLocked();
}

bool LineArbiter::WriteIfFree(LineOwner self, const std::function<void()>& write) {
  // The lock stays held through the write: a Hold that comes meanwhile returns only
  // after the write, so the operation's first byte follows the background ones.
  std::lock_guard<std::mutex> lock(mutex_);
  const LineOwner owner = OwnerLocked();
  if (owner != LineOwner::kNone && owner != self) return false;
  write();
  return true;
}
