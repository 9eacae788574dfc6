// The early-bound interfaces of the platform's data access objects that the
// library reads recordsets through: only as far into each table of methods
// as the members it calls.  The slots before those are placeholders of the
// right count; they are never called.  (The compiler's own header for these
// interfaces does not compile as C++.)
#pragma once

#include <oaidl.h>

namespace kb::data::ado {

// The identifiers every version of the objects still answers to.
constexpr GUID kSystemGuid(unsigned long first) {
  return {first, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}};
}
inline constexpr CLSID kConnectionClass = kSystemGuid(0x0514);
inline constexpr CLSID kRecordsetClass = kSystemGuid(0x0535);
inline constexpr IID kIidRecordset15 = kSystemGuid(0x050e);
inline constexpr IID kIidFields15 = kSystemGuid(0x0506);
inline constexpr IID kIidField20 = kSystemGuid(0x054c);

#define KB_ADO_UNUSED(n) virtual HRESULT STDMETHODCALLTYPE Unused##n() = 0

struct Field20 : IDispatch {
  KB_ADO_UNUSED(0);  // Properties
  KB_ADO_UNUSED(1);  // ActualSize
  KB_ADO_UNUSED(2);  // Attributes
  KB_ADO_UNUSED(3);  // DefinedSize
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
  KB_ADO_UNUSED(4);  // Type
  virtual HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) = 0;
};

struct Fields15 : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Count(long* count) = 0;
  KB_ADO_UNUSED(0);  // _NewEnum
  KB_ADO_UNUSED(1);  // Refresh
  virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, Field20** field) = 0;
};

struct Recordset15 : IDispatch {
  KB_ADO_UNUSED(0);   // Properties
  KB_ADO_UNUSED(1);   // AbsolutePosition get
  KB_ADO_UNUSED(2);   // AbsolutePosition let
  KB_ADO_UNUSED(3);   // ActiveConnection set
  KB_ADO_UNUSED(4);   // ActiveConnection let
  KB_ADO_UNUSED(5);   // ActiveConnection get
  KB_ADO_UNUSED(6);   // BOF
  KB_ADO_UNUSED(7);   // Bookmark get
  KB_ADO_UNUSED(8);   // Bookmark let
  KB_ADO_UNUSED(9);   // CacheSize get
  KB_ADO_UNUSED(10);  // CacheSize let
  KB_ADO_UNUSED(11);  // CursorType get
  KB_ADO_UNUSED(12);  // CursorType let
  virtual HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Fields(Fields15** fields) = 0;
  KB_ADO_UNUSED(13);  // LockType get
  KB_ADO_UNUSED(14);  // LockType let
  KB_ADO_UNUSED(15);  // MaxRecords get
  KB_ADO_UNUSED(16);  // MaxRecords let
  KB_ADO_UNUSED(17);  // RecordCount
  KB_ADO_UNUSED(18);  // Source set
  KB_ADO_UNUSED(19);  // Source let
  KB_ADO_UNUSED(20);  // Source get
  KB_ADO_UNUSED(21);  // AddNew
  KB_ADO_UNUSED(22);  // CancelUpdate
  KB_ADO_UNUSED(23);  // Close
  KB_ADO_UNUSED(24);  // Delete
  KB_ADO_UNUSED(25);  // GetRows
  KB_ADO_UNUSED(26);  // Move
  virtual HRESULT STDMETHODCALLTYPE MoveNext() = 0;
};

#undef KB_ADO_UNUSED

}  // namespace kb::data::ado
