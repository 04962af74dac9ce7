// The object managers: the network objects, the services and the users as
// lists, with the name field that opens or creates objects by the naming
// rules, grouping, removal and where-used.
#pragma once

#include "kxui/editor/naming.h"

#include "kxset/kxset.h"
#include "kxui/users/kxa_change.h"

#include <QDialog>

#include <memory>
#include <vector>

class QComboBox;
class QLineEdit;
class QListView;
class ObjectListModel;

// Records a change of the user database as one edit of the undo stack (the
// users manager shows its list again after undo and redo).
void push_users_change(const std::string &label, const KxaChange &change);

class ObjectManager : public QDialog {
public:
  ObjectManager(ObjList list, QWidget *parent);
  // Shows the list again (objects were added, removed or renamed).
  void reload();
  // The name field's command: opens or creates by the naming rules; the
  // window opened, or null after a refusal (reported).
  QDialog *open_or_create(const QString &name, const QString &requested);
  // Adds the named objects to the named group.
  bool add_to_group(const QStringList &names, const QString &group);
  // Removes an object; in the users manager a user or group from the
  // database, or, while the list shows a group, the member from that group.
  bool remove(const QString &name);
  QListView *view() const { return view_; }
  ObjList list() const { return list_; }

private:
  QStringList selected_names() const;
  // The group the users manager's list shows (empty: a type or all).
  QString shown_group() const;
  UserNames users() const;

  ObjList list_;
  ObjectListModel *model_;
  QListView *view_;
  QLineEdit *name_;
  QComboBox *type_;
  QComboBox *filter_;
  std::shared_ptr<std::vector<KxSetRef>> fetched_ = std::make_shared<std::vector<KxSetRef>>();
};
