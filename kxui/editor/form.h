// Forms: the controls of a property window or of a "Control Properties"
// page, described as data so that reading, checking and writing them needs no
// toolkit. A window shows one control per field and hands the values back as
// text, one per field, in the form's order.
//
// Encodings: a flag is "true"/"false" and reads true exactly when the stored
// text begins with a lower-case "t"; a choice is shown by its label and stored
// as the label in lower case (colours keep their case); a position is a
// choice of "First", "Last", "Before Last" where a missing value means
// "First"; numbers and texts are stored as typed; an object is the name of a
// member of a table.
#pragma once

#include "kxset/kxset.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class FieldKind {
  name,     // the object's own name
  text,     // stored as typed
  secret,   // stored scrambled, shown in clear
  number,   // decimal digits (or empty)
  address,  // dotted quad (or empty)
  flag,     // check box
  choice,   // labels; stored in lower case
  colour,   // colour choice; stored as the label
  position, // "First", "Last", "Before Last"
  object,   // the name of a member of `table`
  slider,   // a number shown on a slider from 0 to 100
};

struct FormField {
  std::string attr; // property name; empty for the name field
  FieldKind kind;
  std::string label;
  std::vector<std::string> choices = {};
  std::string initial = {}; // shown when the property is missing
  std::string table = {};   // objects: the table that must hold the name
  std::string section = {}; // a heading shown above this field
};

struct Form {
  std::string title;
  std::vector<FormField> fields;
};

using FormValues = std::vector<std::string>;

// The shared value encodings.
// Four decimal parts from 0 to 255, separated by dots.
bool dotted_quad(std::string_view s);
bool flag_value(std::string_view stored);
// Compares a stored value with a label: case ignored, "-" and blanks alike,
// trailing blanks ignored.
bool choice_matches(std::string_view label, std::string_view stored);
// The index of the label a stored value names, or -1.
int choice_index(const std::vector<std::string> &labels, std::string_view stored);
// The stored form of a choice label: lower case, blanks kept.
std::string choice_store(std::string_view label);
// The labels of the position choice and of the colour choice.
const std::vector<std::string> &position_labels();
const std::vector<std::string> &colour_labels();

// The value a field shows for `obj` (a missing property: its initial text,
// "First" for a position, "false" for a flag without one, "" otherwise). A stored choice
// that matches no label is shown as stored, so it is never lost.
std::string field_read(const FormField &f, const kxset *obj);
FormValues form_read(const Form &form, const kxset *obj);

// The first value the form refuses, as a message naming its field; nothing
// when every value is acceptable.
std::optional<std::string> form_check(const Form &form, const FormValues &values);

// Writes every value that differs from what the object shows now, and every
// non-empty value of a missing property. Call form_check first: this writes
// whatever it is given.
void form_write(const Form &form, kxset *obj, const FormValues &values);

// The index of the field for `attr` (the name field for ""), or -1.
int form_field(const Form &form, std::string_view attr);
