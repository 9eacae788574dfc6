// What the database routines do with connections and recordsets, through
// their automation members, as a client of the data access objects would.
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "frame/classes.h"
#include "runtime/handles.h"

namespace kb::database {

enum : long { kForwardOnly = 0, kDynamic = 2 };
enum : long { kReadOnly = 1, kPessimistic = 2 };
inline constexpr long kUnspecified = -1;

// The thread's connection table of clsDataBase: slots numbered from 0, each
// empty or holding a connection; shared by the thread's clsDataBase objects.
std::vector<ComPtr<IDispatch>>& ConnectionTable();

// The connection in a slot of the thread's table: error 9 when the table has
// no such slot; an empty slot gives null.
ComPtr<IDispatch> SlotConnection(long number);
// Replaces what a slot holds; error 9 when the table has no such slot.
void SetSlot(long number, ComPtr<IDispatch> connection);

// A new recordset opened on a slot's connection (an empty slot is handed
// over as Nothing, which the recordset refuses).
ComPtr<IDispatch> OpenRecordset(std::wstring_view sql, long cursor, long lock, long slot);

// A recordset opened and closed through the object's own dB_OpenRs and
// dB_CloseRs, as a client's call would.
ComPtr<IDispatch> OwnOpenRs(frame::DataBase& self, const std::wstring& sql, long cursor, long lock,
                            long* slot);
void OwnCloseRs(frame::DataBase& self, ComPtr<IDispatch> rs);

// An object as a variant argument (Nothing for null).
Variant ObjectValue(IDispatch* object);

// rs.Fields(index), its value, rs.EOF and rs.MoveNext.
ComPtr<IDispatch> FieldOf(IDispatch* rs, const VARIANT& index);
Variant FieldValue(IDispatch* rs, const VARIANT& index);
bool AtEnd(IDispatch* rs);
void MoveNext(IDispatch* rs);

}  // namespace kb::database
