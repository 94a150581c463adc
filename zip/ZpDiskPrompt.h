// The components' default disk and image prompts: message boxes through
// the user-interface port, used for every request no handler is attached to.
#pragma once

#include "platform/UiPort.h"
#include "zip/ZpZipTyp.h"

// Fills the archive's empty disk hooks with the default boxes (nothing
// changes without a port). Cancel, or any answer but OK, means abort.
void ZpInstallDiskDefaults(TZpZipArchive& archive, TUiPort* ui);
