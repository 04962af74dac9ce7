// kxc trace's arguments: the source and destination (dotted quads or object
// names), the service (a name or PROTO/PORT), the source port and the time,
// one per line. What parses is traced through a small policy on both of its
// targets, and the report is written as text and as JSON.
#include "fuzz/quiet.h"
#include "kxu/kxdir.h"
#include "kxui/analysis/load.h"
#include "kxui/analysis/trace.h"
#include "kxui/objfile/objects.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char kSetup[] = R"((setup
	:actobj ( : (accept :action (accept)) : (drop :action (drop)) : (reject :action (reject)) )
	:trackobj ( : (short :macro (LOG)) )
	:targobj ( : (Src) : (Dst) : (Gateways) : (Routers) )
	:kxobj ( : (Any) )
))";

const char kObjects[] = R"((objects
	:netobj (
		: (gw :type (gateway) :ipaddr (10.0.0.1) :location (internal) :firewall (installed)
			:if-0 (le0 :ifname (le0) :ipaddr 10.0.0.1 :netmask (255.255.255.0)))
		: (rtr :type (router) :vendor (cisco) :ipaddr (10.0.0.3) :location (internal))
		: (lan :type (network) :ipaddr (10.1.0.0) :netmask (255.255.0.0) :location (internal))
		: (web :type (host) :ipaddr (10.2.0.10) :location (internal))
		: (noaddr :type (host) :location (internal))
		: (.example.com :type (domain) :location (external))
		: (servers :type (group) : web)
	)
	:servobj (
		: (http :type (tcp) :port (80))
		: (high :type (tcp) :port (">1023"))
		: (dns :type (udp) :port (53))
		: (ping :type (icmp) :exp ("icmp_type = 8"))
		: (nfs :type (rpc) :prognum (100003))
		: (gre :type (other) :exp ("ip_p = 47"))
		: (webs :type (group) : http)
	)
	:props ( : (props :gatewaydir (inbound) :icmpenable (true)) )
))";

const char kRules[] = R"((Standard
	:rule ( :src ( : lan ) :dst ( : servers ) :services ( : http : nfs ) :action ( : accept ) :track () :install ( : Gateways ))
	:rule ( :src ( :op ("not in") : lan ) :dst ( : Any ) :services ( : high : gre ) :action ( : drop ) :track ( : short ) :install ( : Gateways : Routers ))
	:rule ( :src ( : Any ) :dst ( : Any ) :services ( : Any ) :action ( : reject ) :track () :install ( : Gateways : Routers ))
))";

struct Site {
  std::filesystem::path dir;
  rule_list rules;
  rule_array array;
  std::vector<kxan::Policy> policies;
  kxan::PolicyBuilder builder;
};

void write(const std::filesystem::path &p, const char *text) {
  std::FILE *f = std::fopen(p.c_str(), "w");
  if (!f) std::abort();
  std::fputs(text, f);
  std::fclose(f);
}

Site &site() {
  static Site *s = [] {
    auto *x = new Site;
    char tmpl[] = "/tmp/fuzz_trace_args.XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    x->dir = tmpl;
    std::filesystem::create_directories(x->dir / "conf");
    std::filesystem::create_directories(x->dir / "lib");
    write(x->dir / "lib/setup.C", kSetup);
    write(x->dir / "conf/objects.C", kObjects);
    write(x->dir / "conf/auth.C", "()\n");
    write(x->dir / "conf/wellfleet.C", "()\n");
    write(x->dir / "conf/Standard.W", kRules);
    kxdir = x->dir.string();
    if (load_objects(nullptr) != 0) std::abort();
    std::string err;
    std::optional<rule_list> r = kxan::read_rulebase((x->dir / "conf/Standard.W").string(), &err);
    if (!r) std::abort();
    x->rules = std::move(*r);
    for (const KxSetRef &k : x->rules) x->array.push_back(k.get());
    for (const kxan::Target &t : kxan::install_targets(x->array)) x->policies.push_back(x->builder.build(x->array, t));
    std::filesystem::remove_all(x->dir); // everything is loaded
    return x;
  }();
  return *s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  Site &s = site();
  std::vector<std::string> lines(5);
  size_t line = 0;
  for (size_t i = 0; i < size && line < lines.size(); ++i) {
    if (data[i] == '\n') ++line;
    else lines[line] += static_cast<char>(data[i]);
  }
  std::string err;
  kxan::Packet p;
  std::optional<uint32_t> src = kxan::parse_address(lines[0], &err);
  std::optional<uint32_t> dst = kxan::parse_address(lines[1], &err);
  std::optional<uint64_t> svc = kxan::parse_service(lines[2], s.builder.services(), &err);
  if (!lines[3].empty()) {
    std::optional<long> sport = kxan::parse_port(lines[3], &err);
    if (sport && (*sport < 0 || *sport > 65535)) std::abort();
    p.sport = sport.value_or(-1);
  }
  if (!lines[4].empty() && kxan::valid_iso_time(lines[4])) p.time = lines[4];
  if (svc) {
    // Every key reads back as some service text.
    if (kxan::service_text(*svc).empty()) std::abort();
  }
  if (!src || !dst || !svc) return 0;
  p.src = *src;
  p.dst = *dst;
  p.svc = *svc;
  p.service = lines[2];
  for (const kxan::Policy &policy : s.policies) {
    kxan::TraceResult t = kxan::trace(policy, p);
    const long first = kxan::first_match(policy, p);
    if ((first < 0) != (t.decided == nullptr)) std::abort();
    if (kxan::trace_text(policy, p, t).empty() || kxan::trace_json(policy, p, t).empty()) std::abort();
  }
  return 0;
}
