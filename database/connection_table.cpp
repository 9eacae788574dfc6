// The per-thread connection table: dB_OpendB, dB_OpenRs, dB_CloseRs, dB_ClosedB.
#include <optional>
#include <string>

#include "data/data_layer.h"
#include "database/recordsets.h"
#include "database/routines.h"
#include "runtime/errors.h"
#include "runtime/late_bound.h"
#include "runtime/msgbox.h"

namespace kb::database {
namespace {

constexpr HRESULT kGenericFailure = E_FAIL;  // -2147467259
constexpr wchar_t kOpenFailedTitle[] = L"Fejl under åbningen af dBfilen";

// A run of statements in resume-next mode: a failing statement is skipped,
// and its error stays the current one until the next failure or a Clear.
class ResumeNext {
 public:
  template <class Statement>
  void operator()(Statement&& statement) {
    try {
      statement();
    } catch (...) {
      current_ = CurrentError();
      failed_ = true;
    }
  }
  long Number() const { return failed_ ? current_.Number() : 0; }
  const std::wstring& Description() const { return current_.Description(); }
  void Clear() { failed_ = false; }

 private:
  Error current_{0, L""};
  bool failed_ = false;
};

// The most slots a table may have, the same in every build: a 32-bit client
// runs out of memory for tables of about this size, and a 64-bit one must
// not instead spend gigabytes on a slot number passed by mistake.
constexpr long kMostSlots = 1L << 26;

void Resize(long highest) {
  auto& table = ConnectionTable();
  if (highest < 0) Raise(kErrSubscript);
  if (highest >= kMostSlots) Raise(kErrOutOfMemory);
  // Dropped slots release their connections after the table has its new size.
  std::vector<ComPtr<IDispatch>> dropped;
  const size_t size = static_cast<size_t>(highest) + 1;
  for (size_t i = size; i < table.size(); ++i) dropped.push_back(std::move(table[i]));
  table.resize(size);
}

}  // namespace

void OpendB(frame::DataBase&, BSTR* FileName, BSTR* UserId, BSTR* PassWord, long* ConNumber) {
  const long slot = *ConNumber;
  ResumeNext run;
  int attempt = 0;
  run([&] { Resize(slot); });
  // The file decides whose connection it gets and which providers it names.
  std::optional<data::NewConnectionFor> made;
  run([&] { made.emplace(View(*FileName)); });
  run([&] { SetSlot(slot, made.value().connection); });
  run([&] {
    rt::Put(SlotConnection(slot).Get(), L"Provider",
            *rt::FromText(made.value().firstProvider).Get());
  });
  for (;;) {
    run([&] {
      rt::Call(SlotConnection(slot).Get(), L"Open",
               {*rt::FromText(View(*FileName)).Get(), *rt::FromText(View(*UserId)).Get(),
                *rt::FromText(View(*PassWord)).Get(), *rt::FromLong(-1).Get()});
    });
    if (run.Number() == 0) return;
    if (attempt == 1) {
      const std::wstring text = run.Description();
      run([&] { rt::MsgBox(text, MB_ICONHAND | MB_OK, kOpenFailedTitle); });
      run([&] { rt::Call(SlotConnection(slot).Get(), L"Close"); });
      run([&] { SetSlot(slot, nullptr); });
      return;
    }
    attempt = 1;
    if (run.Number() != kGenericFailure) return;
    run([&] {
      rt::Put(SlotConnection(slot).Get(), L"Provider",
              *rt::FromText(made.value().secondProvider).Get());
    });
    run.Clear();
  }
}

ComPtr<IDispatch> OpenRs(frame::DataBase&, BSTR* SQL, long* WhatCursor, long* WhatLockType,
                         long* ConNumber) {
  return OpenRecordset(View(*SQL), *WhatCursor, *WhatLockType, *ConNumber);
}

void CloseRs(frame::DataBase&, IDispatch** ActiveRecordset) {
  // Held for the call: code that Close reaches may clear the caller's variable.
  const ComPtr<IDispatch> recordset(rt::Require(ActiveRecordset));
  rt::Call(recordset.Get(), L"Close");
  // Setting the caller's variable to Nothing gives up its reference.
  if (IDispatch* left = std::exchange(*ActiveRecordset, nullptr)) left->Release();
}

void ClosedB(frame::DataBase&, long* ConNumber) {
  const long slot = *ConNumber;
  const ComPtr<IDispatch> connection = SlotConnection(slot);
  if (!connection) Raise(kErrObjectNotSet);
  rt::Call(connection.Get(), L"Close");
  SetSlot(slot, nullptr);
}

}  // namespace kb::database
