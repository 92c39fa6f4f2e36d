#include "platform/gui/native_controls.h"

#include "platform/gui/backend.h"
#include "platform/gui/window.h"

namespace platform::gui {
namespace {

HWND CreateChild(WindowKind kind, const wchar_t* className, HWND parent, const RECT& rect, int id) {
  if (!parent || !IsWindow(parent) || !GetBackend().Usable()) return nullptr;
  auto window = std::make_shared<Window>(kind, className, 0, parent);
  window->controlId = id;
  window->wndProc = &DefWindowProcW;
  window->rect = rect;
  HWND child = RegisterWindow(window);
  if (kind == WindowKind::ListBox) {
    child->list.columns.push_back(L"");
    child->list.columnWidths.push_back(rect.right - rect.left);
  }
  if (!GetBackend().CreatePeer(*child)) {
    UnregisterWindow(child);
    return nullptr;
  }
  ShowWindow(child, SW_SHOWNA);
  return child;
}

bool IsKind(HWND w, WindowKind kind) { return w && IsWindow(w) && w->kind == kind; }

}  // namespace

HWND CreateEditBox(HWND parent, const RECT& rect, int id) {
  return CreateChild(WindowKind::Edit, L"Edit", parent, rect, id);
}

HWND CreateListView(HWND parent, const RECT& rect, int id) {
  return CreateChild(WindowKind::ListView, L"SysListView32", parent, rect, id);
}

int ListViewInsertColumn(HWND listView, int index, const std::wstring& title, int width) {
  if (!IsKind(listView, WindowKind::ListView) || !listView->list.rows.empty()) return -1;
  auto& list = listView->list;
  index = std::clamp<int>(index, 0, static_cast<int>(list.columns.size()));
  list.columns.insert(list.columns.begin() + index, title);
  list.columnWidths.insert(list.columnWidths.begin() + index, width);
  GetBackend().ChildListChanged(*listView);
  return index;
}

int ListViewSetItemText(HWND listView, int row, int column, const std::wstring& text) {
  if (!IsKind(listView, WindowKind::ListView) || row < 0 || column < 0) return -1;
  auto& list = listView->list;
  if (column >= static_cast<int>(list.columns.size())) return -1;
  while (static_cast<int>(list.rows.size()) <= row) list.rows.emplace_back(list.columns.size());
  list.rows[row][column] = text;
  GetBackend().ChildListChanged(*listView);
  return row;
}

std::wstring ListViewGetItemText(HWND listView, int row, int column) {
  if (!IsKind(listView, WindowKind::ListView) || row < 0 || column < 0) return {};
  const auto& rows = listView->list.rows;
  if (row >= static_cast<int>(rows.size()) || column >= static_cast<int>(rows[row].size())) return {};
  return rows[row][column];
}

int ListViewGetItemCount(HWND listView) {
  return IsKind(listView, WindowKind::ListView) ? static_cast<int>(listView->list.rows.size()) : 0;
}

void ListViewDeleteAllItems(HWND listView) {
  if (!IsKind(listView, WindowKind::ListView)) return;
  listView->list.rows.clear();
  GetBackend().ChildListChanged(*listView);
}

void ListViewSetRows(HWND listView, std::vector<std::vector<std::wstring>> rows) {
  if (!IsKind(listView, WindowKind::ListView)) return;
  auto& list = listView->list;
  for (auto& row : rows) row.resize(list.columns.size());
  list.rows = std::move(rows);
  GetBackend().ChildListChanged(*listView);
}

HWND CreateListBox(HWND parent, const RECT& rect, int id) {
  return CreateChild(WindowKind::ListBox, L"ListBox", parent, rect, id);
}

int ListBoxAddString(HWND listBox, const std::wstring& text) {
  if (!IsKind(listBox, WindowKind::ListBox)) return -1;
  listBox->list.rows.push_back({text});
  GetBackend().ChildListChanged(*listBox);
  return static_cast<int>(listBox->list.rows.size()) - 1;
}

int ListBoxAddStrings(HWND listBox, const std::vector<std::wstring>& lines) {
  if (!IsKind(listBox, WindowKind::ListBox)) return -1;
  for (const std::wstring& line : lines) listBox->list.rows.push_back({line});
  if (!lines.empty()) GetBackend().ChildListChanged(*listBox);
  return static_cast<int>(listBox->list.rows.size());
}

int ListBoxGetCount(HWND listBox) {
  return IsKind(listBox, WindowKind::ListBox) ? static_cast<int>(listBox->list.rows.size()) : 0;
}

std::wstring ListBoxGetText(HWND listBox, int index) {
  if (!IsKind(listBox, WindowKind::ListBox) || index < 0 || index >= static_cast<int>(listBox->list.rows.size()))
    return {};
  return listBox->list.rows[index][0];
}

void ListBoxResetContent(HWND listBox) {
  if (!IsKind(listBox, WindowKind::ListBox)) return;
  listBox->list.rows.clear();
  GetBackend().ChildListChanged(*listBox);
}

int MessageBoxW(HWND parent, const std::wstring& text, const std::wstring& caption, UINT type) {
  if (!GetBackend().Usable()) return 0;
  return GetBackend().ShowPlainMessageBox(parent && IsWindow(parent) ? parent : nullptr, text, caption, type);
}

bool BrowseForFolder(HWND parent, const std::wstring& title, std::wstring& path) {
  if (!GetBackend().Usable()) return false;
  return GetBackend().PickFolder(parent && IsWindow(parent) ? parent : nullptr, title, path);
}

}  // namespace platform::gui
