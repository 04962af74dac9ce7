#include "kxui/compiler/logtab.h"

#include "kxui/compiler/cellutil.h"
#include "kxu/report.h"

namespace {
KxSetRef g_logmacros;
KxSetRef g_alerts;
} // namespace

kxset *kx_logmacros() {
  if (!g_logmacros) g_logmacros = KxSetRef(kxset::make());
  return g_logmacros.get();
}

void kx_logmacros_clear() { g_logmacros = KxSetRef(kxset::make()); }

kxset *kx_alerttab() { return g_alerts.get(); }

kxset *kx_alerttab_create() {
  if (!g_alerts) g_alerts = KxSetRef(kxset::make());
  return g_alerts.get();
}

std::string alert_text(const char *alert) { return kxu::format("<\"![%s]\">", alert); }

void gen_alerts(const kxset *default_track) {
  if (!default_track) return;
  kxset *tab = kx_alerttab_create();
  std::string alert(kxrb::text(default_track, "alert"));
  if (alert.empty()) return;
  tab->set(KxAtom(alert), kxset::make(KxAtom(alert_text(alert.c_str()))));
}
