#include "runtime/Folders.h"

#include "runtime/Product.h"

namespace vel {

std::string ReadProgramFilesDir(RegistryAccess& registry) {
    CloseKeyOnExit closer{registry};
    return registry.OpenKey(product::WindowsVersionKey, false) ? registry.ReadString("ProgramFilesDir") : "";
}

std::string MakerFolder(const std::string& programFilesDir) { return programFilesDir + "\\" + product::Maker; }

std::string DefaultProductFolder(const std::string& programFilesDir) {
    return MakerFolder(programFilesDir) + "\\" + product::Identifier;
}

std::string ReadRecordText(RegistryAccess& registry, const char* name) {
    CloseKeyOnExit closer{registry};
    return registry.KeyExists(product::RecordKey) && registry.OpenKey(product::RecordKey, false)
               ? registry.ReadString(name)
               : "";
}

void WriteRecordText(RegistryAccess& registry, const char* name, const std::string& text) {
    CloseKeyOnExit closer{registry};
    registry.OpenKey(product::RecordKey, true);
    registry.WriteString(name, text);
}

void RemoveProductKey(RegistryAccess& registry) {
    registry.DeleteKey(product::ProductKey);
    bool others;
    {
        CloseKeyOnExit closer{registry};
        registry.OpenKey(product::MakerKey, false);
        // Another product of the maker keeps the maker key.
        others = registry.HasSubKeys();
    }
    if (!others) registry.DeleteKey(product::MakerKey);
}

}  // namespace vel
