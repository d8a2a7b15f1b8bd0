// The type description of one interface of a library read from IDL (typeinfo.cpp).
#pragma once

#include "oleaut32/typelib_idl.h"

namespace pal::typelib {

// A new ITypeInfo of `itf`, which lives as long as `lib` (the description holds a reference to it).
ITypeInfo* CreateTypeInfo(ITypeLib* lib, const IdlLibrary& library, const IdlInterface& itf);

} // namespace pal::typelib
