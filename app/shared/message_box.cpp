// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/message_box.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace varnix::app {

namespace {

std::function<Reply(const Prompt&)>& responder() {
  static std::function<Reply(const Prompt&)> answer;
  return answer;
}

QMessageBox::Icon boxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MsgAnswer MsgBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) {
  if (responder()) {
    Prompt prompt;
    prompt.text = text;
    prompt.title = title;
    prompt.icon = icon;
    prompt.buttons = buttons;
    return responder()(prompt).answer;
  }
  QMessageBox box(boxIcon(icon), title, text,
                  buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setObjectName(QStringLiteral("MsgBox"));
  const int pressed = box.exec();
  if (buttons == MsgButtons::OK) return MsgAnswer::OK;
  return pressed == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  if (responder()) {
    Prompt asked;
    asked.input = true;
    asked.text = prompt;
    asked.title = title;
    asked.defaultText = defaultText;
    const Reply reply = responder()(asked);
    if (reply.answer == MsgAnswer::Cancel) return std::nullopt;
    return reply.text;
  }
  bool ok = false;
  QString answer =
      QInputDialog::getText(QApplication::activeWindow(), title, prompt, QLineEdit::Normal, defaultText, &ok);
  if (!ok) return std::nullopt;
  return answer;
}

void SetPromptResponder(std::function<Reply(const Prompt&)> answer) { responder() = std::move(answer); }

}  // namespace varnix::app
