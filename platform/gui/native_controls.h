// The toolkit's own controls and dialogs, for the few places where the dialogs use
// them: a single-line edit box, a list view with columns, a list box, the plain
// message box and the folder picker. Child controls are windows placed at a
// rectangle of the parent's client area (MoveWindow, ShowWindow, SetWindowTextW and
// GetWindowTextW apply to them); they are destroyed with their parent. UI thread.
#pragma once

#include <string>
#include <vector>

#include "platform/gui/gui_types.h"

namespace platform::gui {

HWND CreateEditBox(HWND parent, const RECT& rect, int id);

HWND CreateListView(HWND parent, const RECT& rect, int id);
int ListViewInsertColumn(HWND listView, int index, const std::wstring& title, int width);
// Sets a cell, adding rows up to `row` when needed; returns the row or −1.
int ListViewSetItemText(HWND listView, int row, int column, const std::wstring& text);
std::wstring ListViewGetItemText(HWND listView, int row, int column);
int ListViewGetItemCount(HWND listView);
void ListViewDeleteAllItems(HWND listView);
// Replaces every row at once (one redraw); cells beyond the columns are dropped.
void ListViewSetRows(HWND listView, std::vector<std::vector<std::wstring>> rows);

HWND CreateListBox(HWND parent, const RECT& rect, int id);
int ListBoxAddString(HWND listBox, const std::wstring& text);  // index of the new line
// Appends several lines with one redraw; returns the new count.
int ListBoxAddStrings(HWND listBox, const std::vector<std::wstring>& lines);
int ListBoxGetCount(HWND listBox);
std::wstring ListBoxGetText(HWND listBox, int index);
void ListBoxResetContent(HWND listBox);

// MB_OK, MB_OKCANCEL or MB_YESNO with an MB_ICON* kind; returns IDOK, IDCANCEL, IDYES or IDNO.
int MessageBoxW(HWND parent, const std::wstring& text, const std::wstring& caption, UINT type);
// Lets the user choose a folder, starting at `path`; true with the choice in `path`.
bool BrowseForFolder(HWND parent, const std::wstring& title, std::wstring& path);

}  // namespace platform::gui
