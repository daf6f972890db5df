// The media library's automation objects over a late-bound application object.
#pragma once

#include "importer/itunes/com/com_handles_win32.h"
#include "importer/itunes/itunes.h"

namespace itunes::com {

// Wraps the application object; its children share one cache of DISPIDs.
Ref<Application> MakeApplication(ComPtr<IDispatch> application);

}  // namespace itunes::com
