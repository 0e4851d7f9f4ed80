// The floor under a load test of one small statement: N connections on N threads, each running
// the statement and reading its rows M times as fast as it can. With nothing between the loop and
// the connection this is what the driver and the server allow; a load-test run of the same work
// can only be slower, and the difference is what the run itself costs.
//
//   odbc_loop [--raw] [--sql TEXT] CLIENTS EXECUTIONS CONNECTION_STRING
//
// By default the loop goes through kavra's CDB (Execute, Fetch, GetColumnText, CloseCursor), the
// layer the load-test workers use; --raw calls unixODBC directly (SQLExecDirectW, SQLFetch,
// SQLGetData, SQLCloseCursor), so the two together show what kavra adds. Each execution fetches
// every row and reads every column as text, as a worker does.
//
// Connecting is not timed: every thread connects, then waits at a start gate; the clock runs from
// opening the gate to the end of the last thread. The result is one line of key=value pairs
// (compare_load.sh reads it); failures go to stderr with exit code 1.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kavra/CDB.h"
#include "kavra/ConnInfo.h"
#include "platform/Text.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr long long kMaxClients = 10240;

void Print(std::FILE* stream, const std::wstring& text) {
  std::fputs(platform::ToUtf8(text).c_str(), stream);
}

void Usage() {
  Print(stderr,
        L"usage: odbc_loop [--raw] [--sql TEXT] CLIENTS EXECUTIONS CONNECTION_STRING\n"
        L"  CLIENTS connections on as many threads, each running the statement (default\n"
        L"  \"SELECT 1\") EXECUTIONS times; prints executions per second from the start gate to\n"
        L"  the end of the last thread. --raw calls unixODBC directly instead of kavra.\n");
}

struct Options {
  bool raw = false;
  std::wstring sql = L"SELECT 1";
  long long clients = 0;
  long long executions = 0;
  std::wstring connString;
};

bool ParseCount(const std::wstring& text, long long limit, long long* out) {
  return platform::ParseInt64(text, *out) && *out >= 1 && *out <= limit;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  std::vector<std::wstring> positional;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = platform::FromUtf8(argv[i]);
    if (arg == L"--raw") {
      options->raw = true;
    } else if (arg == L"--sql") {
      if (++i >= argc) return false;
      options->sql = platform::FromUtf8(argv[i]);
    } else if (platform::StartsWith(arg, L"--")) {
      Print(stderr, L"odbc_loop: unknown option " + arg + L"\n");
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3) return false;
  if (!ParseCount(positional[0], kMaxClients, &options->clients)) {
    Print(stderr, L"odbc_loop: CLIENTS must be a whole number from 1 to 10240, not '" +
                      positional[0] + L"'\n");
    return false;
  }
  if (!ParseCount(positional[1], 1'000'000'000, &options->executions)) {
    Print(stderr, L"odbc_loop: EXECUTIONS must be a whole number from 1, not '" + positional[1] +
                      L"'\n");
    return false;
  }
  options->connString = positional[2];
  return !options->sql.empty() && !options->connString.empty();
}

// One client of either kind: Connect on its thread before the gate, then Run after it. Both
// return false with Error() set on failure.
class Client {
 public:
  virtual ~Client() = default;
  virtual bool Connect(const std::wstring& connString) = 0;
  virtual bool Run(const std::wstring& sql, long long executions) = 0;
  const std::wstring& Error() const { return error_; }

 protected:
  std::wstring error_;
};

class KavraClient : public Client {
 public:
  bool Connect(const std::wstring& connString) override {
    db_.reset(CDB::newDB(0));
    if (!db_) return Fail(L"no ODBC environment");
    CONN_INFO info;
    info.Kind = CONN_STRING;
    info.ConnString = connString;
    if (!CDB::isOK(db_->OpenConnection(&info))) return Fail(L"connect: " + db_->ErrorText);
    return true;
  }

  bool Run(const std::wstring& sql, long long executions) override {
    std::wstring value;
    int columns = -1;
    for (long long i = 0; i < executions; ++i) {
      if (!CDB::isOK(db_->Execute(sql))) return Fail(L"execute: " + db_->ErrorText);
      if (columns < 0 && !CDB::isOK(db_->ColumnCount(&columns)))
        return Fail(L"column count: " + db_->ErrorText);
      if (columns <= 0) continue;  // no result set, so no cursor to close
      int rc;
      while ((rc = db_->Fetch()) == CDB::kOk) {
        for (int c = 1; c <= columns; ++c) {
          int size = 0;
          if (!CDB::isOK(db_->GetColumnText(c, &value, &size)))
            return Fail(L"read: " + db_->ErrorText);
        }
      }
      if (rc != CDB::kNoData) return Fail(L"fetch: " + db_->ErrorText);
      if (!CDB::isOK(db_->CloseCursor())) return Fail(L"close cursor: " + db_->ErrorText);
    }
    return true;
  }

 private:
  bool Fail(const std::wstring& text) {
    error_ = text;
    return false;
  }

  std::unique_ptr<CDB> db_;
};

// The unixODBC calls without kavra. SQLWCHAR is 16 bits (kavra checks the same).
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

SQLWCHAR* Wide(std::u16string& s) { return reinterpret_cast<SQLWCHAR*>(s.data()); }

class RawClient : public Client {
 public:
  explicit RawClient(SQLHENV env) : env_(env) {}
  ~RawClient() override {
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    if (connected_) SQLDisconnect(dbc_);
    if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool Connect(const std::wstring& connString) override {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
      dbc_ = SQL_NULL_HDBC;
      return Fail(SQL_HANDLE_ENV, env_, L"SQLAllocHandle(DBC)");
    }
    std::u16string text = platform::ToUtf16(connString);
    if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc_, nullptr, Wide(text), SQL_NTS, nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT)))
      return Fail(SQL_HANDLE_DBC, dbc_, L"SQLDriverConnectW");
    connected_ = true;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_))) {
      stmt_ = SQL_NULL_HSTMT;
      return Fail(SQL_HANDLE_DBC, dbc_, L"SQLAllocHandle(STMT)");
    }
    return true;
  }

  bool Run(const std::wstring& sql, long long executions) override {
    std::u16string text = platform::ToUtf16(sql);
    SQLWCHAR buffer[4096];
    SQLSMALLINT columns = -1;
    for (long long i = 0; i < executions; ++i) {
      if (!SQL_SUCCEEDED(SQLExecDirectW(stmt_, Wide(text), SQL_NTS)))
        return Fail(SQL_HANDLE_STMT, stmt_, L"SQLExecDirectW");
      if (columns < 0 && !SQL_SUCCEEDED(SQLNumResultCols(stmt_, &columns)))
        return Fail(SQL_HANDLE_STMT, stmt_, L"SQLNumResultCols");
      if (columns <= 0) continue;  // no result set, so no cursor to close
      SQLRETURN rc;
      while ((rc = SQLFetch(stmt_)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
          SQLLEN indicator = 0;
          if (!SQL_SUCCEEDED(
                  SQLGetData(stmt_, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator)))
            return Fail(SQL_HANDLE_STMT, stmt_, L"SQLGetData");
        }
      }
      if (rc != SQL_NO_DATA) return Fail(SQL_HANDLE_STMT, stmt_, L"SQLFetch");
      if (!SQL_SUCCEEDED(SQLCloseCursor(stmt_)))
        return Fail(SQL_HANDLE_STMT, stmt_, L"SQLCloseCursor");
    }
    return true;
  }

 private:
  bool Fail(SQLSMALLINT type, SQLHANDLE handle, const wchar_t* what) {
    error_ = what;
    SQLWCHAR state[6] = {};
    SQLWCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(
            SQLGetDiagRecW(type, handle, 1, state, &native, message, 1024, &length))) {
      error_ += L": [" + platform::FromUtf16(reinterpret_cast<const char16_t*>(state)) + L"] " +
                platform::FromUtf16(reinterpret_cast<const char16_t*>(message));
    }
    return false;
  }

  SQLHENV env_;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  bool connected_ = false;
};

// The raw clients' environment; kavra makes its own.
class RawEnvironment {
 public:
  RawEnvironment() {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
      env_ = SQL_NULL_HENV;
      return;
    }
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  ~RawEnvironment() {
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  RawEnvironment(const RawEnvironment&) = delete;
  RawEnvironment& operator=(const RawEnvironment&) = delete;
  SQLHENV Get() const { return env_; }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
};

struct Outcome {
  bool connected = false;
  bool ran = false;
  Clock::time_point end;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    Usage();
    return 2;
  }
  RawEnvironment rawEnv;
  if (options.raw && !rawEnv.Get()) {
    Print(stderr, L"odbc_loop: unixODBC could not make an environment\n");
    return 1;
  }

  const size_t n = static_cast<size_t>(options.clients);
  std::vector<std::unique_ptr<Client>> clients;
  for (size_t i = 0; i < n; ++i) {
    if (options.raw)
      clients.push_back(std::make_unique<RawClient>(rawEnv.Get()));
    else
      clients.push_back(std::make_unique<KavraClient>());
  }
  std::vector<Outcome> outcomes(n);
  std::latch connected(static_cast<std::ptrdiff_t>(n));
  std::atomic<int> gate{0};  // 1: run, 2: a client could not connect, nobody runs

  const Clock::time_point connectStart = Clock::now();
  std::vector<std::thread> threads;
  threads.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    threads.emplace_back([&, i] {
      Outcome& outcome = outcomes[i];
      outcome.connected = clients[i]->Connect(options.connString);
      connected.count_down();
      gate.wait(0);
      if (gate.load() == 1) outcome.ran = clients[i]->Run(options.sql, options.executions);
      outcome.end = Clock::now();
    });
  }
  connected.wait();
  const Clock::time_point start = Clock::now();
  const bool allConnected =
      std::all_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.connected; });
  gate.store(allConnected ? 1 : 2);
  gate.notify_all();
  for (std::thread& t : threads) t.join();

  int failures = 0;
  for (size_t i = 0; i < n; ++i) {
    if (outcomes[i].ran) continue;
    // Without a full set of connections nobody ran; only the connect failures are news then.
    if (!allConnected && outcomes[i].connected) continue;
    if (++failures <= 5)
      Print(stderr, platform::Format(L"odbc_loop: client %d: ", static_cast<int>(i + 1)) +
                        clients[i]->Error() + L"\n");
  }
  if (failures > 0) {
    Print(stderr, platform::Format(L"odbc_loop: %d of %d clients failed\n", failures,
                                   static_cast<int>(n)));
    return 1;
  }

  Clock::time_point last = start;
  for (const Outcome& o : outcomes) last = std::max(last, o.end);
  const double seconds = std::chrono::duration<double>(last - start).count();
  const double connectSeconds = std::chrono::duration<double>(start - connectStart).count();
  const long long total = options.clients * options.executions;
  const double rate = seconds > 0 ? static_cast<double>(total) / seconds : 0.0;
  Print(stdout, std::wstring(L"odbc_loop mode=") + (options.raw ? L"raw" : L"kavra") +
                    L" clients=" + platform::FromInt(options.clients) +
                    L" executions=" + platform::FromInt(total) +
                    L" seconds=" + platform::FormatFixed(seconds, 6) +
                    L" statements_per_second=" + platform::FormatFixed(rate, 1) +
                    L" connect_seconds=" + platform::FormatFixed(connectSeconds, 3) + L"\n");
  // The connections close as the clients go, outside the measured time.
  clients.clear();
  return 0;
}
