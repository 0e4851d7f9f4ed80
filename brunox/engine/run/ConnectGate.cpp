#include "brunox/engine/run/ConnectGate.h"

ConnectGate::Hold ConnectGate::ForConnect() {
  std::unique_lock lock(mutex_);
  connectors_.wait(lock, [this] { return !busy_ && waitingDisconnects_ == 0; });
  busy_ = true;
  return Hold(this);
}

ConnectGate::Hold ConnectGate::ForDisconnect() {
  std::unique_lock lock(mutex_);
  ++waitingDisconnects_;
  disconnectors_.wait(lock, [this] { return !busy_; });
  --waitingDisconnects_;
  busy_ = true;
  return Hold(this);
}

void ConnectGate::Release() {
  // One waiter is woken, not all: ten thousand threads woken for every connect would cost more
  // than the connects.
  std::lock_guard lock(mutex_);
  busy_ = false;
  if (waitingDisconnects_ > 0)
    disconnectors_.notify_one();
  else
    connectors_.notify_one();
}
