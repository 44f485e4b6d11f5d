#pragma once
// Documents the movie opens: rich text and plain text in the program's own viewer,
// anything else through the shell.

#include <string>

#include "platform/Types.h"

namespace vel {

class Application;
class FileSystem;
class Shell;
class TRtfForm;

// "execute": the document `name` of the movie's folder (with its final backslash).
// `viewer` is none until start-up creates it; a viewer document then opens nothing.
void OpenDocument(Application& app, Shell& shell, FileSystem& files, WindowHandle owner, TRtfForm* viewer,
                  const std::string& movieFolder, const std::string& name);

}  // namespace vel
