#pragma once
// The order of the workers' connects and disconnects. kavra already lets only one connect or
// disconnect of the process reach a driver at a time (drivers are not safe there); the gate
// decides who is next. Disconnects go first: with thousands of workers queued to connect, a
// disconnect waiting its turn behind them would keep every finished connection open until the
// last connect, and a short run of 10240 threads took 80 s instead of a few.
#include <condition_variable>
#include <mutex>

class ConnectGate {
 public:
  // Holds the gate from its making to its end.
  class [[nodiscard]] Hold {
   public:
    explicit Hold(ConnectGate* gate) : gate_(gate) {}
    ~Hold() { gate_->Release(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    ConnectGate* gate_;
  };

  Hold ForConnect();
  Hold ForDisconnect();

 private:
  void Release();

  std::mutex mutex_;
  std::condition_variable connectors_;
  std::condition_variable disconnectors_;
  bool busy_ = false;
  int waitingDisconnects_ = 0;
};
