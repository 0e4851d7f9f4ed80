#pragma once
// The runner's connect lock: the workers' connects and disconnects happen one at a time, because
// some drivers (SQLite's) add and remove their connections in a list of the shared ODBC
// environment without a lock of their own, and a disconnect racing a connect can leave that list
// circular. Disconnects go first: with thousands of workers queued to connect, a disconnect
// waiting its turn behind them would keep every finished connection open until the last connect,
// and a short run of 10240 threads took 80 s instead of a few.
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
