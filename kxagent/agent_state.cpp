#include "kxagent/agent_state.h"

#include <fstream>
#include <sstream>

namespace {

const KxAgentOid kx_module = {1, 3, 6, 1, 4, 1, 32473, 1};
const KxAgentOid wf_sys = {1, 3, 6, 1, 4, 1, 32473, 2, 1};
const KxAgentOid wf_filter_name = {1, 3, 6, 1, 4, 1, 32473, 2, 2, 1, 1, 2};
const KxAgentOid wf_filter_index = {1, 3, 6, 1, 4, 1, 32473, 2, 2, 1, 1, 1};

KxAgentOid with(KxAgentOid base, std::initializer_list<uint32_t> tail) {
  base.insert(base.end(), tail);
  return base;
}

KxAgentValue text(std::string s, bool writable = false) {
  KxAgentValue v;
  v.text = std::move(s);
  v.writable = writable;
  return v;
}

KxAgentValue counter(const std::string &s) {
  KxAgentValue v;
  v.counter = true;
  uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    n = n * 10 + static_cast<uint64_t>(c - '0');
    if (n > 0xffffffffULL) {
      n = 0xffffffffULL;
      break;
    }
  }
  v.count = static_cast<uint32_t>(n);
  return v;
}

} // namespace

KxAgentTable kx_agent_parse(const std::string &input) {
  std::map<std::string, std::string> kv = {{"state", "not installed"}};
  std::vector<std::string> filters;
  std::istringstream in(input);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > kx_agent_line_max) line.resize(kx_agent_line_max);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t sp = line.find(' ');
    const std::string key = line.substr(0, sp);
    const std::string value = sp == std::string::npos ? "" : line.substr(sp + 1);
    if (key == "wf_filter") {
      if (filters.size() < kx_agent_rows_max) filters.push_back(value);
    } else {
      kv[key] = value;
    }
  }
  KxAgentTable t;
  t[with(kx_module, {1, 0})] = text(kv["state"]);
  t[with(kx_module, {2, 0})] = text(kv["filter"]);
  t[with(kx_module, {3, 0})] = text(kv["date"]);
  t[with(kx_module, {4, 0})] = counter(kv["accepted"]);
  t[with(kx_module, {5, 0})] = counter(kv["rejected"]);
  t[with(kx_module, {6, 0})] = counter(kv["dropped"]);
  t[with(kx_module, {7, 0})] = counter(kv["logged"]);
  t[with(wf_sys, {1, 0})] = text(kv["wf_descr"]);
  t[with(wf_sys, {2, 0})] = text(kv["wf_name"], true);
  t[with(wf_sys, {3, 0})] = text(kv["wf_contact"], true);
  t[with(wf_sys, {4, 0})] = text(kv["wf_location"], true);
  for (size_t i = 0; i < filters.size(); ++i) {
    const uint32_t row = static_cast<uint32_t>(i + 1);
    KxAgentValue index;
    index.integer = true;
    index.count = row;
    t[with(wf_filter_index, {row})] = index;
    t[with(wf_filter_name, {row})] = text(filters[i]);
  }
  return t;
}

KxAgentTable kx_agent_load(const std::string &path) {
  std::ifstream in(path);
  std::ostringstream ss;
  if (in) ss << in.rdbuf();
  return kx_agent_parse(ss.str());
}

const std::pair<const KxAgentOid, KxAgentValue> *kx_agent_next(const KxAgentTable &t,
                                                               const KxAgentOid &oid) {
  auto it = t.upper_bound(oid);
  return it == t.end() ? nullptr : &*it;
}
