// The tables of the objects database as the object layer and everything above
// it sees them. The objects file layer (kxui/objfile) fills and clears them;
// they live here so that the object layer can reach kx_netobj without
// depending on the layer that loads it.
#pragma once

#include "kxset/kxset.h"

// The file sets and the merged view. Each holds one count while loaded; all
// are null before the first load and after destruct_objects.
extern kxset *kx_objects;  // merged view: the top-level tables of every file
extern kxset *kx_confobj;  // conf/objects.C (or $KX_OBJECTS)
extern kxset *kx_authobj;  // conf/auth.C
extern kxset *kx_applobj;  // a mode's own file (conf/logviewer.C), else kx_confobj
extern kxset *kx_setupobj; // lib/setup.C
extern kxset *kx_wellfleet; // conf/wellfleet.C

// The well-known tables (never null after a load).
extern kxset *kx_actions;      // "actobj"       setup
extern kxset *kx_trackobj;     // "trackobj"     setup
extern kxset *kx_targets;      // "targobj"      setup
extern kxset *kx_kxobj;        // "kxobj"        setup
extern kxset *kx_ifobj;        // "ifmenu"       setup
extern kxset *kx_iflogmenu;    // "iflogmenu"    setup
extern kxset *kx_wellfields;   // "fields"       wellfleet
extern kxset *kx_wellprops;    // "wprops"       wellfleet
extern kxset *kx_wellactions;  // "wactions"     wellfleet
extern kxset *kx_wellsetup;    // "wsetup"       wellfleet
extern kxset *kx_servgen;      // "servgen"      objects
extern kxset *kx_netobj;       // "netobj"       objects
extern kxset *kx_services;     // "servobj"      objects
extern kxset *kx_props;        // "props"        objects
extern kxset *kx_translations; // "translations" objects
extern kxset *kx_authdom;      // "auth-domain"  auth
extern kxset *kx_lvobj;        // "log-props"    application file

