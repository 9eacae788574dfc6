#include "tests/support/list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "tests/support/client_errors.h"

namespace kb::support {
namespace {

constexpr short kReportView = 3;

[[noreturn]] void InvalidValue() {
  RaiseRuntimeError(kErrInvalidPropertyValue, L"Invalid property value");
}
[[noreturn]] void OutOfBounds() { RaiseRuntimeError(kErrIndexOutOfBounds, L"Index out of bounds"); }
[[noreturn]] void Gone() {
  RaiseRuntimeError(91, L"Object variable or With block variable not set");
}

// A collection object whose members the list view fills in.
class Collection : public DispatchObject {
 public:
  explicit Collection(std::wstring typeName) : DispatchObject(std::move(typeName)) {}
  using DispatchObject::Method;
  using DispatchObject::Property;
  using DispatchObject::SetDefaultMember;
  using DispatchObject::SetDispId;
};

template <class T>
kb::ComPtr<IEnumVARIANT> EnumeratorOf(const std::vector<kb::ComPtr<T>>& objects) {
  std::vector<kb::Variant> values(objects.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    V_VT(values[i].Get()) = VT_DISPATCH;
    V_DISPATCH(values[i].Get()) = objects[i]->Disp();
    objects[i]->Disp()->AddRef();
  }
  return VariantEnumerator::Create(std::move(values));
}

int CompareTexts(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(),
                          static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

}  // namespace

// ------------------------------------------------------------- ColumnHeader

ColumnHeader::ColumnHeader(ListView& view, std::wstring text)
    : DispatchObject(L"ColumnHeader"), view_(&view), text_(std::move(text)) {
  Property(
      L"Text", [this](Invocation& c) { c.ReturnText(text_); },
      [this](Invocation& c) {
        text_ = c.ValueText();
        if (view_) view_->SetColumnText(*this);
      });
  Property(
      L"Width",
      [this](Invocation& c) {
        if (!view_) Gone();
        c.ReturnR4(static_cast<float>(view_->WidthInScale(*this)));
      },
      [this](Invocation& c) {
        if (!view_) Gone();
        const double width = c.ValueDouble();
        if (width < 0) InvalidValue();
        view_->SetWidthInScale(*this, width);
      });
  Property(L"Index", [this](Invocation& c) {
    if (!view_) Gone();
    c.ReturnI4(view_->IndexOf(*this));
  });
}

// ----------------------------------------------------------------- ListItem

ListItem::ListItem(ListView& view, std::wstring text)
    : DispatchObject(L"ListItem"), view_(&view), text_(std::move(text)) {
  auto subItem = [this](const Invocation& c) {
    if (!view_) Gone();
    const long index = c.Long(0);
    if (index < 1 || static_cast<size_t>(index) >= view_->ColumnCount()) InvalidValue();
    return static_cast<size_t>(index);
  };
  Property(
      L"Text", [this](Invocation& c) { c.ReturnText(text_); },
      [this](Invocation& c) {
        text_ = c.ValueText();
        if (view_) view_->Sort();
      });
  SetDefaultMember(L"Text");
  Property(
      L"SubItems", [this, subItem](Invocation& c) { c.ReturnText(Cell(subItem(c) + 1)); },
      [this, subItem](Invocation& c) {
        const size_t index = subItem(c);
        if (subItems_.size() < index) subItems_.resize(index);
        subItems_[index - 1] = c.ValueText();
        view_->Sort();
      },
      1);
  Property(L"Index", [this](Invocation& c) {
    if (!view_) Gone();
    c.ReturnI4(view_->IndexOf(*this));
  });
}

std::wstring ListItem::Cell(size_t column) const {
  if (column <= 1) return text_;
  return column - 2 < subItems_.size() ? subItems_[column - 2] : std::wstring();
}

// ----------------------------------------------------------------- ListView

ListView::ListView(Form& parent, std::wstring name, const ListViewOptions& options)
    : Control(L"ListView", parent, std::move(name), options.index) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
  if (!::InitCommonControlsEx(&init)) throw std::runtime_error("the list view class is missing");
  CreateChild(WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE,
              options.bounds, L"");
  ExposeHwnd();
  ExposeFocus();
  columnHeaders_ = MakeColumnHeaders();
  listItems_ = MakeListItems();
  RegisterMembers();
}

ListView::~ListView() {
  for (auto& column : columns_) column->view_ = nullptr;
  for (auto& item : items_) item->view_ = nullptr;
}

void ListView::RegisterMembers() {
  Property(L"View", [](Invocation& c) { c.ReturnI2(kReportView); });
  Property(L"ColumnHeaders", [this](Invocation& c) { c.ReturnObject(columnHeaders_->Disp()); });
  Property(L"ListItems", [this](Invocation& c) { c.ReturnObject(listItems_->Disp()); });
  Property(
      L"SortKey", [this](Invocation& c) { c.ReturnI2(sortKey_); },
      [this](Invocation& c) {
        const long key = c.ValueLong();
        if (key < 0 || key > 32767) InvalidValue();
        sortKey_ = static_cast<short>(key);
        Sort();
      });
  Property(
      L"SortOrder", [this](Invocation& c) { c.ReturnI4(sortOrder_); },
      [this](Invocation& c) {
        const long order = c.ValueLong();
        if (order != 0 && order != 1) InvalidValue();
        sortOrder_ = order;
        Sort();
      });
  Property(
      L"Sorted", [this](Invocation& c) { c.ReturnBool(sorted_); },
      [this](Invocation& c) {
        sorted_ = c.ValueBool();
        Sort();
      });
}

size_t ListView::CheckedPosition(const Invocation& c, size_t arg, size_t count) const {
  const long index = c.Long(arg);
  if (index < 1 || static_cast<size_t>(index) > count) OutOfBounds();
  return static_cast<size_t>(index) - 1;
}

kb::ComPtr<DispatchObject> ListView::MakeColumnHeaders() {
  auto headers = Make<Collection>(L"ColumnHeaders");
  headers->Property(L"Count",
                    [this](Invocation& c) { c.ReturnI4(static_cast<long>(columns_.size())); });
  headers->Property(
      L"Item",
      [this](Invocation& c) {
        c.ReturnObject(columns_[CheckedPosition(c, 0, columns_.size())]->Disp());
      },
      {}, 1);
  headers->SetDefaultMember(L"Item");
  headers->Method(L"Add", {0, 4},
                  [this](Invocation& c) {
                    const size_t at =
                        c.Has(0) ? CheckedPosition(c, 0, columns_.size() + 1) : columns_.size();
                    auto header = Make<ColumnHeader>(*this, c.Has(2) ? c.Text(2) : std::wstring());
                    const int pixels = c.Has(3) ? FromScaleX(c.Double(3)) : 80;
                    InsertColumn(at, header, pixels);
                    c.ReturnObject(header->Disp());
                  },
                  {L"Index", L"Key", L"Text", L"Width"});
  headers->Property(L"_NewEnum",
                    [this](Invocation& c) { c.ReturnUnknown(EnumeratorOf(columns_).Get()); });
  headers->SetDispId(L"_NewEnum", DISPID_NEWENUM);
  return kb::ComPtr<DispatchObject>(headers.Get());
}

kb::ComPtr<DispatchObject> ListView::MakeListItems() {
  auto items = Make<Collection>(L"ListItems");
  items->Property(L"Count",
                  [this](Invocation& c) { c.ReturnI4(static_cast<long>(items_.size())); });
  items->Property(
      L"Item",
      [this](Invocation& c) {
        c.ReturnObject(items_[CheckedPosition(c, 0, items_.size())]->Disp());
      },
      {}, 1);
  items->SetDefaultMember(L"Item");
  items->Method(L"Add", {0, 3},
                [this](Invocation& c) {
                  const size_t at =
                      c.Has(0) ? CheckedPosition(c, 0, items_.size() + 1) : items_.size();
                  auto item = Make<ListItem>(*this, c.Has(2) ? c.Text(2) : std::wstring());
                  InsertItem(at, item);
                  c.ReturnObject(item->Disp());
                },
                {L"Index", L"Key", L"Text"});
  items->Method(L"Clear", {0, 0}, [this](Invocation&) {
    for (auto& item : items_) item->view_ = nullptr;
    items_.clear();
    Show();
  });
  items->Property(L"_NewEnum",
                  [this](Invocation& c) { c.ReturnUnknown(EnumeratorOf(items_).Get()); });
  items->SetDispId(L"_NewEnum", DISPID_NEWENUM);
  return kb::ComPtr<DispatchObject>(items.Get());
}

kb::ComPtr<ColumnHeader> ListView::AddColumn(std::wstring text, int pixels) {
  auto header = Make<ColumnHeader>(*this, std::move(text));
  InsertColumn(columns_.size(), header, pixels);
  return header;
}

kb::ComPtr<ListItem> ListView::AddItem(std::wstring text, std::vector<std::wstring> subItems) {
  auto item = Make<ListItem>(*this, std::move(text));
  item->subItems_ = std::move(subItems);
  InsertItem(items_.size(), item);
  return item;
}

void ListView::InsertColumn(size_t at, kb::ComPtr<ColumnHeader> header, int pixels) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = header->text_.data();
  column.cx = pixels;
  ::SendMessageW(Hwnd(), LVM_INSERTCOLUMNW, at, reinterpret_cast<LPARAM>(&column));
  columns_.insert(columns_.begin() + static_cast<ptrdiff_t>(at), std::move(header));
  Show();
}

void ListView::InsertItem(size_t at, kb::ComPtr<ListItem> item) {
  items_.insert(items_.begin() + static_cast<ptrdiff_t>(at), std::move(item));
  Sort();
}

void ListView::SetColumnText(const ColumnHeader& header) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = const_cast<wchar_t*>(header.text_.c_str());
  ::SendMessageW(Hwnd(), LVM_SETCOLUMNW, static_cast<WPARAM>(IndexOf(header) - 1),
                 reinterpret_cast<LPARAM>(&column));
}

long ListView::IndexOf(const ColumnHeader& header) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].Get() == &header) return static_cast<long>(i) + 1;
  return 0;
}

long ListView::IndexOf(const ListItem& item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Get() == &item) return static_cast<long>(i) + 1;
  return 0;
}

double ListView::WidthInScale(const ColumnHeader& header) const {
  return ToScaleX(ColumnPixels(static_cast<size_t>(IndexOf(header))));
}

void ListView::SetWidthInScale(const ColumnHeader& header, double width) {
  ::SendMessageW(Hwnd(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(IndexOf(header) - 1),
                 MAKELPARAM(FromScaleX(width), 0));
}

int ListView::ColumnPixels(size_t column) const {
  return static_cast<int>(::SendMessageW(Hwnd(), LVM_GETCOLUMNWIDTH, column - 1, 0));
}

void ListView::Sort() {
  if (sorted_) {
    const size_t column = static_cast<size_t>(sortKey_) + 1;
    const bool descending = sortOrder_ == 1;
    std::stable_sort(items_.begin(), items_.end(), [&](const auto& a, const auto& b) {
      const int order = CompareTexts(a->Cell(column), b->Cell(column));
      return descending ? order > 0 : order < 0;
    });
  }
  Show();
}

// The window's rows follow the items, texts and order alike.
void ListView::Show() {
  ::SendMessageW(Hwnd(), LVM_DELETEALLITEMS, 0, 0);
  for (size_t row = 0; row < items_.size(); ++row) {
    for (size_t column = 1; column <= std::max<size_t>(columns_.size(), 1); ++column) {
      std::wstring text = items_[row]->Cell(column);
      LVITEMW entry{};
      entry.mask = LVIF_TEXT;
      entry.iItem = static_cast<int>(row);
      entry.iSubItem = static_cast<int>(column - 1);
      entry.pszText = text.data();
      ::SendMessageW(Hwnd(), column == 1 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                     column == 1 ? 0 : row, reinterpret_cast<LPARAM>(&entry));
    }
  }
}

std::vector<std::wstring> ListView::ShownTexts(size_t column) const {
  std::vector<std::wstring> texts;
  const auto rows = ::SendMessageW(Hwnd(), LVM_GETITEMCOUNT, 0, 0);
  for (LRESULT row = 0; row < rows; ++row) {
    wchar_t buffer[256] = {};
    LVITEMW entry{};
    entry.iSubItem = static_cast<int>(column - 1);
    entry.pszText = buffer;
    entry.cchTextMax = 256;
    ::SendMessageW(Hwnd(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&entry));
    texts.emplace_back(buffer);
  }
  return texts;
}

}  // namespace kb::support
