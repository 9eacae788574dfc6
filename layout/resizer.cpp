#include "layout/resizer.h"

#include <cmath>
#include <limits>
#include <optional>

#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/client_forms.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/resume_next.h"
#include "runtime/text.h"

namespace kb::layout {
namespace {

using rt::ControlKind;

// A parked control stands this far to the left of its true place.
constexpr long kParkOffset = 75000;

long NormalizeLeft(long value) { return value < 0 ? rt::Add32(value, kParkOffset) : value; }

std::wstring ReadText(IDispatch* object, std::wstring_view name) {
  return std::wstring(rt::GetText(object, name).View());
}

long ToLongChecked(long long value) {
  if (value < std::numeric_limits<long>::min() || value > std::numeric_limits<long>::max())
    Raise(kErrOverflow);
  return static_cast<long>(value);
}

// (value × percent) \ 100, the product formed exactly.
long Scaled(long value, long long percent) {
  return ToLongChecked(static_cast<long long>(value) * percent / 100);
}

// R(current × 100) \ baseline, a whole percentage.
long Percent(double current, long baseline) {
  const double hundredfold = std::nearbyint(current * 100);  // halves to even
  if (!(std::fabs(hundredfold) < 9.0e18)) Raise(kErrOverflow);
  if (baseline == 0) Raise(kErrDivisionByZero);
  return ToLongChecked(static_cast<long long>(hundredfold) / baseline);
}

// A control met in the form's enumeration.  Its Name and Index are read when
// first needed and then kept; reading them has no effect on the control.
class ControlRef {
 public:
  explicit ControlRef(const VARIANT& item) : item_(item) {}

  IDispatch* Object() {
    if (!object_) object_ = rt::ObjectOf(item_);
    return object_.Get();
  }
  const std::wstring& Name() {
    if (!name_) name_ = ReadText(Object(), L"Name");
    return *name_;
  }
  // Empty when the control is in no control array (the read fails).
  std::optional<long> Index() {
    if (!indexRead_) {
      indexRead_ = true;
      rt::ResumeNext([&] { index_ = rt::GetLong(Object(), L"Index"); });
    }
    return index_;
  }
  bool Is(ControlKind kind) { return rt::IsKind(Object(), kind); }

 private:
  const VARIANT& item_;
  ComPtr<IDispatch> object_;
  std::optional<std::wstring> name_;
  bool indexRead_ = false;
  std::optional<long> index_;
};

// Where a control goes: its recorded geometry scaled by the form's ratios.
struct Placement {
  long left = 0;
  long top = 0;
  long width = 0;
  long height = 0;
};

class Resizer {
 public:
  Resizer(ResizeTables& tables, IDispatch* form) : tables_(tables), form_(form) {}

  void ResizeControl(const VARIANT& item) {
    const float hp = HeightPercent();
    const long wp = WidthPercent();
    ControlRef ctl(item);
    const long i = FindControlRecord(ctl, FormName());
    // A control created after the baseline has no record: it keeps its place.
    if (i < 0) return;
    // A copy: a handler the reads run may add records behind our back.
    const ResizeRecord rec = tables_.controls[static_cast<size_t>(i)];
    const auto hpWhole = static_cast<long long>(hp);
    std::optional<Placement> to;
    rt::ResumeNext([&] { to = Compute(ctl, rec, hpWhole, wp); });
    rt::ResumeNext([&] {
      if (ctl.Is(ControlKind::kLine))
        PlaceLine(ctl.Object(), rec, hpWhole, wp);
      else if (!ctl.Is(ControlKind::kTimer) && to)
        Move(ctl.Object(), *to);
    });
  }

 private:
  std::wstring FormName() { return ReadText(form_, L"Name"); }

  long FindFormRecord() {
    if (tables_.forms.empty()) return -1;
    const std::wstring name = FormName();
    for (size_t i = 0; i < tables_.forms.size(); ++i)
      if (tables_.forms[i].name == name) return static_cast<long>(i);
    return -1;
  }

  // The record is kept only once every value of the form has been read, so
  // a failing read leaves the tables as they were.
  long AddFormRecord() {
    ResizeRecord r;
    r.name = FormName();
    r.top = rt::GetLong(form_, L"Top");
    r.left = rt::GetLong(form_, L"Left");
    r.height = rt::GetLong(form_, L"Height");
    r.width = rt::GetLong(form_, L"Width");
    r.scaleHeight = rt::GetLong(form_, L"ScaleHeight");
    r.scaleWidth = rt::GetLong(form_, L"ScaleWidth");
    tables_.forms.push_back(std::move(r));
    const long added = static_cast<long>(tables_.forms.size() - 1);

    rt::ForEach controls(form_);
    Variant item;
    while (controls.Next(item)) {
      const std::wstring formName = FormName();
      ControlRef ctl(*item.Get());
      if (FindControlRecord(ctl, formName) < 0) AddControlRecord(ctl, formName);
    }
    return added;
  }

  ResizeRecord FormRecord() {
    long i = FindFormRecord();
    if (i < 0) i = AddFormRecord();
    return tables_.forms[static_cast<size_t>(i)];
  }

  float HeightPercent() {
    const long baseline = FormRecord().scaleHeight;
    return static_cast<float>(Percent(rt::GetDouble(form_, L"ScaleHeight"), baseline));
  }

  long WidthPercent() {
    const long baseline = FormRecord().scaleWidth;
    return Percent(rt::GetDouble(form_, L"ScaleWidth"), baseline);
  }

  long FindControlRecord(ControlRef& ctl, const std::wstring& formName) {
    for (size_t i = 0; i < tables_.controls.size(); ++i) {
      // Records are reached by position after each read: a read may run
      // client code that adds records and moves the table.
      if (tables_.controls[i].formName != formName) continue;
      const std::wstring& name = ctl.Name();
      if (tables_.controls[i].name != name) continue;
      const std::optional<long> index = ctl.Index();
      if (!index || *index == tables_.controls[i].index) return static_cast<long>(i);
    }
    return -1;
  }

  // Every value is read on its own; one that cannot be read stays 0 or empty.
  void AddControlRecord(ControlRef& ctl, const std::wstring& formName) {
    ResizeRecord r;
    rt::ResumeNext([&] { r.name = ctl.Name(); });
    if (auto index = ctl.Index()) r.index = *index;
    r.formName = formName;
    bool line = false;
    rt::ResumeNext([&] { line = ctl.Is(ControlKind::kLine); });
    auto read = [&](long& field, const wchar_t* name, bool normalize) {
      rt::ResumeNext([&] {
        const long value = rt::GetLong(ctl.Object(), name);
        field = normalize ? NormalizeLeft(value) : value;
      });
    };
    read(r.top, line ? L"Y1" : L"Top", false);
    read(r.left, line ? L"X1" : L"Left", true);
    read(r.height, line ? L"Y2" : L"Height", false);
    read(r.width, line ? L"X2" : L"Width", line);
    tables_.controls.push_back(std::move(r));
  }

  // A control parked to the left (negative Left) stays parked.  A line has
  // no Left, so for a line this fails at once.
  static Placement Compute(ControlRef& ctl, const ResizeRecord& rec, long long hp, long wp) {
    const bool parked = rt::GetDouble(ctl.Object(), L"Left") < 0;
    Placement p;
    p.left = Scaled(rec.left, wp);
    if (parked) p.left = rt::Sub32(p.left, kParkOffset);
    p.top = Scaled(rec.top, hp);
    p.width = Scaled(rec.width, wp);
    p.height = Scaled(rec.height, hp);
    return p;
  }

  static void PlaceLine(IDispatch* line, const ResizeRecord& rec, long long hp, long wp) {
    auto end = [&](const wchar_t* name, long recorded, long long percent, bool parkable) {
      long value = Scaled(recorded, percent);
      if (parkable && rt::GetDouble(line, name) < 0) value = rt::Sub32(value, kParkOffset);
      rt::Put(line, name, *rt::FromLong(value).Get());
    };
    end(L"X1", rec.left, wp, true);
    end(L"Y1", rec.top, hp, false);
    end(L"X2", rec.width, wp, true);
    end(L"Y2", rec.height, hp, false);
  }

  // Move with all four values; a control that refuses some of them (a
  // read-only height) gets as many as it takes.
  static void Move(IDispatch* control, const Placement& p) {
    const Variant left = rt::FromLong(p.left), top = rt::FromLong(p.top),
                  width = rt::FromLong(p.width), height = rt::FromLong(p.height);
    if (rt::Succeeds([&] {
          rt::Call(control, L"Move", {*left.Get(), *top.Get(), *width.Get(), *height.Get()});
        }))
      return;
    if (rt::Succeeds([&] { rt::Call(control, L"Move", {*left.Get(), *top.Get(), *width.Get()}); }))
      return;
    rt::ResumeNext([&] { rt::Call(control, L"Move", {*left.Get(), *top.Get()}); });
  }

  ResizeTables& tables_;
  IDispatch* form_;
};

}  // namespace

void ResizeForm(frame::Resize& self, IDispatch** frm) {
  IDispatch* form = rt::Require(frm);
  Resizer resizer(self.tables, form);
  rt::ForEach controls(form);
  Variant item;
  while (controls.Next(item)) resizer.ResizeControl(*item.Get());
}

}  // namespace kb::layout
