#include "platform/win32/com_apartment.h"

#include <objbase.h>

namespace tessera {

TComApartment::TComApartment()
    : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}

TComApartment::~TComApartment() {
  // Every successful CoInitializeEx, S_FALSE included, needs its own
  // CoUninitialize.
  if (SUCCEEDED(FResult))
    CoUninitialize();
}

} // namespace tessera
