// The client's list view (the common controls' report view): a real
// SysListView32 window with the members the client reaches it by.
//
//   ListView     hwnd, View (3, report), SortKey (0-based column), SortOrder
//                (0 ascending, 1 descending), Sorted, ColumnHeaders,
//                ListItems, and the members of every control
//   ColumnHeaders  Count, Item(i) (default, 1-based), Add([Index], [Key],
//                [Text], [Width]), For Each
//   ColumnHeader Text, Width (in the form's scale), Index
//   ListItems    Count, Item(i) (default, 1-based), Add([Index], [Key],
//                [Text]), Clear, For Each in the order shown
//   ListItem     Text (default), SubItems(i) (1 to the columns but one),
//                Index
//
// While Sorted is True the items are kept in order of the SortKey column
// (the item's Text for 0, else that sub-item), compared as texts without
// regard to case, descending with SortOrder 1; setting Sorted, SortKey or
// SortOrder sorts again, as the client's control does.  Indexes out of range
// fail with the control's own 35600 ("Index out of bounds"), invalid values
// with 380.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/forms.h"

namespace kb::support {

class ListView;

class ColumnHeader : public DispatchObject {
 public:
  ColumnHeader(ListView& view, std::wstring text);
  const std::wstring& Text() const { return text_; }

 private:
  friend class ListView;
  ListView* view_;  // cleared when the list view goes
  std::wstring text_;
};

class ListItem : public DispatchObject {
 public:
  ListItem(ListView& view, std::wstring text);
  const std::wstring& Text() const { return text_; }
  // The text shown in a column counted from 1 (the item's own text in 1).
  std::wstring Cell(size_t column) const;

 private:
  friend class ListView;
  ListView* view_;
  std::wstring text_;
  std::vector<std::wstring> subItems_;
};

struct ListViewOptions {
  Bounds bounds = {8, 8, 320, 160};
  std::optional<short> index;
};

class ListView : public Control {
 public:
  ListView(Form& parent, std::wstring name, const ListViewOptions& options);
  ~ListView() override;

  // What a test sets up directly: a column of the given width in pixels, an
  // item with its sub-items.
  kb::ComPtr<ColumnHeader> AddColumn(std::wstring text, int pixels = 80);
  kb::ComPtr<ListItem> AddItem(std::wstring text, std::vector<std::wstring> subItems = {});

  size_t ColumnCount() const { return columns_.size(); }
  ColumnHeader& Column(size_t i) const { return *columns_.at(i - 1).Get(); }  // from 1
  // What the window shows: a column's width in pixels, a column's texts
  // from the top row down (both columns counted from 1).
  int ColumnPixels(size_t column) const;
  std::vector<std::wstring> ShownTexts(size_t column) const;
  short SortKey() const { return sortKey_; }
  long SortOrder() const { return sortOrder_; }
  bool Sorted() const { return sorted_; }

 private:
  friend class ColumnHeader;
  friend class ListItem;
  void RegisterMembers();
  kb::ComPtr<DispatchObject> MakeColumnHeaders();
  kb::ComPtr<DispatchObject> MakeListItems();
  size_t CheckedPosition(const Invocation& c, size_t arg, size_t count) const;
  void InsertColumn(size_t at, kb::ComPtr<ColumnHeader> header, int pixels);
  void InsertItem(size_t at, kb::ComPtr<ListItem> item);
  void SetColumnText(const ColumnHeader& header);
  long IndexOf(const ColumnHeader& header) const;
  long IndexOf(const ListItem& item) const;
  double WidthInScale(const ColumnHeader& header) const;
  void SetWidthInScale(const ColumnHeader& header, double width);
  void Sort();
  void Show();

  std::vector<kb::ComPtr<ColumnHeader>> columns_;
  std::vector<kb::ComPtr<ListItem>> items_;
  kb::ComPtr<DispatchObject> columnHeaders_;
  kb::ComPtr<DispatchObject> listItems_;
  short sortKey_ = 0;
  long sortOrder_ = 0;
  bool sorted_ = false;
};

}  // namespace kb::support
