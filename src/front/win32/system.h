// The system's headers, included the same way everywhere in this front end.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>
#include <windowsx.h>

// The editor's prompts have a member of this name; the system's macro would
// rename it in some files and not in others.
#undef MessageBox
