// The rule manager: the ordered rows of the rule base editor between the
// rule sets and the widgets that show them, with the selection, the rule
// clipboard and the placements of the "Rule" menu. Widgets are reached only
// through RuleRowViews (rowview.h); without one installed the manager keeps
// plain in-memory rows, so it works without any toolkit.
//
// Row numbers are 1-based; a "position" is a 0-based insertion index.
#pragma once

#include "kxui/rfile/rule.h"
#include "kxui/rmgr/rowview.h"

#include <memory>

// Most rules the clipboard holds; a copy or cut of more leaves the surplus.
inline constexpr int RMGR_CLIPBOARD_MAX = 256;

// Number of rules handed to the table by the last whole load.
extern int nrules;

// Installs the presentation (null: the built-in in-memory rows). The rows
// already in the table keep their values and get views of the new kind.
void rmgr_set_views(std::shared_ptr<RuleRowViews> views);

// Number of rows.
int rmgr_count();

// Inserts a row at `position` (clamped into 0..count). A null `rule` makes a
// new rule with the view's default values. Returns the row's rule, or null
// when its view could not be made. Raises rule_modified.
kxset *rmgr_add(int position, kxset *rule);

// Removes row n; the rule set is not freed here unless nothing else holds it.
// Returns the row's 0-based index, or -1 when n is not in 1..count or the view
// refused to go.
int rmgr_del(int n);

// Deletes every selected row.
void rmgr_del_selected();

// Drops every row. Raises rule_modified.
void rmgr_erase();

// 0-based index of the first / last selected row, -1 when none.
int rmgr_first_selected();
int rmgr_last_selected();

// Toggles the selection of row n. Unless `multiple`, every other selected row
// is then deselected, except one whose view is `view`.
void rmgr_select(int n, const RuleRowView *view, int multiple);
void rmgr_select_all();
// Whether row n is selected.
bool rmgr_selected(int n);

// Empties the clipboard, then takes every selected row in order: a copy of
// its rule (copy non-zero) or the rule itself, removing the row (cut).
void rmgr_copy(int copy);
void rmgr_cut();

// Inserts fresh copies of the clipboard's rules at `position` (clamped). The
// clipboard keeps its rules. Returns the number of rules pasted.
int rmgr_paste(int position);
int rmgr_npaste();

// Puts `rule` in place of row n's rule (the row keeps its view and
// selection). 0, or -1 when n is not in 1..count. Raises rule_modified.
int rmgr_replace(int n, kxset *rule);

// The rule of row n, or null.
kxset *rmgr_rule(int n);
// The view of row n, or null.
RuleRowView *rmgr_view(int n);

// Pulls every row's cell values into its rule and returns the rules in row
// order.
rule_list rmgr_collect();

// Row n's view was dragged: moves the row to where the view now lies.
void rmgr_moved(int n, const RuleRowView *view);

// Records a row view's position; `move` moves the view too. Reports a row
// number outside the table.
void rmgr_set_pos(int n, const RuleRowView *view, int x, int y, int move);

// Lays the rows out again in table order and renumbers them.
void rmgr_arrange();
// Passes an open (true) or close of the main window to every row view.
void rmgr_openclose(bool open);

// Replaces the table with `rules` (the rows take their own counts), sets
// nrules and clears rule_modified.
void rule_set_rules(const rule_list &rules);
// rmgr_collect().
rule_list rule_get_rules();

// ------------------------------------------------------------ "Rule" menu

// Where "New" and "Paste" place rules.
enum class rule_place { before, after, top, bottom };
// The position a placement gives to the manager: before the first selected
// row, after the last selected one (both the top without a selection), top,
// bottom.
int rmgr_place_position(rule_place where);
// "New": a new rule at the placement; "Failed to create new rule" on failure.
kxset *rule_menu_new(rule_place where);
// "Paste" at the placement.
int rule_menu_paste(rule_place where);
