// One compilation's working state: the tables the compiler fills while it
// compiles a rule base (the remembered target searches, the generated lists
// and their indexes, the log macros and the alerts) and the symbol lookup it
// uses. A compilation owns its run (gen_rulebase and the verifications make
// one); the compiler's pieces reach the run of their thread through
// CompileRun::current(), so two compilations never see each other's tables.
// Pieces called outside any compilation (tests, the router generators) work
// in the thread's default run.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

class CompileRun {
public:
  // What one part of the compiler keeps in a run.
  struct Part {
    virtual ~Part() = default;
  };
  enum class Slot { targets, lists, logs, count_ };
  using SymbolLookup = bool (*)(const char *name, const char *types, uint32_t *number);

  // A fresh run; it takes the symbol lookup of the current run.
  CompileRun();
  CompileRun(const CompileRun &) = delete;
  CompileRun &operator=(const CompileRun &) = delete;

  // Drops every table: the state of a fresh compilation. The lookup stays.
  void reset() { parts_ = {}; }

  // The part kept in `slot`, made on first use.
  template <typename T> T &part(Slot slot) {
    std::unique_ptr<Part> &p = parts_[static_cast<size_t>(slot)];
    if (!p) p = std::make_unique<T>();
    return static_cast<T &>(*p);
  }

  // The system's name tables unless a front end or test installed its own.
  SymbolLookup lookup = nullptr;

  // The run of this thread: the innermost one a CompileRunScope installed,
  // else the thread's default run.
  static CompileRun &current();

private:
  friend class CompileRunScope;
  std::array<std::unique_ptr<Part>, static_cast<size_t>(Slot::count_)> parts_;
};

// Makes `run` the current run of this thread while it lives.
class CompileRunScope {
public:
  explicit CompileRunScope(CompileRun &run);
  ~CompileRunScope();
  CompileRunScope(const CompileRunScope &) = delete;
  CompileRunScope &operator=(const CompileRunScope &) = delete;

private:
  CompileRun *prev_;
};
