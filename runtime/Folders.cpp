#include "runtime/Folders.h"

#include "runtime/Product.h"

namespace vel {

std::string ReadProgramFilesDir(RegistryAccess& registry) {
    std::string value;
    if (registry.OpenKey(product::WindowsVersionKey, false)) value = registry.ReadString("ProgramFilesDir");
    registry.CloseKey();
    return value;
}

std::string MakerFolder(const std::string& programFilesDir) { return programFilesDir + "\\" + product::Maker; }

std::string DefaultProductFolder(const std::string& programFilesDir) {
    return MakerFolder(programFilesDir) + "\\" + product::Identifier;
}

}  // namespace vel
