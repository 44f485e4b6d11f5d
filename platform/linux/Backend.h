#pragma once
// Factories of the Linux program's own services (the window's side); the services
// without a window of their own are in services/LinuxServices.h. main.cpp picks the
// set once; create and use them all on the window thread.

#include <memory>
#include <string>

#include "platform/Files.h"
#include "platform/MediaControl.h"
#include "platform/MoviePlayer.h"
#include "platform/Process.h"

namespace vel::lnx {

class GtkUi;

std::unique_ptr<Process> CreatePosixProcess(int argc, char** argv);  // PosixProcess.cpp
// PosixFiles.cpp. The drive of a path is the file system its folder lies on
// (iso9660 and udf are CD-ROMs). Free space is that of the file system a folder lies
// on or would be made on. A test may declare a folder a disc with the environment
// variable VELVINOR_DISC_FOLDER: that folder and everything below it is then a
// CD-ROM with nothing free, on which this service writes, makes and deletes nothing
// (the other services do not know of it: the journey checks the folder is unchanged).
std::unique_ptr<FileSystem> CreatePosixFiles();
// GStreamer playing into the program's windows; its notices come through `ui`.
std::unique_ptr<MediaControl> CreateGstMediaControl(GtkUi& ui);      // GstMediaControl.cpp
// Ruffle in WebKitGTK, from the folder `playerFolder` (Ruffle's files and the bridge
// movie). Creating a player raises Error, with the text shown to the user, when
// those files are missing.
std::unique_ptr<MovieService> CreateWebKitMovieService(GtkUi& ui, std::string playerFolder);  // WebKitMovie.cpp

}  // namespace vel::lnx
