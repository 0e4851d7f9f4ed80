// How many values per second the pattern engine gives for typical patterns, in the three ways a
// caller meets it: rendering a compiled handle, handing the pattern text every time (the
// text-to-handle index in front of the rendering), and compiling. Each thread has its own engine,
// as the load-test workers do, so the 8-thread runs show how far the engine scales without
// sharing anything but process-wide tables.
//
// Benchmark names are "<mode>/<shape>"; the pattern text is the label. compare_faker.sh selects
// shapes by these names, so renaming one means renaming it there too.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/Text.h"
#include "synthor/engine/DGValue.h"
#include "synthor/engine/DSynthor.h"

namespace {

struct Shape {
  const char* name;
  const wchar_t* pattern;
};

// Built-ins that are not there yet fail to compile; their benchmarks report the engine's error
// instead of a figure, so the list can run ahead of the engine.
constexpr Shape kShapes[] = {
    {"code", L"AAA-NN"},
    {"letters3", L"A{=3}"},
    {"digits2to4", L"N{2:4}"},
    {"list3", L"<red|green|blue>"},
    {"optional", L"[AAA]N"},
    // '@' starts a column reference, so the address sign is escaped.
    {"email", L"aaaaaaaa\\@aaaaa.com"},
    {"hexguid", L"XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"},
    {"guid", L"$guid()"},
    {"rint", L"$rint(1,1000000)"},
    {"rfloat", L"$rfloat(0,1000,2)"},
    {"rdate", L"$rdate()"},
    {"rtime", L"$rtime()"},
    {"upper", L"$upper(a{=8})"},
    {"expression", L"$$($rint(1,1000)*2+1)"},
    // $regexp next to the JavaScript library's helpers.fromRegExp, on expressions both read alike.
    {"regexphex", L"$regexp([0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4})"},
    {"regexpphone", L"$regexp([2-9][0-9]{2}-[0-9]{3}-[0-9]{4})"},
    {"regexpcode", L"$regexp([A-Z]{2}[0-9]{2,4}X?)"},
};

constexpr uint32_t kSeed = 20240601;
constexpr int kColumn = 0;

// One engine per benchmark thread, set up as the load-test program does for a one-column row.
class ThreadEngine {
 public:
  explicit ThreadEngine(const benchmark::State& state) {
    engine_.Initialize(L"", kSeed + static_cast<uint32_t>(state.thread_index()), nullptr, 0);
    engine_.AddColumnName(L"c1");
  }
  ~ThreadEngine() { engine_.Terminate(); }
  ThreadEngine(const ThreadEngine&) = delete;
  ThreadEngine& operator=(const ThreadEngine&) = delete;

  DSynthor& operator*() { return engine_; }
  DSynthor* operator->() { return &engine_; }

  // "code text" of the engine's last error, for SkipWithError.
  std::string ErrorText() const {
    return platform::ToUtf8(platform::FromInt(engine_.ErrorCode()) + L" " + engine_.Error());
  }

 private:
  DSynthor engine_;
};

void RenderByHandle(benchmark::State& state, const Shape& shape) {
  ThreadEngine engine(state);
  const uint32_t handle = engine->Compile(shape.pattern, 1, kColumn, nullptr);
  if (handle == 0) state.SkipWithError(("does not compile: " + engine.ErrorText()).c_str());
  DGValue value;
  for (auto _ : state) {
    if (!engine->Value(kColumn, handle, &value, nullptr, 0)) {
      state.SkipWithError(("rendering failed: " + engine.ErrorText()).c_str());
      break;
    }
    benchmark::DoNotOptimize(value.value.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(platform::ToUtf8(shape.pattern));
}

void ValueByText(benchmark::State& state, const Shape& shape) {
  ThreadEngine engine(state);
  const std::wstring text = shape.pattern;
  DGValue value;
  // The first call compiles; the timed ones only find the text again.
  if (!engine->Value(kColumn, text, &value, nullptr))
    state.SkipWithError(("does not compile: " + engine.ErrorText()).c_str());
  for (auto _ : state) {
    if (!engine->Value(kColumn, text, &value, nullptr)) {
      state.SkipWithError(("value failed: " + engine.ErrorText()).c_str());
      break;
    }
    benchmark::DoNotOptimize(value.value.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(platform::ToUtf8(shape.pattern));
}

// Compile always renders the new pattern once as a trial, so this is compile plus one value.
// Without reuse every call keeps a new pattern; Terminate drops them now and then, as the end of
// a row does, so memory stays flat and the cost of deleting patterns is counted too.
void CompileOnly(benchmark::State& state, const Shape& shape) {
  constexpr int kPatternsPerRow = 1024;
  ThreadEngine engine(state);
  const std::wstring text = shape.pattern;
  if (engine->Compile(text, 0, -1, nullptr) == 0)
    state.SkipWithError(("does not compile: " + engine.ErrorText()).c_str());
  engine->Terminate();
  int kept = 0;
  for (auto _ : state) {
    uint32_t handle = engine->Compile(text, 0, -1, nullptr);
    if (handle == 0) {
      state.SkipWithError(("compile failed: " + engine.ErrorText()).c_str());
      break;
    }
    benchmark::DoNotOptimize(handle);
    if (++kept == kPatternsPerRow) {
      engine->Terminate();
      kept = 0;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(platform::ToUtf8(shape.pattern));
}

using BenchFunction = void (*)(benchmark::State&, const Shape&);

void RegisterMode(const char* mode, BenchFunction function) {
  for (const Shape& shape : kShapes) {
    const std::string name = std::string(mode) + "/" + shape.name;
    // Real time: with 8 threads items_per_second is then the engines' combined rate.
    benchmark::RegisterBenchmark(name.c_str(), function, shape)
        ->Threads(1)
        ->Threads(8)
        ->UseRealTime();
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterMode("by_handle", &RenderByHandle);
  RegisterMode("by_text", &ValueByText);
  RegisterMode("compile", &CompileOnly);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
