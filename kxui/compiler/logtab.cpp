#include "kxui/compiler/logtab.h"

#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/run.h"
#include "kxu/report.h"

namespace {

struct LogTables : CompileRun::Part {
  KxSetRef macros;
  KxSetRef alerts;
};

LogTables &tables() { return CompileRun::current().part<LogTables>(CompileRun::Slot::logs); }

} // namespace

kxset *kx_logmacros() {
  LogTables &t = tables();
  if (!t.macros) t.macros = KxSetRef(kxset::make());
  return t.macros.get();
}

void kx_logmacros_clear() { tables().macros = KxSetRef(kxset::make()); }

kxset *kx_alerttab() { return tables().alerts.get(); }

kxset *kx_alerttab_create() {
  LogTables &t = tables();
  if (!t.alerts) t.alerts = KxSetRef(kxset::make());
  return t.alerts.get();
}

std::string alert_text(const char *alert) { return kxu::format("<\"![%s]\">", alert); }

void gen_alerts(const kxset *default_track) {
  if (!default_track) return;
  kxset *tab = kx_alerttab_create();
  std::string alert(kxrb::text(default_track, "alert"));
  if (alert.empty()) return;
  tab->set(KxAtom(alert), kxset::make(KxAtom(alert_text(alert.c_str()))));
}
