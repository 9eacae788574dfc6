// The routines of database access (clsDataBase) that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once

#include <oaidl.h>

#include "frame/classes.h"
#include "runtime/handles.h"

namespace kb::database {

// The connection table.
void OpendB(frame::DataBase& self, BSTR* FileName, BSTR* UserId, BSTR* PassWord, long* ConNumber);
ComPtr<IDispatch> OpenRs(frame::DataBase& self, BSTR* SQL, long* WhatCursor, long* WhatLockType,
                         long* ConNumber);
void CloseRs(frame::DataBase& self, IDispatch** ActiveRecordset);
void ClosedB(frame::DataBase& self, long* ConNumber);

// SQL statement helpers.
long SQLMaxPlus(frame::DataBase& self, BSTR* Table, BSTR* Field, BSTR* Where, long* ConNumber);
long GetSumFromRs(frame::DataBase& self, BSTR* Table, BSTR* Field, long* ConNumber);
void DeleteRs(frame::DataBase& self, BSTR* Table, BSTR* Where, long* ConNumber);
void SQLComboText(frame::DataBase& self, BSTR* SQL, VARIANT* UseCombobox, long* ConNumber);
Bstr NotNull(frame::DataBase& self, VARIANT* sString);

// CSV export.
void RsToCSVFile(frame::DataBase& self, IDispatch** rs, BSTR* FileName, BSTR* Delimiter);

// Pictures referenced from records.
void SavePictureInRs(frame::DataBase& self, BSTR* PicFileName, BSTR* TableName, BSTR* FieldName,
                     long* ConNumber);
void GetPictureFromRs(frame::DataBase& self, IDispatch** PicBox, BSTR* Table, BSTR* Field,
                      BSTR* Where, long* ConNumber);

}  // namespace kb::database
