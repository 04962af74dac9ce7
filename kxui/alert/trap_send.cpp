#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstring>

#include "kxui/alert/trap.h"
#include "kxui/status/snmp_answer.h"
#include "kxui/status/snmp_client.h"
#include "kxu/kxdir.h"
#include "kxu/report.h"

const char *const kx_trap_enterprise = ".1.3.6.1.4.1.32473.1";

std::string kx_own_address() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) == 0) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo *res = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &res) == 0 && res) {
      char buf[INET_ADDRSTRLEN] = {};
      const auto *sin = reinterpret_cast<const sockaddr_in *>(res->ai_addr);
      inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf);
      freeaddrinfo(res);
      return buf;
    }
  }
  return "127.0.0.1";
}

namespace {

// The variable as numbers: numeric, or a name looked up in mib.txt.
bool resolve(const std::string &var, std::vector<oid> &out) {
  std::vector<uint32_t> parts;
  if (kx_parse_oid(var, parts)) {
    out.assign(parts.begin(), parts.end());
    return true;
  }
  const std::string mib = kx_filename("lib/snmp", "mib.txt", nullptr, nullptr, "SNMPDIR");
  netsnmp_init_mib();
  read_mib(mib.c_str());
  oid buf[MAX_OID_LEN];
  size_t len = MAX_OID_LEN;
  if (get_node(var.c_str(), buf, &len) || (len = MAX_OID_LEN, read_objid(var.c_str(), buf, &len))) {
    out.assign(buf, buf + len);
    return true;
  }
  return false;
}

} // namespace

int snmp_trap(const std::vector<std::string> &hosts, int generic, int specific,
              const std::string &var, const std::string &message) {
  kx_snmp_init();
  std::vector<oid> name;
  if (!resolve(var, name)) {
    error(0, 0, "snmp_trap: can't create variable");
    return -1;
  }
  std::vector<uint32_t> ent;
  if (!kx_parse_oid(kx_trap_enterprise, ent)) {
    error(0, 0, "snmp_trap: can't find enterprise name in mib");
    return -1;
  }
  const std::string own = kx_own_address();
  in_addr agent{};
  inet_pton(AF_INET, own.c_str(), &agent);
  int rc = 0;
  for (const std::string &host : hosts) {
    netsnmp_session s;
    snmp_sess_init(&s);
    s.version = SNMP_VERSION_1;
    std::string peer = host.find(':') == std::string::npos ? host + ":162" : host;
    peer = "udp:" + peer;
    std::vector<char> peer_buf(peer.begin(), peer.end());
    peer_buf.push_back('\0');
    s.peername = peer_buf.data();
    unsigned char community[] = "public";
    s.community = community;
    s.community_len = 6;
    s.callback = nullptr;
    void *sess = snmp_sess_open(&s);
    if (!sess) {
      error(0, 0, "snmp_trap: cannot reach %s", host.c_str());
      rc = -1;
      continue;
    }
    netsnmp_pdu *pdu = snmp_pdu_create(SNMP_MSG_TRAP);
    pdu->enterprise = static_cast<oid *>(malloc(ent.size() * sizeof(oid)));
    for (size_t k = 0; k < ent.size(); ++k) pdu->enterprise[k] = ent[k];
    pdu->enterprise_length = ent.size();
    std::memcpy(pdu->agent_addr, &agent, 4);
    pdu->trap_type = generic;
    pdu->specific_type = generic == 6 ? specific : 0;
    pdu->time = get_uptime();
    if (!snmp_pdu_add_variable(pdu, name.data(), name.size(), ASN_OCTET_STR, message.data(),
                               message.size())) {
      snmp_free_pdu(pdu);
      snmp_sess_close(sess);
      error(0, 0, "snmp_trap: can't create variable");
      return -1;
    }
    if (!snmp_sess_send(sess, pdu)) {
      snmp_free_pdu(pdu);
      error(0, 0, "snmp_trap: send to %s failed", host.c_str());
      rc = -1;
    }
    snmp_sess_close(sess);
  }
  return rc;
}
