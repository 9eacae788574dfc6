// The list view helpers: sorting by a clicked column header and fitting
// columns to their texts.  The list view is the caller's report-style list
// view, reached through its named members; its items are enumerated as the
// client's For Each enumerates them.
#include <windows.h>

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "ui/control_helpers.h"
#include "ui/control_values.h"

namespace kb::ui {
namespace {

constexpr long kAscending = 0;
constexpr long kDescending = 1;
// Room beside a column's widest text, in the form's scale units.
constexpr double kColumnMargin = 200;

ComPtr<IDispatch> HeaderOf(IDispatch* view, short column) {
  const Variant header =
      rt::GetItem(rt::GetObjectOf(view, L"ColumnHeaders").Get(), {*rt::FromShort(column).Get()});
  return rt::ObjectOf(*header.Get());
}

// What the parent form's TextWidth gives for a text, in its font and scale.
double WidthOf(IDispatch* view, const VARIANT& text) {
  const ComPtr<IDispatch> parent = rt::GetObjectOf(view, L"Parent");
  return rt::ToDouble(*rt::Get(parent.Get(), L"TextWidth", {text}).Get());
}

// The text of one item in a column: its own text in the first column, a
// sub-item in the others.
Variant CellOf(IDispatch* item, short column) {
  if (column == 1) return rt::Get(item, L"Text");
  return rt::Get(item, L"SubItems", {*rt::FromShort(rt::Sub16(column, 1)).Get()});
}

void FitColumn(IDispatch* view, short column, bool includeHeader) {
  double width = 0;
  if (includeHeader) width = WidthOf(view, *rt::Get(HeaderOf(view, column).Get(), L"Text").Get());
  rt::ForEach items(rt::GetObjectOf(view, L"ListItems").Get());
  for (Variant item; items.Next(item);) {
    const ComPtr<IDispatch> entry = rt::ObjectOf(*item.Get());
    if (WidthOf(view, *CellOf(entry.Get(), column).Get()) > width)
      width = WidthOf(view, *CellOf(entry.Get(), column).Get());
  }
  rt::Put(HeaderOf(view, column).Get(), L"Width", *rt::FromDouble(width + kColumnMargin).Get());
}

// Each column through the object's own interface, as a client would call
// it: every call traps its own failure, so one column cannot stop the rest.
void FitEveryColumn(frame::Common& self, VARIANT* view, VARIANT_BOOL* includeHeader) {
  const ComPtr<IDispatch> list = rt::ObjectOf(ValueOrEmpty(view));
  const short count = rt::CInt(
      rt::ToDouble(*rt::Get(rt::GetObjectOf(list.Get(), L"ColumnHeaders").Get(), L"Count").Get()));
  _clsCommon* me = self.Self();
  rt::ForInteger(1, count, [&](short column) {
    VARIANT_BOOL oneColumn = VARIANT_FALSE;
    me->lpVtbl->cmn_ResizeListviewColumn(me, view, &column, &oneColumn, includeHeader);
  });
}

}  // namespace

void SortListView(frame::Common&, VARIANT* UseListview, short* ClickedColumn, long* SortOrder) {
  const ComPtr<IDispatch> view = rt::ObjectOf(ValueOrEmpty(UseListview));
  IDispatch* list = view.Get();
  const double sortKey = rt::GetDouble(list, L"SortKey");
  const short column = rt::Sub16(ClickedColumn ? *ClickedColumn : 0, 1);
  if (sortKey == column) {
    // The same column again: the other way round, whatever was asked for.
    const bool wasAscending = rt::GetDouble(list, L"SortOrder") == kAscending;
    rt::Put(list, L"SortOrder", *rt::FromLong(wasAscending ? kDescending : kAscending).Get());
  } else {
    rt::Put(list, L"SortKey", *rt::FromShort(column).Get());
    rt::Put(list, L"SortOrder", *rt::FromLong(SortOrder ? *SortOrder : kAscending).Get());
  }
  rt::Put(list, L"Sorted", *rt::FromBool(true).Get());
}

void ResizeListviewColumn(frame::Common& self, VARIANT* UseListview, short* ColumnNo,
                          VARIANT_BOOL* AllColumns, VARIANT_BOOL* IncludeHeaderText) {
  try {
    if (AllColumns && *AllColumns != VARIANT_FALSE) {
      FitEveryColumn(self, UseListview, IncludeHeaderText);
      return;
    }
    const ComPtr<IDispatch> view = rt::ObjectOf(ValueOrEmpty(UseListview));
    FitColumn(view.Get(), ColumnNo ? *ColumnNo : 1,
              !IncludeHeaderText || *IncludeHeaderText != VARIANT_FALSE);
  } catch (const Error&) {
    // A column that cannot be fitted keeps what it has; the caller is not told.
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace kb::ui
