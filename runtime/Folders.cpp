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

std::string ReadRecordText(RegistryAccess& registry, const char* name) {
    std::string text;
    if (registry.KeyExists(product::RecordKey) && registry.OpenKey(product::RecordKey, false))
        text = registry.ReadString(name);
    registry.CloseKey();
    return text;
}

void WriteRecordText(RegistryAccess& registry, const char* name, const std::string& text) {
    registry.OpenKey(product::RecordKey, true);
    try {
        registry.WriteString(name, text);
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
}

void RemoveProductKey(RegistryAccess& registry) {
    registry.DeleteKey(product::ProductKey);
    registry.OpenKey(product::MakerKey, false);
    // Another product of the maker keeps the maker key.
    const bool others = registry.HasSubKeys();
    registry.CloseKey();
    if (!others) registry.DeleteKey(product::MakerKey);
}

}  // namespace vel
