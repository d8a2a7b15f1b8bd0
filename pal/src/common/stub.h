// A method or case the layer does not implement: the call is recorded (and said once on the error output
// when VANTORA_DEBUG_STUBS is set, as Wine's FIXME does), and answers E_NOTIMPL.
#pragma once

#include "pal/host.h"

#define PAL_STUB() ::pal::ReachStub(__PRETTY_FUNCTION__)
