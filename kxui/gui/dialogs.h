// The secondary windows: forms, "Control Properties", object property
// windows, text views, where-used, and the object chooser.
#pragma once

#include "kxui/editor/form.h"
#include "kxui/editor/naming.h"
#include "kxui/editor/objforms.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QComboBox;
class QWidget;

// Selects `value` in `box`, adding it when it is none of the box's labels: a
// stored value outside them is shown, not lost.
void select_choice(QComboBox *box, const QString &value);

// The controls of a form, one per field, with the form's labels.
class FormWidget : public QWidget {
public:
  FormWidget(const Form &form, QWidget *parent = nullptr);
  void set_values(const FormValues &values);
  FormValues values() const;
  const Form &form() const { return form_; }
  QWidget *control(int field) const { return controls_[static_cast<size_t>(field)]; }

private:
  Form form_;
  std::vector<QWidget *> controls_;
};

// A window showing a text (compiler output, access lists, warnings); one per
// title, replaced when shown again.
QDialog *show_text_window(QWidget *parent, const QString &title, const QString &text);

// "Control Properties": the page choice and the page of each category.
QDialog *open_control_properties(QWidget *parent);

// The property window of `obj`. A new object (`is_new`) joins `table` on its
// first "Apply". Applied changes are edits of the undo stack.
QDialog *open_object_window(QWidget *parent, kxset *obj, kxset *table, bool is_new,
                            const UserNames &users = {});

// "User Properties" of a user or template of the user database (`record` is
// the fetched record, or a new one stored on its first "Apply"). Applied
// changes are edits of the undo stack.
QDialog *open_user_window(QWidget *parent, kxset *record, bool is_new, const UserNames &users = {});

// "User Group Properties" of a user group of the user database, likewise.
QDialog *open_group_window(QWidget *parent, kxset *record, bool is_new, const UserNames &users = {});

// "Where used" of a named object or service, with a jump to each rule and
// group.
QDialog *show_where_used(QWidget *parent, const QString &name);

// A modal chooser of members of `table`; the names chosen.
QStringList choose_objects(QWidget *parent, const kxset *table, const QString &title);

// The window's name for screenshots and tests: the title in lower case,
// blanks and punctuation as "_".
QString window_file_name(const QString &title);
