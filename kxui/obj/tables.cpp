#include "kxui/obj/tables.h"

kxset *kx_objects = nullptr;
kxset *kx_confobj = nullptr;
kxset *kx_authobj = nullptr;
kxset *kx_applobj = nullptr;
kxset *kx_setupobj = nullptr;
kxset *kx_wellfleet = nullptr;

kxset *kx_actions = nullptr;
kxset *kx_trackobj = nullptr;
kxset *kx_targets = nullptr;
kxset *kx_kxobj = nullptr;
kxset *kx_ifobj = nullptr;
kxset *kx_iflogmenu = nullptr;
kxset *kx_wellfields = nullptr;
kxset *kx_wellprops = nullptr;
kxset *kx_wellactions = nullptr;
kxset *kx_wellsetup = nullptr;
kxset *kx_servgen = nullptr;
kxset *kx_netobj = nullptr;
kxset *kx_services = nullptr;
kxset *kx_props = nullptr;
kxset *kx_translations = nullptr;
kxset *kx_authdom = nullptr;
kxset *kx_lvobj = nullptr;
