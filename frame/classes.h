// The five classes of the library and the state each object keeps.
#pragma once

#include <string>
#include <vector>

#include "files/collector_state.h"
#include "frame/interfaces.h"
#include "frame/object.h"
#include "layout/resizer.h"
#include "runtime/handles.h"
#include "strings/field_reader.h"

namespace kb::frame {

class Common : public ObjectBase {
 public:
  Common();

  // The object's own default interface, for calls to sibling members that
  // must behave as a client's call would.
  _clsCommon* Self() { return reinterpret_cast<_clsCommon*>(Dual()); }

  strings::FieldReader reader;
  files::CollectorState collector;

  // The internal properties; no client reaches them.
  Bstr CompanyName() const;
  Bstr StoredText() const;
  void SetStoredText(BSTR* text);
  Bstr StoredPath() const;
  void SetStoredPath(BSTR* path);

 private:
  Bstr storedText_;
  Bstr storedPath_;
};

class DataBase : public ObjectBase {
 public:
  DataBase();

  // The object's own default interface, for the routines that open and
  // close their recordsets through its dB_OpenRs and dB_CloseRs.
  _clsDataBase* Self() { return reinterpret_cast<_clsDataBase*>(Dual()); }
};

class IniFiles : public ObjectBase {
 public:
  IniFiles();
};

class Registry : public ObjectBase {
 public:
  Registry();
};

class Resize : public ObjectBase {
 public:
  Resize();

  layout::ResizeTables tables;  // the baselines of the forms and controls met
};

}  // namespace kb::frame
