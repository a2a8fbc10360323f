// SPDX-License-Identifier: GPL-3.0-or-later
// The program's screens ("forms"). Each screen exists at most once: it is
// created on its first reference, loaded (its load handler runs), shown
// modal or not, and destroyed when it is unloaded, so that the next
// reference starts afresh. Every form carries its name as its Qt object
// name, and its controls carry theirs, so that tests find them by name.
#pragma once

#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <utility>

namespace varnix::app {

class Form : public QWidget {
  Q_OBJECT

 public:
  explicit Form(const char* name);
  ~Form() override;

  // The load handler: runs once, right after the form is created.
  virtual void load() {}

  // Shows the form modal and returns when it has been unloaded or hidden.
  void showModal();

 signals:
  void unloaded();

 protected:
  // Runs each time the form goes from hidden to shown (not again for
  // message boxes shown over it).
  virtual void activate() {}
  // Runs while the form is being unloaded, before it is hidden.
  virtual void unloadHandler() {}
  // The user closed the window with its frame's close box; by default the
  // form is unloaded.
  virtual void closedByFrame();

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend void unloadForm(Form* form);
  QPointer<QEventLoop> modalLoop_;
  bool shown_ = false;
};

// Unloads `form`: its unload handler runs, it is hidden, leaves the
// collection of loaded forms and is deleted when control returns to the
// event loop (it may be unloading itself from one of its own handlers).
void unloadForm(Form* form);

// A new screen of that name, nullptr for a name this build lacks. The
// program's catalogue of screens (app/form_catalogue.cpp) defines it: it
// knows every window, which nothing in shared/ may.
Form* createForm(const QString& name);

namespace forms {

// The collection of loaded forms, in the order they were loaded.
QList<Form*> loaded();
QStringList loadedNames();

Form* find(const QString& name);
inline bool isLoaded(const QString& name) { return find(name) != nullptr; }
void unload(const QString& name);

void add(Form* form);

// The loaded form of that name, or a new one from the catalogue (loaded);
// nullptr when this build has no screen of that name.
Form* get(const QString& name);

template <class T>
T* find() {
  return static_cast<T*>(find(QString::fromLatin1(T::kName)));
}

// The one instance of T, created and loaded on first reference; `args` go
// to its constructor when it is created.
template <class T, class... Args>
T& get(Args&&... args) {
  if (T* existing = find<T>()) return *existing;
  T* form = new T(std::forward<Args>(args)...);
  add(form);
  form->load();
  return *form;
}

}  // namespace forms
}  // namespace varnix::app
