// Why a file operation failed, in the words the editor's message boxes use.
#pragma once

#include "core/text.h"

namespace tilvane {

// The reasons a user meets when saving (no permission, a read-only file
// system, a full disk or quota, a missing folder, a name too long, a folder in
// the way, a file too large) in Chinese, whatever the process's locale; any
// other error number as the C library describes it.
Text ErrorText(int error);

}  // namespace tilvane
