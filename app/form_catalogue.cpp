// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/forms.h"

#include "app/archives/frm_archives.h"
#include "app/data_folder/frm_choose_dir.h"
#include "app/download/frm_status_bar.h"
#include "app/data_folder/frm_folder_info.h"
#ifdef VARNIX_HAVE_LOGBOOK
#include "app/logbook/frm_logbook.h"
#endif
#include "app/main_menu/frm_varnix.h"
#include "app/palm/frm_palm.h"
#include "app/select_port/frm_select_port.h"
#include "app/startup/frm_top.h"
#include "app/viewers/frm_list_view.h"
#include "app/viewers/frm_view_file_new.h"

namespace varnix::app {

namespace {

template <class T>
Form* make() {
  return new T();
}

struct Entry {
  const char* name;
  Form* (*create)();
};

// One line per screen.
constexpr Entry kForms[] = {
    {FrmTop::kName, &make<FrmTop>},
    {FrmVarnix::kName, &make<FrmVarnix>},
    {FrmSelectPort::kName, &make<FrmSelectPort>},
    {FrmFolderInfo::kName, &make<FrmFolderInfo>},
    {FrmChooseDir::kName, &make<FrmChooseDir>},
    {FrmViewFileNew::kName, &make<FrmViewFileNew>},
    {FrmListView::kName, &make<FrmListView>},
    {FrmArchives::kName, &make<FrmArchives>},
    {FrmStatusBar::kName, &make<FrmStatusBar>},
    {FrmPalm::kName, &make<FrmPalm>},
#ifdef VARNIX_HAVE_LOGBOOK
    {logbook::FrmLogbook::kName, &make<logbook::FrmLogbook>},
#endif
};

}  // namespace

Form* createForm(const QString& name) {
  for (const Entry& entry : kForms) {
    if (name == QLatin1String(entry.name)) return entry.create();
  }
  return nullptr;
}

}  // namespace varnix::app
