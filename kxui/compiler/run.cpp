#include "kxui/compiler/run.h"

namespace {

thread_local CompileRun *active = nullptr;
thread_local CompileRun *default_made = nullptr;

CompileRun &default_run() {
  thread_local CompileRun run;
  default_made = &run;
  return run;
}

} // namespace

CompileRun::CompileRun() {
  if (const CompileRun *from = active ? active : default_made) lookup = from->lookup;
}

CompileRun &CompileRun::current() { return active ? *active : default_run(); }

CompileRunScope::CompileRunScope(CompileRun &run) : prev_(active) { active = &run; }

CompileRunScope::~CompileRunScope() { active = prev_; }
