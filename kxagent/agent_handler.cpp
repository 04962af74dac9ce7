#include "kxagent/agent_handler.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>

#include <map>

#include "kxagent/agent_state.h"

namespace {

std::string state_path;
// Values set by managers: they override the file until the agent ends.
std::map<KxAgentOid, std::string> written;

const oid subtree[] = {1, 3, 6, 1, 4, 1, 32473};

KxAgentTable current() {
  KxAgentTable t = kx_agent_load(state_path);
  for (const auto &[o, s] : written)
    if (auto it = t.find(o); it != t.end()) it->second.text = s;
  return t;
}

KxAgentOid to_oid(const oid *name, size_t len) {
  KxAgentOid o;
  for (size_t i = 0; i < len; ++i) o.push_back(static_cast<uint32_t>(name[i]));
  return o;
}

void answer(netsnmp_variable_list *vb, const KxAgentValue &v) {
  if (v.counter) {
    const u_long n = v.count;
    snmp_set_var_typed_value(vb, ASN_COUNTER, &n, sizeof n);
  } else if (v.integer) {
    const long n = v.count;
    snmp_set_var_typed_value(vb, ASN_INTEGER, &n, sizeof n);
  } else {
    snmp_set_var_typed_value(vb, ASN_OCTET_STR, v.text.data(), v.text.size());
  }
}

int handle(netsnmp_mib_handler *, netsnmp_handler_registration *, netsnmp_agent_request_info *info,
           netsnmp_request_info *requests) {
  const KxAgentTable t = current();
  for (netsnmp_request_info *r = requests; r; r = r->next) {
    if (r->processed) continue;
    netsnmp_variable_list *vb = r->requestvb;
    const KxAgentOid name = to_oid(vb->name, vb->name_length);
    switch (info->mode) {
    case MODE_GET: {
      auto it = t.find(name);
      if (it == t.end()) netsnmp_set_request_error(info, r, SNMP_NOSUCHINSTANCE);
      else answer(vb, it->second);
      break;
    }
    case MODE_GETNEXT: {
      const auto *next = kx_agent_next(t, name);
      if (!next) break; // past our subtree: the agent goes on
      std::vector<oid> o(next->first.begin(), next->first.end());
      snmp_set_var_objid(vb, o.data(), o.size());
      answer(vb, next->second);
      break;
    }
    case MODE_SET_RESERVE1: {
      auto it = t.find(name);
      if (it == t.end() || !it->second.writable)
        netsnmp_set_request_error(info, r, SNMP_ERR_NOTWRITABLE);
      else if (vb->type != ASN_OCTET_STR)
        netsnmp_set_request_error(info, r, SNMP_ERR_WRONGTYPE);
      else if (vb->val_len > 255)
        netsnmp_set_request_error(info, r, SNMP_ERR_WRONGLENGTH);
      break;
    }
    case MODE_SET_COMMIT:
      written[name].assign(reinterpret_cast<const char *>(vb->val.string), vb->val_len);
      break;
    default:
      break;
    }
  }
  return SNMP_ERR_NOERROR;
}

} // namespace

void kx_agent_register(const std::string &state_file) {
  state_path = state_file;
  netsnmp_handler_registration *reg = netsnmp_create_handler_registration(
      "kxagent", handle, subtree, OID_LENGTH(subtree), HANDLER_CAN_RWRITE);
  netsnmp_register_handler(reg);
}
