// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/forms.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace varnix::app {

namespace {

// The program's collection of loaded forms.
QList<QPointer<Form>>& collection() {
  static QList<QPointer<Form>> forms;
  return forms;
}

void prune() {
  collection().removeIf([](const QPointer<Form>& f) { return f.isNull(); });
}

}  // namespace

Form::Form(const char* name) : QWidget(nullptr) {
  setObjectName(QString::fromLatin1(name));
  setAttribute(Qt::WA_DeleteOnClose, false);
}

Form::~Form() {
  collection().removeIf([this](const QPointer<Form>& f) { return f.isNull() || f.data() == this; });
  if (modalLoop_) modalLoop_->quit();
}

void Form::showModal() {
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
  QEventLoop loop;
  modalLoop_ = &loop;
  QPointer<Form> self(this);
  loop.exec(QEventLoop::DialogExec);
  if (self) {
    self->modalLoop_ = nullptr;
    self->setWindowModality(Qt::NonModal);
  }
}

void Form::closedByFrame() { unloadForm(this); }

void Form::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shown_) {
    shown_ = true;
    activate();
  }
}

void Form::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (event->spontaneous()) return;  // minimised: still shown
  shown_ = false;
  if (modalLoop_) modalLoop_->quit();
}

void Form::closeEvent(QCloseEvent* event) {
  // Unloading hides the form itself; the frame's close box is the only
  // other way in here.
  event->ignore();
  closedByFrame();
}

void unloadForm(Form* form) {
  if (!form) return;
  const bool wasLoaded = collection().removeIf([form](const QPointer<Form>& f) { return f.data() == form; }) > 0;
  prune();
  if (!wasLoaded) return;
  form->unloadHandler();
  form->hide();
  if (form->modalLoop_) form->modalLoop_->quit();
  emit form->unloaded();
  form->deleteLater();
}

namespace forms {

QList<Form*> loaded() {
  prune();
  QList<Form*> list;
  for (const auto& f : collection()) list.append(f.data());
  return list;
}

QStringList loadedNames() {
  QStringList names;
  for (Form* f : loaded()) names.append(f->objectName());
  return names;
}

Form* find(const QString& name) {
  for (const auto& f : collection()) {
    if (f && f->objectName() == name) return f.data();
  }
  return nullptr;
}

void unload(const QString& name) { unloadForm(find(name)); }

void add(Form* form) {
  prune();
  collection().append(QPointer<Form>(form));
}

Form* get(const QString& name) {
  if (Form* existing = find(name)) return existing;
  Form* form = createForm(name);
  if (!form) return nullptr;
  add(form);
  form->load();
  return form;
}

}  // namespace forms
}  // namespace varnix::app
