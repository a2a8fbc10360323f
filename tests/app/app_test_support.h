// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop program's tests share: answering the message boxes,
// a fresh program state for every test, and small file helpers.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QWidget>

#include "app/data_folder/frm_folder_info.h"
#include "app/shared/forms.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"

namespace varnix::app::test {

// Records every box the program shows and answers it: with the queued
// replies first, then with OK (or Yes for none; an input box is cancelled).
class PromptLog {
 public:
  PromptLog() {
    SetPromptResponder([this](const Prompt& p) {
      prompts.append(p);
      if (!replies.isEmpty()) return replies.takeFirst();
      Reply reply;
      reply.answer = p.input ? MsgAnswer::Cancel : (p.buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::OK);
      return reply;
    });
  }
  ~PromptLog() { SetPromptResponder({}); }
  PromptLog(const PromptLog&) = delete;
  PromptLog& operator=(const PromptLog&) = delete;

  void answer(MsgAnswer a) {
    Reply r;
    r.answer = a;
    replies.append(r);
  }
  void type(const QString& text) {
    Reply r;
    r.answer = MsgAnswer::OK;
    r.text = text;
    replies.append(r);
  }
  QStringList texts() const {
    QStringList list;
    for (const Prompt& p : prompts) list.append(p.text);
    return list;
  }
  const Prompt& last() const { return prompts.back(); }

  QList<Prompt> prompts;
  QList<Reply> replies;
};

// Deletes the forms that were unloaded (they go when control returns to
// the event loop).
inline void flushUnloaded() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Unloads every form and forgets the program's state.
inline void resetProgram() {
  modStatusBar::UnloadAllForms();
  flushUnloaded();
  modStatusBar::AppFolder.clear();
  modStatusBar::DataFolder.clear();
  modStatusBar::UserID.clear();
  FrmFolderInfo::setTemporaryFlag(0);
}

inline QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

template <class T = QWidget>
T* control(QWidget* form, const char* name) {
  return form ? form->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

}  // namespace varnix::app::test
