// Copies a folder's contents the way the transfer does (the Linux shell's folder
// copy) and prints the seconds it took: the program's side of measure-copy.sh.

#include <chrono>
#include <cstdio>

#include "platform/linux/services/LinuxServices.h"
#include "runtime/Text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velvinor_copy_folder FOLDER TARGET\n");
        return 2;
    }
    auto shell = vel::lnx::CreateLinuxShell();
    const std::string folder = vel::Ru(argv[1]), target = vel::Ru(argv[2]);
    const auto start = std::chrono::steady_clock::now();
    const vel::FolderCopy result = shell->CopyFolderContents(0, folder, target);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.4f\n", took.count());
    return result == vel::FolderCopy::Done ? 0 : 1;
}
