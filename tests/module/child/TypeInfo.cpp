// A host library that has no type information: every plug-in factory made
// with it fails while it is being constructed.
#include <Tallivanx.h>

extern "C" HRESULT WINAPI GetTallivanxTypeInfo(REFIID, ITypeInfo** info) {
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}
