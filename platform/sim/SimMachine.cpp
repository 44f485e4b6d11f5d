#include "platform/sim/SimMachine.h"

namespace vel::sim {

SimMachine::SimMachine()
    : ui(trace),
      registry(trace),
      files(trace),
      shell(trace, files),
      process(trace, [this](std::uint32_t ms) { ui.Advance(ms); }),
      media(trace, files, [this](std::function<void()> callback) { ui.Post(std::move(callback)); }),
      mixer(trace, [this](std::function<void()> callback) { ui.Post(std::move(callback)); }),
      dde(trace),
      movie(trace),
      printer(trace),
      clock([this] { return ui.Now(); }) {
    files.AddDrive("C:", DriveType::Fixed, 10'000'000'000LL);
    files.AddFolder("C:\\Program Files");
    files.AddFolder("C:\\Windows");
    files.systemFolders = {"C:\\Windows", "C:\\Documents and Settings"};
    files.tempFolder = "C:\\Documents and Settings\\User\\Local Settings\\Temp\\";
    files.AddFolder(files.tempFolder);
    registry.Set("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files");
    shell.OnStartInBackground = [this](const std::string& commandLine) {
        if (dde.startsWhenStarted && commandLine.rfind("progman", 0) == 0) dde.serverRunning = true;
    };
}

}  // namespace vel::sim
