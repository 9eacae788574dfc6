#include "files/siblings.h"

#include "frame/classes.h"
#include "runtime/errors.h"
#include "runtime/text.h"

namespace kb::files {

Bstr AddSlashVia(frame::Common& self, BSTR* path) {
  _clsCommon* me = self.Self();
  Bstr backslash(L"\\");
  Bstr result;
  Check(me->lpVtbl->cmn_AddSlash(me, path, backslash.Ref(), result.Out()));
  return result;
}

Bstr ZapIlligalCharSetVia(frame::Common& self, BSTR* text) {
  _clsCommon* me = self.Self();
  Variant result;
  Check(me->lpVtbl->cmn_ZapIlligalCharSet(me, text, result.Out()));
  return rt::ToText(*result.Get());
}

long FreeFileVia(frame::Common& self) {
  _clsCommon* me = self.Self();
  long number = 0;
  Check(me->lpVtbl->cmn_FreeFile(me, &number));
  return number;
}

Bstr GetLongFilenameVia(frame::Common& self, std::wstring_view shortName) {
  _clsCommon* me = self.Self();
  const Bstr name(shortName);
  Bstr result;
  Check(me->lpVtbl->cmn_GetLongFilename(me, name.Get(), result.Out()));
  return result;
}

void BubbleSortVia(frame::Common& self, VARIANT* array) {
  _clsCommon* me = self.Self();
  Check(me->lpVtbl->cmn_BubbleSort(me, array));
}

long CreateFileArrayVia(frame::Common& self, BSTR startFolder, BSTR* fileExtension,
                        VARIANT_BOOL* getSubFolders, VARIANT_BOOL* bubbleSortArray) {
  _clsCommon* me = self.Self();
  long total = 0;
  Check(me->lpVtbl->cmn_CreateFileArray(me, startFolder, fileExtension, getSubFolders,
                                        bubbleSortArray, &total));
  return total;
}

}  // namespace kb::files
