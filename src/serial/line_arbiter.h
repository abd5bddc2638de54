#pragma once
// LineArbiter: the serial line has one owner at a time.
//
// An operation that talks to the device holds the line while it runs, through a Lease:
// a configuration operation (record reads and pictures are configuration operations),
// a firmware transfer, the debug console's mode dialogue. Background writers (the
// workspace's power-up "S", the debug console's timed send, the mode dialogue's "S",
// the boot loader "P" poll) write through WriteIfFree, which writes only while nobody
// else owns the line.
//
// When several operations hold the line at once, it belongs to the first of them in the
// order in which the receive thread serves them: the firmware transfer, then the mode
// dialogue, then the configuration operation. Holding never waits for another operation
// and is never refused; an operation's own writes go to the port directly.
//
// Qt-free; any thread. One object per port, living longer than every lease.
#include <array>
#include <functional>
#include <mutex>

enum class LineOwner { kNone = 0, kDownload, kModeDialogue, kConfig };

class LineArbiter {
 public:
  // Holds the line for one owner until it is released or destroyed. Movable.
  class Lease {
   public:
    Lease() = default;
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&& other) noexcept;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() { Release(); }

    void Release();
    bool Held() const { return arbiter_ != nullptr; }

   private:
    friend class LineArbiter;
    Lease(LineArbiter* arbiter, LineOwner owner) : arbiter_(arbiter), owner_(owner) {}
    LineArbiter* arbiter_ = nullptr;
    LineOwner owner_ = LineOwner::kNone;
  };

  LineArbiter() = default;
  LineArbiter(const LineArbiter&) = delete;
  LineArbiter& operator=(const LineArbiter&) = delete;

  // Holds the line for owner (kNone gives a lease that holds nothing). Waits only for a
  // background write under way, so that no background byte goes out after it returns.
  [[nodiscard]] Lease Hold(LineOwner owner);

  // Whom the line belongs to now; kNone while nobody holds it.
  LineOwner Owner() const;

  // A background write: runs write (which writes to the port) when the line belongs to
  // nobody or to self, and no lease begins until it has returned. False, without running
  // it, while the line belongs to another owner. write must not call the arbiter.
  bool WriteIfFree(LineOwner self, const std::function<void()>& write);

 private:
  void Release(LineOwner owner);
  LineOwner OwnerLocked() const;

  mutable std::mutex mutex_;
  std::array<int, 4> holds_{};  // leases held, by owner
};
