#include "runtime/Folders.h"

#include "runtime/Product.h"

namespace vel {

std::string ReadProgramFilesDir(RegistryAccess& registry) {
    CloseKeyOnExit closer{registry};
    return registry.OpenKey(product::WindowsVersionKey, false) ? registry.ReadString("ProgramFilesDir") : "";
}

std::string MakerFolder(const std::string& programFilesDir) { return programFilesDir + PathDelimiter() + product::Maker; }

std::string DefaultProductFolder(const std::string& programFilesDir) {
    return MakerFolder(programFilesDir) + PathDelimiter() + product::Identifier;
}

}  // namespace vel
