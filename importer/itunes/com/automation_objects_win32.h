// The media library's automation objects over a late-bound application object.
#pragma once

#include "common/win32/scoped_win.h"
#include "importer/itunes/itunes.h"

namespace itunes::com {

using common::win32::ComPtr;

// Wraps the application object; its children share one cache of DISPIDs.
Ref<Application> MakeApplication(ComPtr<IDispatch> application);

}  // namespace itunes::com
