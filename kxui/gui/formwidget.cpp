#include "kxui/gui/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>

namespace {

QComboBox *choice_box(const std::vector<std::string> &labels) {
  auto *box = new QComboBox;
  for (const std::string &l : labels) box->addItem(QString::fromStdString(l));
  return box;
}

const std::vector<std::string> &labels_of(const FormField &f) {
  if (f.kind == FieldKind::position) return position_labels();
  if (f.kind == FieldKind::colour) return colour_labels();
  return f.choices;
}

} // namespace

FormWidget::FormWidget(const Form &form, QWidget *parent) : QWidget(parent), form_(form) {
  auto *layout = new QFormLayout(this);
  QHBoxLayout *row = nullptr;
  for (const FormField &f : form_.fields) {
    QWidget *w = nullptr;
    switch (f.kind) {
    case FieldKind::flag:
      w = new QCheckBox(QString::fromStdString(f.label));
      break;
    case FieldKind::choice:
    case FieldKind::colour:
    case FieldKind::position:
      w = choice_box(labels_of(f));
      break;
    case FieldKind::slider: {
      auto *s = new QSlider(Qt::Horizontal);
      s->setRange(0, 100);
      w = s;
      break;
    }
    default: {
      auto *e = new QLineEdit;
      if (f.kind == FieldKind::secret) e->setEchoMode(QLineEdit::Password);
      w = e;
      break;
    }
    }
    w->setObjectName(QString::fromStdString(f.attr.empty() ? "name" : f.attr));
    controls_.push_back(w);
    if (!f.section.empty()) layout->addRow(new QLabel("<b>" + QString::fromStdString(f.section) + "</b>"));
    // A position sits beside the flag before it.
    if (f.kind == FieldKind::position && row) {
      row->addWidget(w);
      row = nullptr;
      continue;
    }
    if (f.kind == FieldKind::flag) {
      auto *holder = new QWidget;
      row = new QHBoxLayout(holder);
      row->setContentsMargins(0, 0, 0, 0);
      row->addWidget(w, 1);
      layout->addRow(holder);
      continue;
    }
    row = nullptr;
    layout->addRow(QString::fromStdString(f.label), w);
  }
}

void select_choice(QComboBox *box, const QString &value) {
  int at = box->findText(value);
  if (at < 0) {
    box->addItem(value);
    at = box->count() - 1;
  }
  box->setCurrentIndex(at);
}

void FormWidget::set_values(const FormValues &values) {
  for (size_t i = 0; i < controls_.size() && i < values.size(); ++i) {
    const QString v = QString::fromStdString(values[i]);
    QWidget *w = controls_[i];
    if (auto *c = qobject_cast<QCheckBox *>(w)) {
      c->setChecked(values[i] == "true");
    } else if (auto *b = qobject_cast<QComboBox *>(w)) {
      select_choice(b, v);
    } else if (auto *s = qobject_cast<QSlider *>(w)) {
      s->setValue(v.toInt());
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
      e->setText(v);
      e->setCursorPosition(0);
    }
  }
}

FormValues FormWidget::values() const {
  FormValues out;
  for (QWidget *w : controls_) {
    if (auto *c = qobject_cast<QCheckBox *>(w))
      out.push_back(c->isChecked() ? "true" : "false");
    else if (auto *b = qobject_cast<QComboBox *>(w))
      out.push_back(b->currentText().toStdString());
    else if (auto *s = qobject_cast<QSlider *>(w))
      out.push_back(std::to_string(s->value()));
    else if (auto *e = qobject_cast<QLineEdit *>(w))
      out.push_back(e->text().toStdString());
    else
      out.emplace_back();
  }
  return out;
}

QString window_file_name(const QString &title) {
  QString out;
  for (QChar c : title.toLower()) out += c.isLetterOrNumber() ? c : QChar('_');
  while (out.contains("__")) out.replace("__", "_");
  while (out.endsWith('_')) out.chop(1);
  return out;
}
