// SPDX-License-Identifier: GPL-3.0-or-later
// The module that every screen shares: the program folder, the data folder
// and the user id of the last dump handled, and the window procedures.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace varnix::app::modStatusBar {

// The folder that holds the program, without a trailing separator (a
// Windows drive root C:\ becomes C:; the POSIX root stays "/").
extern QString AppFolder;
// The current data folder.
extern QString DataFolder;
// The user id that the library last reported for a dump.
extern QString UserID;

// Moves `form` to the middle of the screen's available area.
void CenterForm(QWidget* form);
// Makes `form` fill the screen's available area (the screen less the
// task bar and other panels), maximised; restored, it lies inside the area
// with its frame and title bar.
void FitToScreen(QWidget* form);
// Unloads the secondary screens, in this order: frmArchives, frmListView,
// frmSelectPort, frmStatusBar, frmViewFileNew, frmPalm.
void CloseSubForms();
// Unloads every loaded form, in the order they were loaded.
void UnloadAllForms();

// Ends the program (leaves the event loop). The handler is replaceable so
// that tests can watch the program end without leaving their own loop.
void EndProgram();
void SetEndProgramHandler(std::function<void()> handler);

// `name` in `folder`, with one separator between them.
QString JoinPath(const QString& folder, const QString& name);

// Settles AppFolder from `programFolder`, makes it the current folder and
// settles DataFolder by the "DataFolder.CFG" rule (creating the default
// folder and the file on first run).
void SettleFolders(const QString& programFolder);

}  // namespace varnix::app::modStatusBar
