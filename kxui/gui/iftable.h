// The editable "Network Interfaces" table of the host, gateway and router
// windows.
#pragma once

#include "kxui/editor/interfaces.h"

#include <vector>

class QTableWidget;
class QWidget;

QTableWidget *interface_table(const kxset *obj, bool router);
// Shows the object's entries again (after an SNMP Fetch or an undo).
void fill_interfaces(QTableWidget *t, const kxset *obj, bool router);
// The rows as edited.
std::vector<IfEntry> interface_rows(const QTableWidget *t, bool router);
// "Add Interface" and "Remove Interface" for the table.
QWidget *interface_buttons(QTableWidget *t, bool router);
