#pragma once
// <windows.h> for the real backend, without the A/W macros whose names the
// program's interfaces use for their own methods (FileSystem::CreateDirectory,
// Ui::MessageBox...): a macro would silently rename a method in this backend only.
// Call the wide functions by their W names.

#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef CreateMutex
#undef CreateProcess
#undef DeleteFile
#undef GetDriveType
#undef MessageBox
#undef OpenMutex
#undef RemoveDirectory
#undef SetCurrentDirectory
