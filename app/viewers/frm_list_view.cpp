// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewers/frm_list_view.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shared/mod_status_bar.h"

namespace varnix::app {

FrmListView::FrmListView() : Form(kName) {
  setWindowTitle(QStringLiteral("File Viewer"));
  fileName_ = new QLabel(this);
  fileName_->setObjectName(QStringLiteral("lblFileName"));
  fileName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont bold = fileName_->font();
  bold.setBold(true);
  fileName_->setFont(bold);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("txtArchiveFile"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setUndoRedoEnabled(false);
  auto* close = new QPushButton(QStringLiteral("&Close the File"), this);
  close->setObjectName(QStringLiteral("cmdClose"));
  connect(close, &QPushButton::clicked, this, &FrmListView::closeClicked);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(24, 12, 24, 20);
  page->setSpacing(10);
  page->addWidget(fileName_);
  page->addWidget(text_, 1);
  page->addLayout(buttons);
}

void FrmListView::load() {
  modStatusBar::FitToScreen(this);
  modStatusBar::CenterForm(this);
}

void FrmListView::showFile(const QString& path, const QString& text) {
  fileName_->setText(path);
  text_->setPlainText(text);
}

void FrmListView::closeClicked() {
  unloadForm(this);
  if (Form* archives = forms::find(QStringLiteral("frmArchives"))) archives->show();
}

// The frame's close box does what the close button does, so the hidden
// archive screen is never left hidden.
void FrmListView::closedByFrame() { closeClicked(); }

}  // namespace varnix::app
